#ifndef LIVE_VALUES_H
#define LIVE_VALUES_H

#include <QElapsedTimer>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>

#include <random>

class ParameterStore;
class QDateTime;

// Parameters that change by themselves, as on a working controller: the
// clock runs, the uptime counts and measurements drift a little around
// their usual level. Every read moves them and stores what it shows, so the
// store always holds the last value read. Nothing moves until keys are
// given to it: by default every value stays as stored.
class LiveValues
{
public:
    // How a measurement moves on each read: a random step of at most `step`
    // either way with a pull back towards `level` (or, when `falls`, a step
    // of at most `step` down), never outside [low, high], rounded to
    // `decimals` places (an Int key takes 0).
    struct Drift
    {
        double level;
        double step;
        double low;
        double high;
        int decimals;
        bool falls = false;
    };

    // The random steps repeat for the same seed.
    explicit LiveValues(quint32 seed = 1);

    // `key` shows the computer's wall clock as "yyyy-MM-dd hh:mm:ss"; a
    // written time in that form shifts it, anything else stops it.
    void run_clock(const QString &key);
    // `key` counts the whole seconds since this object was made.
    void count_uptime(const QString &key);
    void drift(const QString &key, const Drift &drift);

    // The value of `key` as read now (Undefined for a key the store lacks).
    QJsonValue read(ParameterStore &store, const QString &key);
    // Every parameter of the store, the moving ones read now.
    QJsonObject read_all(ParameterStore &store);
    // After `values` have been stored: a written clock is shifted to the
    // written time, any other moving key stays as written.
    void written(const QJsonObject &values);

    // The clock text of a wall-clock time: its fields as they are, without
    // any time-zone conversion, to the second.
    static QString clock_text(const QDateTime &local_time);

private:
    QJsonValue next_value(const QString &key, const QJsonValue &current);
    double uniform(); // [0, 1)

    std::mt19937 random;
    QElapsedTimer since_start;
    QString clock_key;
    qint64 clock_offset_s = 0;
    QString uptime_key;
    QMap<QString, Drift> drifts;
};

#endif // LIVE_VALUES_H
