#include "link/serial_ports.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStringList>

namespace serial_ports {

namespace {

QVector<PortRecord> system_ports()
{
    QVector<PortRecord> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QSerialPort probe;
        probe.setPort(info);
        if (!probe.open(QIODevice::ReadWrite))
            continue;
        probe.close();
        ports.append({info.portName(), info.description(), info.manufacturer(), info.serialNumber()});
    }
    return ports;
}

Lister current_lister = nullptr;

} // namespace

QVector<PortRecord> openable()
{
    return current_lister ? current_lister() : system_ports();
}

void set_lister(Lister lister)
{
    current_lister = lister;
}

QString tool_tip(const PortRecord &port)
{
    QStringList lines;
    if (!port.description.trimmed().isEmpty())
        lines << QStringLiteral("Описание: ") + port.description.trimmed();
    if (!port.manufacturer.trimmed().isEmpty())
        lines << QStringLiteral("Производитель: ") + port.manufacturer.trimmed();
    if (!port.serial_number.trimmed().isEmpty())
        lines << QStringLiteral("Серийный номер: ") + port.serial_number.trimmed();
    return lines.join(QLatin1Char('\n'));
}

} // namespace serial_ports
