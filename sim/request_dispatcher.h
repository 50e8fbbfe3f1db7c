#ifndef REQUEST_DISPATCHER_H
#define REQUEST_DISPATCHER_H

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QVector>

#include <functional>

// A reply as it goes on the wire. Almost every reply is a JSON object; the
// few that are not (a downloaded file followed by its status) are raw bytes
// composed by their handler.
//
// A reply may also say what the connection does next: read content that
// the request announced (a file upload) instead of the next request, or
// hang up once the reply is out (the controller restarting for an update).
class Reply
{
public:
    // Answers the content once all of it has come, or with what has come
    // when the sender stops short.
    using ContentReader = std::function<Reply(const QByteArray &content)>;

    // Implicit, so that handlers can return their object as it is.
    Reply(const QJsonObject &object);
    static Reply raw(const QByteArray &bytes);

    // After this reply the next `size` bytes are content for `reader`.
    Reply &then_read_content(qint64 size, ContentReader reader);
    Reply &then_hang_up();

    qint64 content_size() const { return expected_content; }
    ContentReader content_reader() const { return reader; }
    bool hangs_up() const { return hang_up; }

    bool is_object() const { return !is_raw; }
    QJsonObject object() const { return json; }
    // Compact JSON without a trailing line feed, so that the last byte is
    // the closing brace the configurator waits for.
    QByteArray bytes() const;

private:
    Reply() = default;

    QJsonObject json;
    QByteArray raw_bytes;
    bool is_raw = false;
    qint64 expected_content = 0;
    ContentReader reader;
    bool hang_up = false;
};

// Which requests a handler answers. Requests are told apart by "method"
// (empty for the requests that carry none) and, where one method has several
// shapes, by one member: that it is present, its JSON type, or its value.
struct RequestRoute
{
    RequestRoute(const QString &method, const QString &member = QString(),
                 QJsonValue::Type type = QJsonValue::Undefined,
                 const QJsonValue &value = QJsonValue(QJsonValue::Undefined))
        : method(method), member(member), type(type), value(value)
    {
    }

    bool matches(const QJsonObject &request) const;

    QString method;
    QString member;        // empty: any request of the method
    QJsonValue::Type type; // Undefined: any type
    QJsonValue value;      // Undefined: any value
};

// Turns one request into one reply through a table of handlers. Routes are
// tried in the order they were added, so the specific ones go first.
// Requests that no route takes get {"result":"error_key"}.
class RequestDispatcher
{
public:
    using Handler = std::function<Reply(const QJsonObject &request)>;

    void add_route(const RequestRoute &route, Handler handler);
    // Answers the requests that no route takes (instead of error_key),
    // whatever the order in which the routes were added.
    void add_fallback(Handler handler) { fallback = std::move(handler); }

    Reply reply_to(const QJsonObject &request) const;
    // As above for the request's text; a text that is not a JSON object is
    // answered like an unknown request.
    Reply reply_to_text(const QByteArray &text) const;

    // From now on every request is answered with {"result": code} instead
    // of its data; an empty code restores the normal replies.
    void force_result(const QString &code) { forced_result = code; }
    // From now on every request that reads or writes `key` (by name, or all
    // parameters at once) is answered with {"result": code}.
    void fail_key(const QString &key, const QString &code) { key_errors.insert(key, code); }

    static QJsonObject result(const QString &code);

private:
    struct Entry
    {
        RequestRoute route;
        Handler handler;
    };

    QString key_error(const QJsonObject &request) const;

    QVector<Entry> entries;
    Handler fallback;
    QString forced_result;
    QMap<QString, QString> key_errors;
};

#endif // REQUEST_DISPATCHER_H
