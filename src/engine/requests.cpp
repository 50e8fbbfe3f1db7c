#include "engine/requests.h"

#include <QJsonDocument>

namespace requests {

namespace {

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A JSON string literal for `text`, quotes included.
QByteArray json_string(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // ["..."] -> "..."
}

} // namespace

QByteArray indented(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray identification()
{
    return indented({{"method", "get"}, {"params", QJsonArray{"serial", "fw_ver", "fw_id", "rs_type"}}});
}

QByteArray serial_search()
{
    return indented({{"method", "get"}, {"params", "serial"}});
}

QByteArray network_status()
{
    return indented({{"method", "ipconfig"}});
}

QByteArray parameter_read(const QStringList &keys)
{
    return indented({{"method", "get"}, {"params", QJsonArray::fromStringList(keys)}});
}

QByteArray parameter_write(const QJsonObject &values)
{
    return indented(values);
}

QByteArray settings_dump()
{
    return indented({{"method", "get"}, {"params", "all"}});
}

QByteArray channel_interfaces(const QStringList &types)
{
    return indented({{"rs_type", QJsonArray::fromStringList(types)}});
}

QByteArray device_list_read(const QString &channel)
{
    return "{\"method\":\"get\",\"devices\":\"all" + channel.toUtf8() + "\"}";
}

QByteArray device_list_delete(const QString &channel)
{
    return "{\"method\":\"delete\",\"devices\":\"all" + channel.toUtf8() + "\"}";
}

QByteArray device_list_write(const QJsonArray &devices)
{
    return compact({{"devices", devices}});
}

QByteArray poll_all()
{
    return QByteArrayLiteral("{\"method\": \"poll\", \"devices\":\"all\"}");
}

QByteArray poll_channel(const QString &channel)
{
    return "{\"method\": \"poll\", \"devices\":\"all" + channel.toUtf8() + "\"}";
}

QByteArray poll_device(const QStringList &values)
{
    return "{\"method\": \"poll\", \"devices\":[" + values.join(QLatin1Char(',')).toUtf8() + "]}";
}

QByteArray poll_transmit()
{
    return QByteArrayLiteral("{\"method\": \"poll_transmit\"}");
}

QByteArray upload_header(const QString &file_name, qint64 size)
{
    return indented({{"file", file_name}, {"fl_size", QJsonValue::fromVariant(size)}});
}

QByteArray download(const QString &file_name)
{
    return "{\"method\":\"get\",\"file\":" + json_string(file_name) + "}";
}

QByteArray transmit()
{
    return indented({{"method", "transmit"}});
}

QByteArray update()
{
    return indented({{"method", "update"}});
}

} // namespace requests
