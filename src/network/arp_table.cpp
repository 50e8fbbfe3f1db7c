#include "network/arp_table.h"

#include <QRegularExpression>

namespace arp_table {

namespace {

QStringList tokens_of(const QString &text)
{
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    return text.split(whitespace, Qt::SkipEmptyParts);
}

} // namespace

QString controller_prefix()
{
    return QStringLiteral("70-b3-d5-1c");
}

QStringList controller_addresses(const QString &table)
{
    const QString prefix = controller_prefix();
    const QStringList tokens = tokens_of(table);
    QStringList addresses;
    for (int i = 1; i < tokens.size(); ++i) {
        if (tokens.at(i).contains(prefix))
            addresses << tokens.at(i - 1);
    }
    return addresses;
}

QString from_ip_neigh(const QString &output)
{
    QString table;
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const QStringList tokens = tokens_of(line);
        const int at = tokens.indexOf(QStringLiteral("lladdr"));
        if (at < 1 || at + 1 >= tokens.size())
            continue;
        QString hardware = tokens.at(at + 1);
        table += tokens.first() + QLatin1Char(' ') + hardware.replace(QLatin1Char(':'), QLatin1Char('-'))
                 + QLatin1Char('\n');
    }
    return table;
}

} // namespace arp_table
