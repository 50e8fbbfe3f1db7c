#include "app/safe_files.h"

#include <QEventLoop>
#include <QSaveFile>
#include <QThread>

#include <memory>

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

bool write_whole_while_turning(const QString &path, const QByteArray &content)
{
    bool written = false;
    const std::unique_ptr<QThread> writer(QThread::create([&] { written = write_whole(path, content); }));
    QEventLoop loop;
    QObject::connect(writer.get(), &QThread::finished, &loop, &QEventLoop::quit);
    writer->start();
    loop.exec();
    // The loop also ends when the application quits; the file is still
    // written whole or not at all before anything returns.
    writer->wait();
    return written;
}

} // namespace safe_files
