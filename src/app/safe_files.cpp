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

void run_while_turning(const std::function<void()> &work, uint stack_size)
{
    const std::unique_ptr<QThread> worker(QThread::create(work));
    if (stack_size > 0)
        worker->setStackSize(stack_size);
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    // A thread the system would not start never finishes: the loop would
    // wait for ever, and every later operation with it. The work is done
    // here instead, the window still while it lasts.
    if (!worker->isRunning() && !worker->isFinished()) {
        work();
        return;
    }
    loop.exec();
    // The loop also ends when the application quits; the work is still
    // done whole before anything returns.
    worker->wait();
}

bool write_whole_while_turning(const QString &path, const QByteArray &content)
{
    bool written = false;
    run_while_turning([&] { written = write_whole(path, content); });
    return written;
}

} // namespace safe_files
