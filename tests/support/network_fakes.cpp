#include "support/network_fakes.h"

#include "app/platform.h"

#include <QFile>
#include <QStandardPaths>

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
    const QByteArray script = "#!/bin/sh\n" + body;
    if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size() || !file.flush()
        || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qFatal("cannot write the fake %s: %s", qPrintable(name), qPrintable(file.errorString()));
}

} // namespace harness
