#include "app/safe_files.h"

#include <QSaveFile>

namespace safe_files {

QString name_part(const QString &text)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString part = text;
    for (QChar &c : part) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return part;
}

bool write_whole(const QString &path, const QByteArray &content, bool text_mode)
{
    QSaveFile file(path);
    QIODevice::OpenMode mode = QIODevice::WriteOnly;
    if (text_mode)
        mode |= QIODevice::Text;
    if (!file.open(mode))
        return false;
    // What the buffer still holds reaches the disk only here, and commit()
    // would not notice if it did not: the old file would be replaced by a
    // cut one.
    if (file.write(content) != content.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace safe_files
