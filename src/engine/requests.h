#ifndef ENGINE_REQUESTS_H
#define ENGINE_REQUESTS_H

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// Request texts as the controller expects them, byte for byte. The
// controller's protocol fixes the form of each one: a literal text with its
// own spacing, a concatenation without spaces, indented JSON (keys sorted,
// four-space indentation, a final line feed) or compact JSON.
namespace requests {

// The indented form of a JSON object.
QByteArray indented(const QJsonObject &object);
// --- Identification and network state ---
// {"method":"get","params":["serial","fw_ver","fw_id","rs_type"]}, indented.
QByteArray identification();
// {"method":"get","params":"serial"}, indented.
QByteArray serial_search();
// {"method":"ipconfig"}, indented.
QByteArray network_status();

// --- Parameters ---
// {"method":"get","params":[keys...]}, indented.
QByteArray parameter_read(const QStringList &keys);
// The values object itself (no "method"), indented.
QByteArray parameter_write(const QJsonObject &values);
// {"method":"get","params":"all"}, indented: every parameter and "result".
QByteArray settings_dump();
// {"rs_type":[eight interface texts]}, indented.
QByteArray channel_interfaces(const QStringList &types);

// --- Device lists and polls ---
// {"method":"get","devices":"allN"} for channel text N, no spaces.
QByteArray device_list_read(const QString &channel);
// {"method":"delete","devices":"allN"}, no spaces.
QByteArray device_list_delete(const QString &channel);
// {"devices":[[...],...]} in compact JSON: the same bytes as the indented
// form with every space and line feed removed whenever no text holds a
// space (a line feed inside a text is written escaped), and the texts kept
// whole when they do.
QByteArray device_list_write(const QJsonArray &devices);
// {"method": "poll", "devices":"all"}: 35 bytes, as the controller knows it.
QByteArray poll_all();
// {"method": "poll", "devices":"allN"}.
QByteArray poll_channel(const QString &channel);
// {"method": "poll", "devices":[V1,...]}, the values written as raw text.
QByteArray poll_device(const QStringList &values);
// {"method": "poll_transmit"}: 27 bytes.
QByteArray poll_transmit();

// --- Files and firmware ---
// {"file": name, "fl_size": size}, indented.
QByteArray upload_header(const QString &file_name, qint64 size);
// {"method":"get","file":"NAME"}, no spaces; the name escaped as a JSON
// string, so a name without quotes, backslashes or control characters
// goes out as typed.
QByteArray download(const QString &file_name);
// {"method":"transmit"}, indented.
QByteArray transmit();
// {"method":"update"}, indented.
QByteArray update();

} // namespace requests

#endif // ENGINE_REQUESTS_H
