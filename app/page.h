// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "link/link.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace korvane::app {

// One type the save dialog offers on a page: its filter text, the suffix it gives a bare name,
// and what writes the file.
struct SaveChoice
{
    QString filter;
    QString suffix;
    std::function<exporting::SaveResult(const QString& path)> write;
    // Runs before the dialog opens when this type is preselected, to take what the dialog would
    // cover (a picture of the window).
    std::function<void()> beforeDialog = {};
};

struct SaveOffer
{
    QString initialName;
    std::vector<SaveChoice> choices; // in the dialog's order; the dialog counts from 1
};

// A tab of the window: what it needs polled, what Save offers on it, and whether Read and Clear
// apply. Each page subscribes to the meter session itself and never reads another page's widgets.
class Page
{
public:
    virtual ~Page() = default;

    virtual QString title() const = 0;
    virtual QWidget* widget() = 0;
    virtual link::Polling polling() const { return link::Polling::LiveFrames; }
    virtual bool takesRecordActions() const { return false; }
    // False while what Save would write is not whole yet (records still downloading).
    virtual bool canSave() const { return true; }
    // Said once Save has written the file, when it may not hold what the user expects.
    virtual QString afterSaving() const { return {}; }
    // What Save offers; each writer says whether it writes the page as it was when Save was
    // clicked or as it is when the dialog closes.
    virtual SaveOffer saveOffer() = 0;
    // The dialog's type the user chose last on this page; pages may share one.
    virtual int& saveType() = 0;
    // The page came to the front.
    virtual void shown() {}
};

} // namespace korvane::app
