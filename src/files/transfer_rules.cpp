#include "files/transfer_rules.h"

#include "app/safe_files.h"
#include "engine/exchange.h"

#include <algorithm>
#include <cctype>

namespace transfer {

namespace {

// What the closing result of a download reply starts with.
const QByteArray result_marker = QByteArrayLiteral("\"result\":\"");

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

bool download_complete(const QByteArray &reply)
{
    static const QByteArray closing = QByteArrayLiteral("\"}");
    const int from = reply.lastIndexOf(result_marker) + result_marker.size();
    const int to = reply.size() - closing.size();
    if (from < result_marker.size() || from > to || !reply.endsWith(closing))
        return false;
    const QByteArray value = reply.mid(from, to - from);
    return std::all_of(value.begin(), value.end(), [](char c) { return std::isalnum(uchar(c)) || c == '_'; });
}

QByteArray download_content(const QByteArray &reply)
{
    return reply.left(qMax(0, reply.size() - result_fragment_length));
}

QString download_result(const QByteArray &reply)
{
    const int at = reply.lastIndexOf(result_marker);
    if (at < 0)
        return QString();
    const int from = at + result_marker.size();
    const int to = reply.indexOf('"', from);
    // The whole word: "okay" is not "ok".
    const QByteArray value = reply.mid(from, to < 0 ? -1 : to - from);
    // The file is what comes before the closing fragment, so "ok" counts
    // only with the fragment whole: {"result":"ok"}.
    if (value == "ok")
        return reply.endsWith(R"({"result":"ok"})") ? QStringLiteral("ok") : QString();
    const QString word = QString::fromLatin1(value);
    return exchange::error_values().contains(word) ? word : QString();
}

QString error_in_reply(const QByteArray &reply)
{
    for (const QString &error : exchange::error_values()) {
        if (reply.contains(error.toLatin1()))
            return error;
    }
    return QString();
}

} // namespace transfer
