#include "support/network_fakes.h"

#include "app/platform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace harness {

FakeNetworkTools::FakeNetworkTools(const QByteArray &arp_table) : previous_path(qgetenv("PATH"))
{
    write_script(QStringLiteral("ping"), "echo \"$*\" >> '" + QFile::encodeName(pings_path()) + "'\n");
    write_script(QStringLiteral("ip"), "printf '%s' '" + arp_table + "'\n");
    write_script(QStringLiteral("arp"), "exit 1\n");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + previous_path);
}

FakeNetworkTools::~FakeNetworkTools()
{
    qputenv("PATH", previous_path);
}

bool FakeNetworkTools::in_place() const
{
    for (const QString &program : {platform::ping_command(QString()).program, platform::arp_query_command().program}) {
        if (QStandardPaths::findExecutable(program) != bin.filePath(program))
            return false;
    }
    return true;
}

QStringList FakeNetworkTools::pings() const
{
    QFile file(pings_path());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

void FakeNetworkTools::write_script(const QString &name, const QByteArray &body)
{
    QFile file(bin.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

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
