// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/headingsproxymodel.h"
#include "app/page.h"
#include "session/metersession.h"

#include <QWidget>

#include <optional>

class QLabel;
class QTableView;

namespace korvane::app {

// The records downloaded from the meter in a grid whose heading row and column stay in sight.
// Read and Clear apply here; the meter is asked only for signs of life unless something else
// needs live readings. Lines under the grid follow a download (records of the count, time
// left, the drain of a cancelled one, a table left incomplete) and say when live readings
// pause.
class RecordPage : public QWidget, public Page
{
    Q_OBJECT
public:
    RecordPage(session::MeterSession& session, int& saveType, QWidget* parent = nullptr);

    QString title() const override { return tr("Record"); }
    QWidget* widget() override { return this; }
    link::Polling polling() const override { return link::Polling::KeepAlive; }
    bool takesRecordActions() const override { return true; }
    bool canSave() const override { return !m_session.downloading(); }
    QString afterSaving() const override;
    SaveOffer saveOffer() override;
    int& saveType() override { return m_saveType; }

    // Empties the table and lays the grid out as at start.
    void gridinit();
    // A line under the grid; empty hides it.
    void setNotice(const QString& text);

    QTableView* grid = nullptr;
    QLabel* notice = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeGrid();
    void showWhatIsPolled();
    void showDownload();
    void updateNotice();

    session::MeterSession& m_session;
    int& m_saveType;
    HeadingsProxyModel m_gridModel;
    QString m_pollingLine;
    QString m_downloadLine;
    std::optional<link::DownloadResult> m_lastDownload; // until Clear or the next Read
};

} // namespace korvane::app
