// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/cmdline.h"

#include <QCommandLineParser>

#include <chrono>
#include <cmath>
#include <limits>
#include <optional>

namespace korvane::sim {

namespace {

class Reader
{
public:
    explicit Reader(const QCommandLineParser& parser) : m_parser(parser) {}

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

    std::optional<int> integer(const QString& name, int min, int max)
    {
        if (!m_parser.isSet(name))
            return std::nullopt;
        bool ok = false;
        const QString text = m_parser.value(name);
        const int value = text.toInt(&ok);
        if (!ok || value < min || value > max) {
            fail(QStringLiteral("--%1 wants a whole number from %2 to %3, not \"%4\"")
                     .arg(name)
                     .arg(min)
                     .arg(max)
                     .arg(text));
            return std::nullopt;
        }
        return value;
    }

    std::optional<std::chrono::milliseconds> milliseconds(const QString& name)
    {
        const auto ms = integer(name, 0, std::numeric_limits<int>::max());
        return ms ? std::optional(std::chrono::milliseconds(*ms)) : std::nullopt;
    }

    std::optional<std::chrono::milliseconds> seconds(const QString& name)
    {
        if (!m_parser.isSet(name))
            return std::nullopt;
        bool ok = false;
        const QString text = m_parser.value(name);
        const double value = text.toDouble(&ok);
        constexpr double kMaxSeconds = 1e6;
        if (!ok || !(value >= 0) || value > kMaxSeconds) {
            fail(QStringLiteral("--%1 wants a number of seconds from 0 to %2, not \"%3\"")
                     .arg(name)
                     .arg(kMaxSeconds)
                     .arg(text));
            return std::nullopt;
        }
        return std::chrono::milliseconds(std::llround(value * 1000));
    }

