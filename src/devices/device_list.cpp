#include "devices/device_list.h"

#include "app/safe_files.h"
#include "engine/exchange.h"

#include <QDateTime>
#include <QHash>
#include <QTextStream>

namespace device_list {

namespace {

// A reply text: strings as they are (cut to what a cell shows), numbers
// and booleans as written; arrays, objects and null read as empty.
QString text_of(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
    case QJsonValue::Double:
    case QJsonValue::Bool: return exchange::shown_text(value.toVariant().toString());
    default: return QString();
    }
}

QString number_text(const QJsonArray &device, int element)
{
    return element < device.size() ? QString::number(exchange::reply_number(device.at(element))) : QString();
}

bool whole_number(const QString &text, int *number)
{
    bool ok = false;
    *number = text.toInt(&ok, 10);
    return ok;
}

} // namespace

QJsonArray device_array(const QStringList &cells, int model_code, int channel)
{
    // A cell the row lacks reads as empty.
    const auto number = [&cells](int column) { return cells.value(column).toInt(nullptr, 10); };
    return QJsonArray{
        number(NumberColumn),  model_code, cells.value(SerialColumn), number(VersionColumn),  cells.value(MakerColumn),
        number(AddressColumn), channel,    number(SpeedColumn),       cells.value(NoteColumn)};
}

PollRefusal poll_values(const QStringList &cells, const Models &models, const QString &channel, QStringList *values)
{
    values->clear();
    if (cells.value(NumberColumn).isEmpty())
        return PollRefusal::EmptyRow;
    int code = 0;
    if (!models.code_of_name(cells.value(ModelColumn), &code))
        return PollRefusal::UnknownModel;
    int channel_number = 0, address = 0, speed = 0;
    if (!whole_number(channel, &channel_number) || !whole_number(cells.value(AddressColumn), &address)
        || !whole_number(cells.value(SpeedColumn), &speed))
        return PollRefusal::NotNumbers;
    *values = QStringList{QString::number(code), QString::number(channel_number), QString::number(address),
                          QString::number(speed)};
    return PollRefusal::None;
}

QVector<ListedDevice> listed_devices(const QJsonObject &reply, const Models &models, int limit)
{
    const QJsonArray devices = reply.value(QStringLiteral("devices")).toArray();
    QVector<ListedDevice> listed;
    const int count = qMin(devices.size(), qMax(limit, 0));
    listed.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QJsonArray device = devices.at(i).toArray();
        const auto text = [&device](int element) {
            return element < device.size() ? text_of(device.at(element)) : QString();
        };
        ListedDevice entry;
        const QString model = device.size() > 1 ? models.name_of_code(exchange::reply_number(device.at(1))) : QString();
        // Element 6 is the channel, which the table does not show.
        entry.cells = QStringList{number_text(device, 0), model,   text(2),
                                  number_text(device, 3), text(4), number_text(device, 5),
                                  number_text(device, 7), text(8), number_text(device, 9)};
        entry.polled = device.size() > 9 && exchange::reply_number(device.at(9)) != 0;
        listed.append(entry);
    }
    return listed;
}

QVector<int> duplicate_rows(const QVector<QStringList> &rows)
{
    // Model, serial number, version and manufacturer, compared exactly.
    const auto key_of = [](const QStringList &cells) {
        QStringList key;
        for (int column = ModelColumn; column <= MakerColumn; ++column)
            key << cells.value(column);
        return key;
    };
    QHash<QStringList, int> counts;
    for (const QStringList &cells : rows)
        ++counts[key_of(cells)];
    QVector<int> marked;
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList key = key_of(rows.at(i));
        if (counts.value(key) < 2)
            continue;
        for (int j = i; j < rows.size(); ++j) {
            if (key_of(rows.at(j)) == key)
                marked.append(j);
        }
        break;
    }
    return marked;
}

QVector<QStringList> rows_from_file(QIODevice &file, int limit)
{
    // Read through the system's code page, as the export writes; a file
    // that starts with a byte-order mark is read as Unicode.
    QTextStream stream(&file);
    QStringList fields;
    int lines = 0;
    const int wanted_fields = limit * device_columns;
    while (!stream.atEnd() && (lines < limit || fields.size() < wanted_fields)) {
        fields << stream.readLine().split(QLatin1Char(';'));
        ++lines;
    }
    QVector<QStringList> rows;
    for (int row = 0; row < qMin(lines, limit); ++row) {
        QStringList cells;
        for (int column = 0; column < device_columns; ++column) {
            const int field = row * device_columns + column;
            cells << (field < fields.size() ? fields.at(field) : QString());
        }
        rows.append(cells);
    }
    return rows;
}

QString export_line(const QStringList &cells)
{
    QStringList fields;
    for (int column = 0; column < device_columns; ++column) {
        QString field = cells.value(column);
        field.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        fields << field;
    }
    return fields.join(QLatin1Char(';')) + QLatin1Char('\n');
}

QString export_file_name(const QString &serial, const QDateTime &moment, const QString &channel)
{
    return QStringLiteral("USPD_№_") + safe_files::name_part(serial)
           + moment.toString(QStringLiteral("_dd_MM_yyyy_hh_mm_ss")) + QStringLiteral("_канал_")
           + safe_files::name_part(channel) + QStringLiteral(".csv");
}

} // namespace device_list
