// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/quantity.h"

#include <QString>

#include <chrono>
#include <optional>
#include <variant>

namespace korvane::alarms {

enum class Condition : quint8 {
    Above,  // key > threshold
    Below,  // key < threshold
    Silent, // no sample of key for the duration
};

// One alarm rule as the user gave it: 'U1>253 for 5s clear 251', 'F<49.5', 'U1 silent 30s'.
struct Rule
{
    measure::Key key = measure::Key::U1;
    Condition condition = Condition::Above;
    double threshold = 0;
    // How long the condition must hold before it is raised; for a silent rule the silence.
    std::chrono::milliseconds duration{0};
    // Hysteresis: a raised value rule clears only past this; none clears when the condition ends.
    std::optional<double> clear;
    QString text; // normalised: 'U1>253 for 5s clear 251'
    QString id;   // topic-safe: 'u1_gt_253_for_5s_clear_251'
};

// What is wrong with a rule's text; token is the part at fault.
struct ParseError
{
    enum Problem : quint8 {
        Empty,
        UnknownKey,
        NoCondition,    // neither > nor < nor "silent"
        BadComparison,  // ">=", "<>" and the like
        BadNumber,      // a threshold or clear value that is no plain number
        MissingValue,   // "for", "clear" or "silent" with nothing after it
        BadDuration,    // not a positive number with ms, s, m, min or h
        ClearWrongSide, // a clear value that is not on the safe side of the threshold
        Unexpected      // anything else: a repeated "for", a "clear" on a silent rule, a typo
    };
    Problem problem = Empty;
    QString token;
};

std::variant<Rule, ParseError> parseRule(QStringView written);

// The error in words for the command line: 'unknown quantity "U4"'.
QString errorText(const ParseError& error);

} // namespace korvane::alarms
