#include "files/transfer_rules.h"

#include "app/safe_files.h"

namespace transfer {

namespace {

const char *const error_values[] = {"error_get", "error_key", "error_save", "error_test", "error_value"};

} // namespace

QString upload_name(const QString &path)
{
    return path.section(QLatin1Char('/'), -1);
}

QString download_save_path(const QString &chosen_path, const QString &controller_name)
{
    if (chosen_path.isEmpty())
        return QString();
    const QString extension = controller_name.section(QLatin1Char('.'), 1, 1);
    if (extension.isEmpty())
        return chosen_path;
    return chosen_path + QLatin1Char('.') + safe_files::name_part(extension);
}

QByteArray download_content(const QByteArray &reply)
{
    return reply.left(qMax(0, reply.size() - result_fragment_length));
}

QString download_result(const QByteArray &reply)
{
    static const QByteArray marker = QByteArrayLiteral("\"result\":\"");
    const int at = reply.lastIndexOf(marker);
    if (at < 0)
        return QString();
    const QByteArray value = reply.mid(at + marker.size());
    if (value.startsWith("ok"))
        return QStringLiteral("ok");
    for (const char *error : error_values) {
        if (value.startsWith(error))
            return QString::fromLatin1(error);
    }
    return QString();
}

QString error_in_reply(const QByteArray &reply)
{
    for (const char *error : error_values) {
        if (reply.contains(error))
            return QString::fromLatin1(error);
    }
    return QString();
}

} // namespace transfer
