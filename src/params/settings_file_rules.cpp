#include "params/settings_file_rules.h"

#include "app/safe_files.h"

#include <QCryptographicHash>
#include <QFile>

namespace params {

QString settings_file_name(const QString &serial, const QDateTime &now)
{
    return QStringLiteral("Считанные параметры_УСПД_") + safe_files::name_part(serial)
           + now.toString(QStringLiteral("_дата_dd_MM_yyyy")) + QStringLiteral(".txt");
}

QString factory_file_name()
{
    return QStringLiteral("Заводские настройки.txt");
}

QString settings_file_filter()
{
    return QStringLiteral("Файлы настроек (*.txt);;Все файлы (*)");
}

QByteArray file_sha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > settings_file_limit)
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return hash.addData(&file) ? hash.result() : QByteArray();
}

bool read_settings_text(const QString &path, QString *text)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // Read one byte past the limit rather than asking for the size, which
    // a device or a pipe does not know.
    const QByteArray bytes = file.read(settings_file_limit + 1);
    if (bytes.size() > settings_file_limit)
        return false;
    *text = QString::fromUtf8(bytes);
    return true;
}

bool holds_settings(const Catalogue &catalogue, const QJsonObject &reply)
{
    bool any_key = false;
    for (const ParamPage &page : catalogue) {
        for (const QString &key : page.keys) {
            any_key = true;
            if (reply.contains(key))
                return true;
        }
    }
    return !any_key && !(reply.keys() == QStringList{QStringLiteral("result")} || reply.isEmpty());
}

} // namespace params
