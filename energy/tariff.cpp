// SPDX-License-Identifier: GPL-3.0-or-later
#include "energy/tariff.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <bitset>
#include <cmath>

namespace korvane::energy {

namespace {
constexpr int kMinutesPerDay = 24 * 60;
constexpr int kMsPerMinute = 60'000;

// Parsed by hand rather than with QSettings, so an error can name its line.
class TariffParser
{
public:
    ParsedTariff parse(QByteArrayView text);

private:
    bool fail(const QString& key, const QString& message)
    {
        m_error = {m_line, key, message};
        return false;
    }
    bool parseLine(QStringView line);
    bool parseSection(QStringView name);
    bool parseEntry(const QString& key, const QString& value);
    bool parsePrice(const QString& key, const QString& value, double* price);
    bool parseWindow(const QString& key, QStringView span, double price);
    bool finishPeriod();

    Tariff m_tariff;
    std::optional<TariffPeriod> m_period;
    bool m_periodHasPrice = false;
    int m_periodLine = 0;
    std::bitset<kMinutesPerDay> m_covered;
    QSet<QString> m_keys; // of the section being read
    TariffError m_error;
    int m_line = 0;
};

ParsedTariff TariffParser::parse(QByteArrayView text)
{
    QString all = QString::fromUtf8(text);
    if (all.startsWith(QChar(0xfeff)))
        all.remove(0, 1); // a byte-order mark some editors write
    const QStringList lines = all.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        ++m_line;
        if (!parseLine(QStringView(raw).trimmed()))
            return {std::nullopt, m_error};
    }
    if (!finishPeriod())
        return {std::nullopt, m_error};
    m_line = 0;
    if (m_tariff.currency.isEmpty()) {
        fail(QStringLiteral("currency"), QStringLiteral("no currency given"));
        return {std::nullopt, m_error};
    }
    if (m_tariff.periods.empty()) {
        fail({}, QStringLiteral("no [from YYYY-MM-DD] section with prices"));
        return {std::nullopt, m_error};
    }
    return {m_tariff, {}};
}

bool TariffParser::parseLine(QStringView line)
{
    if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
        return true;
    if (line.startsWith(u'[')) {
        if (!line.endsWith(u']'))
            return fail(line.toString(), QStringLiteral("a section must end with ]"));
        return parseSection(line.sliced(1, line.size() - 2).trimmed());
    }
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return fail(line.toString(), QStringLiteral("expected key = value"));
    return parseEntry(line.first(equals).trimmed().toString(),
                      line.sliced(equals + 1).trimmed().toString());
}

bool TariffParser::parseSection(QStringView name)
{
    if (!finishPeriod())
        return false;
    static const QRegularExpression kFrom(QStringLiteral(R"(^from\s+(\d{4}-\d{2}-\d{2})$)"));
    const QRegularExpressionMatch match = kFrom.match(name.toString());
    const QDate date =
        match.hasMatch() ? QDate::fromString(match.captured(1), Qt::ISODate) : QDate();
    const QString section = QLatin1Char('[') + name.toString() + QLatin1Char(']');
    if (!date.isValid())
        return fail(section, QStringLiteral("expected [from YYYY-MM-DD] with a real date"));
    if (!m_tariff.periods.empty() && m_tariff.periods.back().from >= date)
        return fail(section, QStringLiteral("dates must follow each other, later ones below"));
    m_period = TariffPeriod{date, 0, {}, 0};
    m_periodHasPrice = false;
    m_periodLine = m_line;
    m_covered.reset();
    m_keys.clear();
    return true;
}

bool TariffParser::parseEntry(const QString& key, const QString& value)
{
    // A second line would silently win over the first.
    if (m_keys.contains(key))
        return fail(key, QStringLiteral("given twice"));
    m_keys.insert(key);
    if (!m_period) {
        if (key != u"currency")
            return fail(key, QStringLiteral("only currency comes before the first section"));
        if (value.isEmpty())
            return fail(key, QStringLiteral("the currency text is empty"));
        m_tariff.currency = value;
        return true;
    }
    double number = 0;
    if (!parsePrice(key, value, &number))
        return false;
    if (key == u"standing") {
        m_period->standingPerDay = number;
        return true;
    }
    if (key == u"price") {
        m_period->pricePerKwh = number;
        m_periodHasPrice = true;
        return true;
    }
    if (key.startsWith(u"price "))
        return parseWindow(key, QStringView(key).sliced(6).trimmed(), number);
    return fail(key, QStringLiteral("unknown key (currency, standing, price, price HH:MM-HH:MM)"));
}

bool TariffParser::parsePrice(const QString& key, const QString& value, double* price)
{
    bool ok = false;
    *price = value.toDouble(&ok);
    if (!ok || !std::isfinite(*price) || *price < 0)
        return fail(key, QStringLiteral("not a price: \"%1\"").arg(value));
    return true;
}

bool TariffParser::parseWindow(const QString& key, QStringView span, double price)
{
    static const QRegularExpression kSpan(QStringLiteral(R"(^(\d\d):(\d\d)-(\d\d):(\d\d)$)"));
    const QRegularExpressionMatch match = kSpan.match(span.toString());
    const auto minuteOf = [&match](int hourGroup) {
        const int hours = match.captured(hourGroup).toInt();
        const int minutes = match.captured(hourGroup + 1).toInt();
        // 24:00 is the end of the day; beyond it is no time.
        if (minutes > 59 || hours > 24 || (hours == 24 && minutes != 0))
            return -1;
        return hours * 60 + minutes;
    };
    const int from = match.hasMatch() ? minuteOf(1) : -1;
    const int to = match.hasMatch() ? minuteOf(3) : -1;
    if (from < 0 || to < 0 || from == kMinutesPerDay)
        return fail(key, QStringLiteral("expected a window HH:MM-HH:MM between 00:00 and 24:00"));
    if (from == to % kMinutesPerDay)
        return fail(key, QStringLiteral("an empty window, or one of the whole day"));
    for (int m = from; m != to % kMinutesPerDay; m = (m + 1) % kMinutesPerDay) {
        if (m_covered[std::size_t(m)])
            return fail(key, QStringLiteral("overlaps another window"));
        m_covered[std::size_t(m)] = true;
    }
    m_period->windows.push_back({from, to % kMinutesPerDay, price});
    return true;
}

bool TariffParser::finishPeriod()
{
    if (!m_period)
        return true;
    if (!m_periodHasPrice) {
        m_line = m_periodLine;
        return fail(QStringLiteral("[from %1]").arg(m_period->from.toString(Qt::ISODate)),
                    QStringLiteral("no price"));
    }
    m_tariff.periods.push_back(*m_period);
    m_period.reset();
    return true;
}
} // namespace

