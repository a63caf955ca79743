// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/rule.h"

#include "datalog/fields.h"

#include <QStringList>

#include <array>
#include <charconv>
#include <cmath>

namespace korvane::alarms {

using namespace std::chrono_literals;

namespace {
struct Unit
{
    QStringView name;
    std::chrono::milliseconds size;
};
constexpr std::array kUnits{Unit{u"ms", 1ms}, Unit{u"s", 1s}, Unit{u"m", 1min}, Unit{u"min", 1min},
                            Unit{u"h", 1h}};
static_assert(kUnits.size() == 5);

struct Duration
{
    std::chrono::milliseconds length;
    QString text;
};

std::optional<double> number(QStringView token)
{
    const QByteArray latin = token.toLatin1();
    double value = 0;
    const auto [end, ec] = std::from_chars(latin.constData(), latin.constEnd(), value);
    if (ec != std::errc() || end != latin.constEnd() || !std::isfinite(value))
        return std::nullopt;
    return value == 0 ? 0.0 : value; // "-0" reads as 0
}

QString numberText(double value)
{
    QByteArray out;
    datalog::appendNumber(out, value);
    return QString::fromLatin1(out);
}

std::optional<Duration> duration(QStringView token)
{
    qsizetype split = 0;
    while (split < token.size() && (token[split].isDigit() || token[split] == u'.'))
        ++split;
    const std::optional<double> count = number(token.first(split));
    const QString unit = token.sliced(split).toString().toLower();
    for (const Unit& u : kUnits) {
        if (!count || u.name != unit)
            continue;
        const auto ms = std::llround(*count * double(u.size.count()));
        if (ms <= 0 || *count > 1e9)
            return std::nullopt;
        return Duration{std::chrono::milliseconds(ms), numberText(*count) + unit};
    }
    return std::nullopt;
}

std::optional<measure::Key> keyCalled(QStringView name)
{
    for (int k = 0; k < measure::kKeyCount; ++k) {
        if (measure::keyInfo(measure::Key(k)).name.compare(name, Qt::CaseInsensitive) == 0)
            return measure::Key(k);
    }
    return std::nullopt;
}

bool isUnit(QStringView token)
{
    for (const Unit& u : kUnits) {
        if (u.name.compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The next duration in tokens from at, written "5s" or "5 s"; at moves past it.
std::variant<Duration, ParseError> takeDuration(const QStringList& tokens, qsizetype& at,
                                                const QString& after)
{
    if (at >= tokens.size())
        return ParseError{ParseError::MissingValue, after};
    QString token = tokens[at++];
    if (at < tokens.size() && number(token) && isUnit(tokens[at]))
        token += tokens[at++];
    if (auto d = duration(token))
        return *d;
    return ParseError{ParseError::BadDuration, token};
}

void finish(Rule& rule, const QString& thresholdText, const std::optional<Duration>& forDuration,
            const QString& clearText)
{
    const QString name = measure::keyInfo(rule.key).name.toString();
    const QString lower = name.toLower();
    if (rule.condition == Condition::Silent) {
        rule.text = name + QStringLiteral(" silent ") + forDuration->text;
        rule.id = lower + QStringLiteral("_silent_") + forDuration->text;
        return;
    }
    const bool above = rule.condition == Condition::Above;
    rule.text = name + (above ? u'>' : u'<') + thresholdText;
    rule.id = lower + (above ? QStringLiteral("_gt_") : QStringLiteral("_lt_")) + thresholdText;
    if (forDuration) {
        rule.text += QStringLiteral(" for ") + forDuration->text;
        rule.id += QStringLiteral("_for_") + forDuration->text;
    }
    if (rule.clear) {
        rule.text += QStringLiteral(" clear ") + clearText;
        rule.id += QStringLiteral("_clear_") + clearText;
    }
}
} // namespace

std::variant<Rule, ParseError> parseRule(QStringView written)
{
    // One space between words, whatever the shell or the settings left.
    const QString simple = written.toString().simplified();
    const QStringView text = simple;
    if (text.isEmpty())
        return ParseError{ParseError::Empty, {}};
    Rule rule;
    QStringList tokens;
    qsizetype at = 0;
    qsizetype op = 0;
    while (op < text.size() && text[op] != u'<' && text[op] != u'>')
        ++op;
    if (op == text.size())
        op = -1;
    const qsizetype space = text.indexOf(u' ');
    const QStringView keyText =
        op >= 0 ? text.first(op).trimmed() : text.first(space < 0 ? text.size() : space);
    const std::optional<measure::Key> key = keyCalled(keyText);
    if (!key)
        return ParseError{ParseError::UnknownKey, keyText.toString()};
    rule.key = *key;

    std::optional<Duration> forDuration;
    QString thresholdText;
    QString clearText;
    if (op < 0) {
        tokens = text.sliced(keyText.size()).toString().split(u' ', Qt::SkipEmptyParts);
        if (tokens.isEmpty() || tokens[0].compare(u"silent", Qt::CaseInsensitive) != 0)
            return ParseError{ParseError::NoCondition, tokens.value(0)};
        rule.condition = Condition::Silent;
        at = 1;
        auto d = takeDuration(tokens, at, QStringLiteral("silent"));
        if (auto* e = std::get_if<ParseError>(&d))
            return *e;
        forDuration = std::get<Duration>(d);
    } else {
        rule.condition = text[op] == u'>' ? Condition::Above : Condition::Below;
        const QStringView rest = text.sliced(op + 1);
        if (!rest.isEmpty() && (rest[0] == u'=' || rest[0] == u'<' || rest[0] == u'>'))
            return ParseError{ParseError::BadComparison, text.sliced(op, 2).toString()};
        tokens = rest.toString().split(u' ', Qt::SkipEmptyParts);
        if (tokens.isEmpty())
            return ParseError{ParseError::MissingValue, text.sliced(op, 1).toString()};
        const std::optional<double> threshold = number(tokens[0]);
        if (!threshold)
            return ParseError{ParseError::BadNumber, tokens[0]};
        rule.threshold = *threshold;
        thresholdText = numberText(*threshold);
        at = 1;
        while (at < tokens.size()) {
            const QString word = tokens[at++].toLower();
            if (word == u"for" && !forDuration) {
                auto d = takeDuration(tokens, at, word);
                if (auto* e = std::get_if<ParseError>(&d))
                    return *e;
                forDuration = std::get<Duration>(d);
            } else if (word == u"clear" && !rule.clear) {
                if (at >= tokens.size())
                    return ParseError{ParseError::MissingValue, word};
                rule.clear = number(tokens[at]);
                if (!rule.clear)
                    return ParseError{ParseError::BadNumber, tokens[at]};
                clearText = numberText(*rule.clear);
                // Past the threshold a clear value would clear what it raises.
                const bool wrongSide = rule.condition == Condition::Above
                                           ? *rule.clear >= rule.threshold
                                           : *rule.clear <= rule.threshold;
                if (wrongSide)
                    return ParseError{ParseError::ClearWrongSide, tokens[at]};
                ++at;
            } else {
                return ParseError{ParseError::Unexpected, tokens[at - 1]};
            }
        }
    }
    if (at < tokens.size())
        return ParseError{ParseError::Unexpected, tokens[at]};
    if (forDuration)
        rule.duration = forDuration->length;
    finish(rule, thresholdText, forDuration, clearText);
    return rule;
}

QString errorText(const ParseError& error)
{
    const QString token = error.token;
    switch (error.problem) {
    case ParseError::Empty:
        return QStringLiteral("empty alarm rule");
    case ParseError::UnknownKey:
        if (token.isEmpty())
            return QStringLiteral("no quantity before the condition");
        return QStringLiteral("unknown quantity \"%1\"").arg(token);
    case ParseError::NoCondition:
        if (token.isEmpty())
            return QStringLiteral("no condition: give >, < or silent after the quantity");
        return QStringLiteral("\"%1\" is no condition: give >, < or silent").arg(token);
    case ParseError::BadComparison:
        return QStringLiteral("\"%1\" is no comparison: use > or <").arg(token);
    case ParseError::BadNumber:
        if (token.contains(u','))
            return QStringLiteral("\"%1\" is not a number: write a decimal point").arg(token);
        return QStringLiteral("\"%1\" is not a number").arg(token);
    case ParseError::MissingValue:
        return QStringLiteral("nothing after \"%1\"").arg(token);
    case ParseError::BadDuration:
        return QStringLiteral("\"%1\" is no duration: write 5s, 500ms, 2m or 1h").arg(token);
    case ParseError::ClearWrongSide:
        return QStringLiteral("clear value %1 is on the wrong side: below the threshold for >, "
                              "above it for <")
            .arg(token);
    case ParseError::Unexpected:
        return QStringLiteral("unexpected \"%1\"").arg(token);
    }
    return {};
}

} // namespace korvane::alarms
