#include "identity_requests.h"

#include "controller_state.h"
#include "request_dispatcher.h"

#include <QJsonArray>

namespace {

// The value of one identity key, or Undefined for keys that are not about
// identity (the parameter store answers those).
QJsonValue identity_value(const ControllerState &state, const QString &key)
{
    if (key == QLatin1String("serial"))
        return state.serial;
    if (key == QLatin1String("fw_ver"))
        return state.fw_ver;
    if (key == QLatin1String("fw_id"))
        return state.fw_id;
    if (key == QLatin1String("rs_type"))
        return QJsonArray::fromStringList(state.rs_type);
    return QJsonValue(QJsonValue::Undefined);
}

// Identity keys and parameter keys alike: one get may ask for both.
QJsonObject identity_values(ControllerState &state, const QJsonArray &keys)
{
    QJsonObject reply;
    for (const QJsonValue &key : keys) {
        QJsonValue value = identity_value(state, key.toString());
        if (value.isUndefined())
            value = state.live.read(state.parameters, key.toString());
        if (!value.isUndefined())
            reply.insert(key.toString(), value);
    }
    return reply;
}

QJsonObject network_status(const ControllerState &state)
{
    QJsonArray entries;
    for (const AddressQuad &quad : state.ipconfig)
        entries.append(QJsonArray{quad[0], quad[1], quad[2], quad[3]});
    return QJsonObject{{QStringLiteral("ipconfig"), entries}};
}

} // namespace

void add_identity_requests(RequestDispatcher &dispatcher, ControllerState &state)
{
    const QString get = QStringLiteral("get");
    const QString params = QStringLiteral("params");

    dispatcher.add_route({get, params, QJsonValue::Array}, [&state, params](const QJsonObject &request) {
        return identity_values(state, request.value(params).toArray());
    });
    dispatcher.add_route({get, params, QJsonValue::String, QStringLiteral("serial")}, [&state](const QJsonObject &) {
        return QJsonObject{{QStringLiteral("serial"), state.serial}};
    });
    dispatcher.add_route({QStringLiteral("ipconfig")}, [&state](const QJsonObject &) { return network_status(state); });
}