    void fail(const QString& message)
    {
        if (m_error.isEmpty())
            m_error = message;
    }

private:
    const QCommandLineParser& m_parser;
    QString m_error;
};

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual power meter on a pseudo-terminal. Prints the device path as "
                       "the first line of its output, then answers the meter's commands until "
                       "it is interrupted."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("Keep a symlink at <path> to the device."),
         QStringLiteral("path")},
        {QStringLiteral("records"),
         QStringLiteral("Number of stored records, 0 to 65535 (default %1).")
             .arg(kDefaultRecordCount),
         QStringLiteral("n")},
        {QStringLiteral("no-pacing"),
         QStringLiteral("Send as fast as the pty takes bytes, not at 9600 baud.")},
        {QStringLiteral("answer-delay"),
         QStringLiteral("Milliseconds from a command to its answer (default %1).")
             .arg(kDefaultAnswerDelay.count()),
         QStringLiteral("ms")},
        {QStringLiteral("silent-after"), QStringLiteral("Fall silent after <n> answers."),
         QStringLiteral("n")},
        {QStringLiteral("silent-after-seconds"),
         QStringLiteral("Fall silent <s> seconds after start."), QStringLiteral("s")},
        {QStringLiteral("silent-for"),
         QStringLiteral("Answer again <s> seconds after falling silent (default: never)."),
         QStringLiteral("s")},
        {QStringLiteral("fragments-after"),
         QStringLiteral("After <n> answers, send only the first byte or two of each answer."),
         QStringLiteral("n")},
        {QStringLiteral("garbage"),
         QStringLiteral("Send a few random bytes before and after every answer.")},
        {QStringLiteral("garbage-instead"),
         QStringLiteral("Send random bytes instead of every answer.")},
        {QStringLiteral("chunk"), QStringLiteral("Send every answer in pieces of <k> bytes."),
         QStringLiteral("k")},
        {QStringLiteral("chunk-gap"),
         QStringLiteral("Milliseconds between the pieces of --chunk (default 0)."),
         QStringLiteral("ms")},
        {QStringLiteral("wrong-handshake"), QStringLiteral("Answer the handshake with D5 55 54.")},
        {QStringLiteral("bad-count"), QStringLiteral("Answer the count request with 05 04 lo hi.")},
        {QStringLiteral("zero-count"),
         QStringLiteral("Answer the count request with 05 05 00 00 although records are "
                        "stored.")},
        {QStringLiteral("unplug-after"),
         QStringLiteral("Pull the cable shortly after <n> answers."), QStringLiteral("n")},
        {QStringLiteral("unplug-mid-dump"),
         QStringLiteral("Pull the cable after <bytes> bytes of the first dump."),
         QStringLiteral("bytes")},
        {QStringLiteral("restart-mid-dump"),
         QStringLiteral("Restart after <bytes> bytes of the first dump: the rest never comes, "
                        "later commands are answered."),
         QStringLiteral("bytes")},
        {QStringLiteral("replug-after"),
         QStringLiteral("Come back on a new device <s> seconds after an unplug."),
         QStringLiteral("s")},
        {QStringLiteral("verbose"), QStringLiteral("Log commands and events to stderr.")},
    });

    CommandLine result;
    result.helpText = parser.helpText();
    auto failWith = [&](const QString& message) {
        result.action = CommandLine::Action::Fail;
        result.error = message;
        return result;
    };

    if (!parser.parse(arguments))
        return failWith(parser.errorText());
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return failWith(QStringLiteral("unexpected argument \"%1\"")
                            .arg(parser.positionalArguments().constFirst()));

    Reader read(parser);
    MeterOptions& o = result.options;
    o.linkPath = parser.value(QStringLiteral("link"));
    o.recordCount =
        read.integer(QStringLiteral("records"), 0, kMaxRecordCount).value_or(kDefaultRecordCount);
    o.pacing = !parser.isSet(QStringLiteral("no-pacing"));
    o.answerDelay = read.milliseconds(QStringLiteral("answer-delay")).value_or(kDefaultAnswerDelay);
    o.silentAfterAnswers =
        read.integer(QStringLiteral("silent-after"), 0, std::numeric_limits<int>::max());
    o.silentAfterTime = read.seconds(QStringLiteral("silent-after-seconds"));
    o.fragmentsAfterAnswers =
        read.integer(QStringLiteral("fragments-after"), 0, std::numeric_limits<int>::max());
    o.silentFor = read.seconds(QStringLiteral("silent-for"));
    o.chunkSize =
        read.integer(QStringLiteral("chunk"), 1, std::numeric_limits<int>::max()).value_or(0);
    o.chunkGap =
        read.milliseconds(QStringLiteral("chunk-gap")).value_or(std::chrono::milliseconds{0});
    o.wrongHandshake = parser.isSet(QStringLiteral("wrong-handshake"));
    o.badCount = parser.isSet(QStringLiteral("bad-count"));
    o.zeroCount = parser.isSet(QStringLiteral("zero-count"));
    o.unplugMidDump =
        read.integer(QStringLiteral("unplug-mid-dump"), 0, std::numeric_limits<int>::max());
    o.unplugAfterAnswers =
        read.integer(QStringLiteral("unplug-after"), 1, std::numeric_limits<int>::max());
    o.restartMidDump =
        read.integer(QStringLiteral("restart-mid-dump"), 0, std::numeric_limits<int>::max());
    o.replugAfter = read.seconds(QStringLiteral("replug-after"));
    result.verbose = parser.isSet(QStringLiteral("verbose"));

    const bool garbage = parser.isSet(QStringLiteral("garbage"));
    const bool garbageInstead = parser.isSet(QStringLiteral("garbage-instead"));
    o.garbage = garbageInstead ? Garbage::Replace : garbage ? Garbage::Surround : Garbage::None;

    if (garbage && garbageInstead)
        read.fail(QStringLiteral("--garbage and --garbage-instead exclude each other"));
    if (o.unplugMidDump && o.restartMidDump)
        read.fail(QStringLiteral("--unplug-mid-dump and --restart-mid-dump exclude each other"));
    if (parser.isSet(QStringLiteral("chunk-gap")) && o.chunkSize == 0)
        read.fail(QStringLiteral("--chunk-gap needs --chunk"));
    if (parser.isSet(QStringLiteral("silent-for")) && !o.silentAfterAnswers && !o.silentAfterTime)
        read.fail(QStringLiteral("--silent-for needs --silent-after or --silent-after-seconds"));
    if (read.failed())
        return failWith(read.error());
    if (const QString problem = checkOptions(o); !problem.isEmpty())
        return failWith(problem);
    return result;
}

} // namespace korvane::sim
