#include "request_dispatcher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

Reply::Reply(const QJsonObject &object) : json(object) {}

Reply Reply::raw(const QByteArray &bytes)
{
    Reply reply;
    reply.raw_bytes = bytes;
    reply.is_raw = true;
    return reply;
}

Reply &Reply::then_read_content(qint64 size, ContentReader content_reader)
{
    expected_content = size;
    reader = std::move(content_reader);
    return *this;
}

Reply &Reply::then_hang_up()
{
    hang_up = true;
    return *this;
}

QByteArray Reply::bytes() const
{
    return is_raw ? raw_bytes : QJsonDocument(json).toJson(QJsonDocument::Compact);
}

bool RequestRoute::matches(const QJsonObject &request) const
{
    // A request without "method" has the empty method, like its route.
    if (request.value(QLatin1String("method")).toString() != method)
        return false;
    if (member.isEmpty())
        return true;
    const QJsonValue found = request.value(member);
    if (found.isUndefined())
        return false;
    if (type != QJsonValue::Undefined && found.type() != type)
        return false;
    return value.isUndefined() || found == value;
}

void RequestDispatcher::add_route(const RequestRoute &route, Handler handler)
{
    entries.append({route, std::move(handler)});
}

Reply RequestDispatcher::reply_to(const QJsonObject &request) const
{
    if (!forced_result.isEmpty())
        return result(forced_result);
    const QString failed = key_error(request);
    if (!failed.isEmpty())
        return result(failed);
    for (const Entry &entry : entries) {
        if (entry.route.matches(request))
            return entry.handler(request);
    }
    return fallback ? fallback(request) : result(QStringLiteral("error_key"));
}

QString RequestDispatcher::key_error(const QJsonObject &request) const
{
    const QJsonValue params = request.value(QLatin1String("params"));
    for (auto failed = key_errors.begin(); failed != key_errors.end(); ++failed) {
        const QString &key = failed.key();
        const bool named = (request.contains(key) && key != QLatin1String("method")) || params == QJsonValue(key)
                           || params == QJsonValue(QLatin1String("all")) || params.toArray().contains(key);
        if (named)
            return failed.value();
    }
    return QString();
}

Reply RequestDispatcher::reply_to_text(const QByteArray &text) const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (forced_result.isEmpty() && (error.error != QJsonParseError::NoError || !document.isObject()))
        return result(QStringLiteral("error_key"));
    return reply_to(document.object());
}

QJsonObject RequestDispatcher::result(const QString &code)
{
    return QJsonObject{{QStringLiteral("result"), code}};
}
