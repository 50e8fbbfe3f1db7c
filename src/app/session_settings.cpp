#include "app/session_settings.h"

#include <QTextStream>

namespace session_settings {

QStringList read_lines(QIODevice &device)
{
    QStringList lines;
    QTextStream stream(&device);
    while (!stream.atEnd()) {
        const QString line = stream.readLine();
        if (lines.size() < kept_lines)
            lines << line;
    }
    while (lines.size() < kept_lines)
        lines << QString();
    return lines;
}

int baud_index(const QString &line, const QStringList &rates)
{
    const int baud = line.toInt(nullptr, 10);
    for (int i = 0; i < rates.size(); ++i) {
        if (rates.at(i).toInt(nullptr, 10) == baud)
            return i;
    }
    return 3;
}

int stop_bits_index(const QString &line)
{
    return line.toInt(nullptr, 10) == 2 ? 1 : 0;
}

int parity_index(const QString &line)
{
    const int parity = line.toInt(nullptr, 10);
    return parity == 1 || parity == 2 ? parity : 0;
}

QByteArray format(const QString &port_name, const QString &baud, const QString &stop_bits, int parity_index,
                  const QString &interval)
{
    QByteArray bytes;
    for (const QString &line : {port_name, baud, stop_bits, QString::number(parity_index), interval})
        bytes += line.toLocal8Bit() + '\n';
    return bytes;
}

} // namespace session_settings
