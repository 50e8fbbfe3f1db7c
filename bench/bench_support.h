#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

// What every benchmark needs around the code it measures: the process's
// memory as the system reports it, and a working directory of its own.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace bench {

// A field of /proc/self/status in MiB ("VmRSS:" resident now, "VmHWM:" the
// peak); 0 where the system does not tell.
inline double status_mib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(field))
                return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return 0.0;
}

inline double resident_mib()
{
    return status_mib("VmRSS:");
}

// Makes `directory` the current one, so that the files the program writes
// land there; false (and a message) when it cannot.
inline bool enter(const QTemporaryDir &directory)
{
    if (directory.isValid() && QDir::setCurrent(directory.path()))
        return true;
    std::fprintf(stderr, "no temporary directory\n");
    return false;
}

} // namespace bench

#endif // BENCH_SUPPORT_H
