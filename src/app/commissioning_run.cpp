#include "app/commissioning_run.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace commissioning {

namespace {

// A list of controllers is a short text; anything larger is no such list.
constexpr qint64 hosts_file_limit = 1 << 20;

QJsonValue count_or_null(int count)
{
    return count < 0 ? QJsonValue() : QJsonValue(count);
}

QString count_or_nothing(int count)
{
    return count < 0 ? QString() : QString::number(count);
}

// A summary field: its separator and line breaks would shift the columns.
QString field(QString text)
{
    return text.replace(QLatin1Char(';'), QLatin1Char(',')).replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(
        QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

QString status_word(int status)
{
    switch (status) {
    case matches: return QStringLiteral("matches");
    case differs: return QStringLiteral("differs");
    case no_link: return QStringLiteral("no-link");
    case bad_input: return QStringLiteral("bad-input");
    case report_not_written: return QStringLiteral("report-not-written");
    case interrupted: return QStringLiteral("interrupted");
    }
    return QString::number(status);
}

QString console_text(const QString &text)
{
    QString shown = text;
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return shown;
}

QString Target::address() const
{
    if (!serial_port.isEmpty())
        return serial_port;
    const QString shown = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shown + QLatin1Char(':') + QString::number(port);
}

bool parse_target(const QString &text, Target *target)
{
    const QString entry = text.trimmed();
    const int colon = entry.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString host = entry.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    // A bare IPv6 address would leave its port unclear; blanks or controls
    // belong to no address.
    const bool bracketed = entry.startsWith(QLatin1Char('['));
    if (host.isEmpty() || (host.contains(QLatin1Char(':')) && !bracketed))
        return false;
    for (const QChar c : host) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char('[') || c == QLatin1Char(']'))
            return false;
    }
    bool ok = false;
    const uint port = entry.mid(colon + 1).toUInt(&ok, 10);
    if (!ok || port == 0 || port > 65535)
        return false;
    target->host = host;
    target->port = quint16(port);
    target->serial_port.clear();
    return true;
}

bool read_hosts(QIODevice &file, QVector<Target> *targets, QString *error)
{
    const QByteArray bytes = file.read(hosts_file_limit + 1);
    if (bytes.size() > hosts_file_limit || bytes.contains('\0')) {
        *error = QStringLiteral("not a list of controllers");
        return false;
    }
    targets->clear();
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (int number = 0; number < lines.size(); ++number) {
        QString line = lines.at(number);
        const int comment = line.indexOf(QLatin1Char('#'));
        if (comment >= 0)
            line.truncate(comment);
        if (line.trimmed().isEmpty())
            continue;
        Target target;
        if (!parse_target(line, &target)) {
            *error = QStringLiteral("line %1 is not ADDR:PORT: %2").arg(number + 1).arg(line.trimmed().left(80));
            return false;
        }
        targets->append(target);
    }
    if (targets->isEmpty()) {
        *error = QStringLiteral("no controller in the list");
        return false;
    }
    return true;
}

QString result_line(const Outcome &outcome)
{
    QJsonObject line;
    line.insert(QStringLiteral("address"), outcome.address);
    line.insert(QStringLiteral("serial"), outcome.serial);
    line.insert(QStringLiteral("status"), outcome.status);
    line.insert(QStringLiteral("result"), status_word(outcome.status));
    line.insert(QStringLiteral("before"), count_or_null(outcome.before));
    line.insert(QStringLiteral("after"), count_or_null(outcome.after));
    line.insert(QStringLiteral("report"), outcome.report.isEmpty() ? QJsonValue() : QJsonValue(outcome.report));
    return QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact));
}

QString list_line(int controllers, int status)
{
    const QJsonObject line{{QStringLiteral("controllers"), controllers},
                           {QStringLiteral("status"), status},
                           {QStringLiteral("result"), status_word(status)}};
    return QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact));
}

QString summary_line(const Outcome &outcome)
{
    const QStringList fields{field(outcome.address),
                             field(outcome.serial),
                             QString::number(outcome.status),
                             status_word(outcome.status),
                             count_or_nothing(outcome.before),
                             count_or_nothing(outcome.after),
                             field(outcome.report),
                             outcome.finished.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))};
    return fields.join(QLatin1Char(';')) + QLatin1Char('\n');
}

} // namespace commissioning
