#ifndef APP_CONTROLLER_RECORD_H
#define APP_CONTROLLER_RECORD_H

#include <QDateTime>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// What the controller in front of the window has told or confirmed since
// it was identified: the only values a report may state as the
// controller's. Values the pages show from a file or from the keyboard are
// not in it until a write of them is confirmed.
namespace report {

enum class How { Read, Confirmed };

// A parameter value as the controller reported or confirmed it.
struct Known
{
    QJsonValue value;
    How how = How::Read;
    QDateTime at;
};

// A channel's device list as read from or written to the controller.
struct DeviceList
{
    QVector<QStringList> rows; // the device table's cells
    How how = How::Read;
    QDateTime at;
};

struct ControllerRecord
{
    QString serial; // empty: no controller identified
    QDateTime identified_at;
    QString link;                    // how it was reached: a port name, or an address and port
    QMap<QString, Known> parameters; // by key
    // The interfaces of the eight channels, when the identification
    // reported them or a write of them was confirmed.
    QStringList channel_types;
    How channels_how = How::Read;
    QDateTime channels_at;
    QMap<QString, DeviceList> device_lists; // by channel number

    bool identified() const { return !serial.isEmpty(); }
    // Values reported or confirmed now.
    void note(const QString &key, const QJsonValue &value, How how);
};

// The note beside a value: how and when the controller gave it.
QString how_text(How how, const QDateTime &at);

} // namespace report

#endif // APP_CONTROLLER_RECORD_H
