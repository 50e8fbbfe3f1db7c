#ifndef LINK_SERIAL_PORTS_H
#define LINK_SERIAL_PORTS_H

#include <QString>
#include <QVector>

// The serial ports the port list offers, with what the system knows of the
// adapter behind each, so that an engineer with several USB adapters can
// tell them apart.
namespace serial_ports {

struct PortRecord
{
    QString name; // what is opened and saved, e.g. COM3 or ttyUSB0
    QString description;
    QString manufacturer;
    QString serial_number;
};

// The ports that can be opened now, in the system's order. Absent ports and
// ports in use (by another program or by this one) are left out.
QVector<PortRecord> openable();

// Where openable() takes its list from: the system by default; tests hand
// in adapters of their own (pseudo-terminals are not listed as serial
// ports). A null lister restores the system's.
using Lister = QVector<PortRecord> (*)();
void set_lister(Lister lister);

// The adapter's description, manufacturer and serial number, one per line,
// leaving out what the system does not know; empty when it knows nothing.
QString tool_tip(const PortRecord &port);

} // namespace serial_ports

#endif // LINK_SERIAL_PORTS_H
