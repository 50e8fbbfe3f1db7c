#include "file_store.h"

#include "request_dispatcher.h"

#include <cmath>

namespace {

Reply result(const char *code)
{
    return RequestDispatcher::result(QString::fromLatin1(code));
}

// The size an upload header announces, or -1 when it is not a whole number
// of bytes the store would keep.
qint64 announced_size(const QJsonValue &value)
{
    if (!value.isDouble())
        return -1;
    const double size = value.toDouble();
    if (size < 0 || size > double(max_stored_file_size) || std::floor(size) != size)
        return -1;
    return qint64(size);
}

Reply upload_header(FileStore &store, const QJsonObject &request)
{
    const QString name = request.value(QLatin1String("file")).toString();
    const qint64 size = announced_size(request.value(QLatin1String("fl_size")));
    if (name.isEmpty() || size < 0)
        return result("error_value");
    if (size == 0) {
        // Nothing follows an empty file's header.
        store.files.insert(name, QByteArray());
        return result("ok");
    }
    return result("ok").then_read_content(size, [&store, name, size](const QByteArray &content) {
        if (content.size() != size)
            return result("error_save");
        store.files.insert(name, content);
        return result("ok");
    });
}

Reply download(const FileStore &store, const QJsonObject &request)
{
    const auto found = store.files.constFind(request.value(QLatin1String("file")).toString());
    if (found == store.files.constEnd())
        return result("error_get");
    QByteArray reply = found.value() + result("ok").bytes();
    if (store.stop_download_halfway)
        reply.truncate(reply.size() / 2);
    return Reply::raw(reply);
}

} // namespace

void add_file_requests(RequestDispatcher &dispatcher, FileStore &store)
{
    const QString file = QStringLiteral("file");
    dispatcher.add_route({QString(), file, QJsonValue::String},
                         [&store](const QJsonObject &request) { return upload_header(store, request); });
    dispatcher.add_route({QStringLiteral("get"), file, QJsonValue::String},
                         [&store](const QJsonObject &request) { return download(store, request); });
    dispatcher.add_route({QStringLiteral("transmit")}, [](const QJsonObject &) { return result("ok"); });
    dispatcher.add_route({QStringLiteral("update")}, [](const QJsonObject &) { return result("ok").then_hang_up(); });
}
