#include "parameter_requests.h"

#include "controller_state.h"
#include "request_dispatcher.h"

void add_parameter_requests(RequestDispatcher &dispatcher, ControllerState &state)
{
    dispatcher.add_route({QStringLiteral("get"), QStringLiteral("params"), QJsonValue::String, QStringLiteral("all")},
                         [&state](const QJsonObject &) {
                             QJsonObject reply = state.live.read_all(state.parameters);
                             reply.insert(QStringLiteral("result"), QStringLiteral("ok"));
                             return reply;
                         });
    dispatcher.add_fallback([&state](const QJsonObject &request) {
        if (request.contains(QLatin1String("method")))
            return RequestDispatcher::result(QStringLiteral("error_key"));
        const QString result = state.parameters.write(request);
        if (result == QLatin1String("ok"))
            state.live.written(request);
        return RequestDispatcher::result(result);
    });
}
