// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/livetexts.h"

#include <QString>

#include <array>

namespace korvane::measure {

// What a front end implements to show the live view: the window's labels, the CLI's lines, a
// fake in tests. Rows are 0..5.
class LiveView
{
public:
    virtual ~LiveView() = default;
    virtual void setCaption(int row, const QString& text) = 0;
    virtual void setValue(int row, const QString& text) = 0;
};

// Captions first, then values, each in ascending row order; unchanged displays are not touched.
void applyTo(const LiveTexts& texts, LiveView& view);

// The texts the displays show before the first frame arrives.
inline constexpr std::array<QStringView, kLiveRows> kStartCaptions{u"U1 :", u"I  :", u"PF1:",
                                                                   u"P1 :", u"Q1 :", u"S1 :"};
inline constexpr std::array<QStringView, kLiveRows> kStartValues{
    u"00.00V", u"000.0A", u"1.000", u"00.00W", u"00.00var", u"00.00VA"};

// Plain-data live view: the twelve texts as they stand, starting from the start-up texts.
class LiveTextsState : public LiveView
{
public:
    LiveTextsState();
    void setCaption(int row, const QString& text) override { m_captions[row] = text; }
    void setValue(int row, const QString& text) override { m_values[row] = text; }
    const std::array<QString, kLiveRows>& captions() const { return m_captions; }
    const std::array<QString, kLiveRows>& values() const { return m_values; }

private:
    std::array<QString, kLiveRows> m_captions;
    std::array<QString, kLiveRows> m_values;
};

} // namespace korvane::measure
