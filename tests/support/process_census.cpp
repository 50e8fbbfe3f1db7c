#include "support/process_census.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <unistd.h>

namespace harness {

int open_descriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System | QDir::Files).size();
}

int child_processes()
{
    int count = 0;
    const QByteArray self = QByteArray::number(qint64(getpid()));
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!pid.at(0).isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...; the name may hold blanks and brackets.
        const QByteArray line = stat.readAll();
        count += line.mid(line.lastIndexOf(')') + 2).split(' ').value(1) == self ? 1 : 0;
    }
    return count;
}

} // namespace harness
