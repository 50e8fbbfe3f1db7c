#ifndef PARAMS_PARAMETER_VALUES_H
#define PARAMS_PARAMETER_VALUES_H

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// Parameter values both ways: what a reply (or a settings file) holds,
// shown in a row of its type, and what a row holds, sent as the JSON value
// the controller expects for that type.
namespace params {

// How a value from the controller is shown: the first of "String", "Itf",
// "Uart", "Float", "Int[]" that the type text contains, Int otherwise.
enum class ValueKind { String, Itf, Uart, Float, IntArray, Int };
ValueKind value_kind(const QString &type);

// The editor of a row's value cell: "Uart" first, then "Itf", else a
// plain table item.
enum class EditorKind { Uart, Itf, Plain };
EditorKind editor_kind(const QString &type);

// Items of the Uart editor's three boxes and of the Itf box, in order.
QStringList uart_bits_items();
QStringList uart_parity_items();
QStringList uart_stop_items();
QStringList itf_items();

// Text of a plain value cell for a value of the kinds String, Float,
// IntArray and Int. Float: six significant digits (1234567 -> 1.23457e+06);
// Int[]: the elements joined with "." (a text as it stands); Int: the whole
// number (a number with a fraction keeps it). A value of another JSON type
// reads as "" or "0".
QString cell_text(ValueKind kind, const QJsonValue &value);

// A Uart value "speed_frame" such as 19200_7E2, as the editor shows it.
// A box index of -1 leaves that box as it is.
struct UartSetting
{
    QString speed;
    int data_bits = -1; // 0: 7 bits, 1: 8 bits
    int parity = -1;    // 0: N, 1: E, 2: O
    int stop_bits = -1; // 0: 1 stop bit, 1: 2 stop bits
};
// A value without "_" sets the speed only.
UartSetting decode_uart(const QString &value);
// Speed, "_", the last word of the data-bits item, the first word of the
// parity item and the last word of the stop-bits item: 9600_8N1.
QString encode_uart(const QString &speed, const QString &bits_item, const QString &parity_item,
                    const QString &stop_item);

// The Itf item a value selects: the last item whose text contains it
// ("" selects the last item), -1 when none does.
int itf_index(const QStringList &items, const QString &value);
// The interface code of an Itf item: its first word ("485").
QString itf_code(const QString &item);

// What a row offers to a write: the text of its value item, the current
// item of its Itf box and the value of its Uart editor.
struct WriteSource
{
    QString text;
    QString itf_item;
    QString uart;
};
// The JSON value written for a row of `type`: "String" the text, "Int" a
// base-10 whole number, "Float" a number (0 when the text is not one),
// "Int[]" the text's "."-separated parts as strings, "Itf" the box's code,
// "Uart" the editor's value; a later match replaces an earlier one.
// Undefined when the type has none of these marks.
QJsonValue write_value(const QString &type, const WriteSource &source);

// The clock parameter's text: the computer's local wall-clock time to the
// second, without any time-zone conversion ("2026-12-06 14:05:09").
QString clock_text(const QDateTime &local_time);

} // namespace params

#endif // PARAMS_PARAMETER_VALUES_H
