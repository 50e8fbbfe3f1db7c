#ifndef DEVICES_DEVICE_LIST_H
#define DEVICES_DEVICE_LIST_H

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include "devices/models.h"

class QDateTime;
class QIODevice;

// The device list as plain data: the rows of the device table, the device
// arrays the controller reads and writes, the device-list files and the
// export names. Nothing here touches a widget.
namespace device_list {

constexpr int table_rows = 256;
constexpr int table_columns = 9;
// Columns 0 to 7 are the device; column 8 is the controller's poll result,
// which is never written anywhere.
constexpr int device_columns = 8;

enum Column {
    NumberColumn = 0,
    ModelColumn = 1,
    SerialColumn = 2,
    VersionColumn = 3,
    MakerColumn = 4,
    AddressColumn = 5,
    SpeedColumn = 6,
    NoteColumn = 7,
};

// One device in the order the controller writes it: device number, model
// code, serial number, version, manufacturer, network address, channel,
// exchange speed, note. `cells` are the texts of table columns 0 to 7;
// numbers that are not whole numbers go out as 0.
QJsonArray device_array(const QStringList &cells, int model_code, int channel);

// Why a row cannot be polled on its own.
enum class PollRefusal {
    None,
    EmptyRow,     // the row holds no device
    UnknownModel, // its model is not in the models list
    NotNumbers,   // its network address or exchange speed is not a whole number
};

// The values of a one-device poll, as the request writes them: model code,
// channel, network address, exchange speed. Only whole numbers go out, so
// that what the user typed cannot break the request.
PollRefusal poll_values(const QStringList &cells, const Models &models, const QString &channel, QStringList *values);

// A device as a device-list reply gives it: the texts of the nine table
// columns and whether the controller's last poll of it succeeded.
struct ListedDevice
{
    QStringList cells;
    bool polled = false;
};

// The devices of a device-list reply ({"devices":[[ten values], ...]}), at
// most `limit`. Element 6 (the channel) is not shown; a missing element
// reads as an empty cell, a value of the wrong type as 0 or an empty text,
// a model code without a model as an empty model cell.
QVector<ListedDevice> listed_devices(const QJsonObject &reply, const Models &models, int limit = table_rows);

// Rows of the first occupied block whose model, serial number, version and
// manufacturer are all equal to those of another row: the first such group
// in table order (the rows to mark), empty when all rows differ. `rows`
// holds the cells of the occupied rows from row 0 on.
QVector<int> duplicate_rows(const QVector<QStringList> &rows);

// A device-list file: ";"-separated fields, eight per device. All fields of
// all lines form one sequence that is dealt out eight per row, one row per
// line, so a line with a field too many or too few shifts the rows after
// it. At most `limit` rows; a missing field reads as an empty text.
QVector<QStringList> rows_from_file(QIODevice &file, int limit = table_rows);

// One line of the export: the texts of columns 0 to 7 joined by ";", ended
// by a line feed. A line break inside a text becomes a blank, so that every
// device stays on its own line.
QString export_line(const QStringList &cells);

// USPD_№_<serial>_dd_MM_yyyy_hh_mm_ss_канал_<channel>.csv; the serial
// number and channel made fit to stand in a file name.
QString export_file_name(const QString &serial, const QDateTime &moment, const QString &channel);

} // namespace device_list

#endif // DEVICES_DEVICE_LIST_H
