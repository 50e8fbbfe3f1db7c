#ifndef APP_PLATFORM_H
#define APP_PLATFORM_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QFile;

// The few things that differ between Windows, the main target, and the
// other systems the configurator is built for. The programs the network
// search starts are named here and nowhere else: on Windows by their full
// path in the system folder, elsewhere found on PATH.
namespace platform {

// A program and its arguments, started without a command interpreter
// reading a line of text.
struct ShellCommand
{
    QString program;
    QStringList arguments;

    // The command as one line, for the traffic log.
    QString text() const;
};
// One ping of `address`, whose only purpose is the entry it leaves in the
// computer's ARP table: "cmd /C ping ADDRESS" on Windows; elsewhere one echo
// request with a wait of one second.
ShellCommand ping_command(const QString &address);

// The processes that ping each of `addresses` once, as above: on Windows
// one "cmd /C ping ADDRESS" each. Elsewhere one shell, at a lower priority,
// starts them all and waits for them: a process start from a program as
// large as this window copies its memory map and holds its memory allocator
// the while, and 255 of them in a row would hold the window up for seconds.
QVector<ShellCommand> sweep_commands(const QStringList &addresses);

// The query that prints the computer's ARP table: "cmd /C arp -a" on
// Windows, "ip neigh show" elsewhere.
ShellCommand arp_query_command();
// The code page of the query's output ("IBM 866" on Windows).
QByteArray arp_output_codec();
// The decoded output of the query in the form the search reads (see
// network/arp_table.h); on Windows it is that form already.
QString arp_table_text(const QString &query_output);

// A temporary file of its own in `folder` for what must not outlive the
// program (the traffic log, passwords included), open for reading and
// writing, unbuffered: readable and writable by the current user alone, and
// removed once closed, after a crash too where the system allows. Null when
// it cannot be made.
std::unique_ptr<QFile> open_private_temporary_file(const QString &folder);

// A read-only handle of its own on an open file, for reading it on another
// thread while the thread that owns the QFile goes on writing past what is
// read: positioned reads, which neither use nor move the owner's position.
// The file stays readable through it after the QFile is closed.
class FileReader
{
public:
    explicit FileReader(const QFile &file);
    ~FileReader();
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    bool is_open() const;
    // Up to `size` bytes from `offset` on: the count read, 0 at the end,
    // -1 on an error.
    qint64 read_at(qint64 offset, char *data, qint64 size) const;

private:
#ifdef Q_OS_WIN
    void *handle;
#else
    int descriptor;
#endif
};

} // namespace platform

#endif // APP_PLATFORM_H
