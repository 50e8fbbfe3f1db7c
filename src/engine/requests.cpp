#include "engine/requests.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace requests {

namespace {

QByteArray indented(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace

QByteArray identification()
{
    return indented({{"method", "get"},
                     {"params", QJsonArray{"serial", "fw_ver", "fw_id", "rs_type"}}});
}

QByteArray serial_search()
{
    return indented({{"method", "get"}, {"params", "serial"}});
}

QByteArray network_status()
{
    return indented({{"method", "ipconfig"}});
}

} // namespace requests
