#include "live_values.h"

#include "parameter_store.h"

#include <QDateTime>

#include <cmath>

namespace {

const QString clock_format = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// The wall clock's fields read as if they were UTC, in seconds: shifting
// them never meets a daylight-saving gap.
qint64 wall_seconds(QDateTime time)
{
    time.setTimeSpec(Qt::UTC);
    return time.toSecsSinceEpoch();
}

// A clock text's fields as UTC; invalid unless `text` is exactly of the
// clock's form.
QDateTime clock_fields(const QString &text)
{
    if (text.size() != 19 || text.at(10) != QLatin1Char(' '))
        return QDateTime();
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("hh:mm:ss"));
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

QJsonValue rounded(double value, int decimals)
{
    if (decimals <= 0)
        return qint64(std::llround(value));
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

} // namespace

LiveValues::LiveValues(quint32 seed) : random(seed)
{
    since_start.start();
}

void LiveValues::run_clock(const QString &key)
{
    clock_key = key;
    clock_offset_s = 0;
}

void LiveValues::count_uptime(const QString &key)
{
    uptime_key = key;
}

void LiveValues::drift(const QString &key, const Drift &drift)
{
    drifts.insert(key, drift);
}

QString LiveValues::clock_text(const QDateTime &local_time)
{
    return QDateTime::fromSecsSinceEpoch(wall_seconds(local_time), Qt::UTC).toString(clock_format);
}

double LiveValues::uniform()
{
    // Not std::uniform_real_distribution: its numbers differ between
    // standard libraries, these are the same wherever the seed is.
    return double(random()) / 4294967296.0;
}

QJsonValue LiveValues::next_value(const QString &key, const QJsonValue &current)
{
    if (key == clock_key) {
        const qint64 now = wall_seconds(QDateTime::currentDateTime()) + clock_offset_s;
        return QDateTime::fromSecsSinceEpoch(now, Qt::UTC).toString(clock_format);
    }
    if (key == uptime_key)
        return since_start.elapsed() / 1000;
    const auto drift = drifts.constFind(key);
    if (drift == drifts.constEnd())
        return current;
    const double value = current.toDouble(drift->level);
    const double step =
        drift->falls ? -drift->step * uniform() : (drift->level - value) * 0.3 + drift->step * (2.0 * uniform() - 1.0);
    return rounded(qBound(drift->low, value + step, drift->high), drift->decimals);
}

QJsonValue LiveValues::read(ParameterStore &store, const QString &key)
{
    const QJsonValue current = store.value(key);
    if (current.isUndefined())
        return current;
    const QJsonValue next = next_value(key, current);
    // A value the key's type does not take (a catalogue with other types)
    // leaves the stored one as it is.
    if (next == current || store.write(QJsonObject{{key, next}}) != QLatin1String("ok"))
        return current;
    return next;
}

QJsonObject LiveValues::read_all(ParameterStore &store)
{
    for (const QString &key : {clock_key, uptime_key})
        if (!key.isEmpty())
            read(store, key);
    for (auto drift = drifts.constBegin(); drift != drifts.constEnd(); ++drift)
        read(store, drift.key());
    return store.all();
}

void LiveValues::written(const QJsonObject &values)
{
    for (auto member = values.begin(); member != values.end(); ++member) {
        if (member.key() == clock_key) {
            const QDateTime time = clock_fields(member.value().toString());
            if (time.isValid())
                clock_offset_s = wall_seconds(time) - wall_seconds(QDateTime::currentDateTime());
            else
                clock_key.clear();
        } else if (member.key() == uptime_key) {
            uptime_key.clear();
        } else {
            drifts.remove(member.key());
        }
    }
}