bool PriceWindow::contains(int msOfDay) const
{
    const int from = fromMinute * kMsPerMinute;
    const int to = toMinute * kMsPerMinute;
    return from < to ? msOfDay >= from && msOfDay < to : msOfDay >= from || msOfDay < to;
}

const TariffPeriod* Tariff::periodOn(QDate date) const
{
    const auto after = std::upper_bound(periods.begin(), periods.end(), date,
                                        [](QDate d, const TariffPeriod& p) { return d < p.from; });
    return after == periods.begin() ? nullptr : &*std::prev(after);
}

std::optional<double> Tariff::pricePerKwh(qint64 ms, const QTimeZone& zone) const
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms, zone);
    const TariffPeriod* period = periodOn(local.date());
    if (!period)
        return std::nullopt;
    const int msOfDay = local.time().msecsSinceStartOfDay();
    for (const PriceWindow& window : period->windows) {
        if (window.contains(msOfDay))
            return window.pricePerKwh;
    }
    return period->pricePerKwh;
}

double Tariff::standingCharge(qint64 fromMs, qint64 toMs, const QTimeZone& zone) const
{
    if (toMs <= fromMs)
        return 0;
    const QDate first = QDateTime::fromMSecsSinceEpoch(fromMs, zone).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(toMs - 1, zone).date();
    double sum = 0;
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        if (const TariffPeriod* period = periodOn(day))
            sum += period->standingPerDay;
    }
    return sum;
}

QString TariffError::text() const
{
    QString where = line > 0 ? QStringLiteral("line %1").arg(line) : QString();
    if (!key.isEmpty())
        where += (where.isEmpty() ? QString() : QStringLiteral(", ")) + key;
    return where.isEmpty() ? message : where + QStringLiteral(": ") + message;
}

ParsedTariff parseTariff(QByteArrayView text)
{
    return TariffParser().parse(text);
}

ParsedTariff readTariff(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, {0, {}, QStringLiteral("%1: %2").arg(path, file.errorString())}};
    return parseTariff(file.readAll());
}

QString formatAmount(double amount, const QString& currency)
{
    // Rounded to the cent first, so a tiny negative never shows as "-0.00".
    const double cents = std::round(amount * 100.0);
    return QString::number(cents == 0 ? 0.0 : cents / 100.0, 'f', 2) + QLatin1Char(' ') + currency;
}

} // namespace korvane::energy
