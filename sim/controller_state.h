#ifndef CONTROLLER_STATE_H
#define CONTROLLER_STATE_H

#include "file_store.h"
#include "live_values.h"
#include "parameter_store.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

// Four numbers of a dotted quad, as the controller reports addresses.
using AddressQuad = std::array<int, 4>;

// What the simulated controller knows about itself. Handlers read and,
// for the write requests, change it; nothing here does any I/O.
struct ControllerState
{
    // Identity, as the identification and the serial search report it.
    QString serial = QStringLiteral("00012345");
    QString fw_ver = QStringLiteral("1.4.2");
    QString fw_id = QStringLiteral("A1B2C3D4");

    // Interface type of each channel, channel 1 first: "232" or "485". The
    // controller has eight channels; other counts are kept as given so that
    // short and long replies can be simulated.
    QStringList rs_type = {
        QStringLiteral("232"), QStringLiteral("232"), QStringLiteral("485"), QStringLiteral("485"),
        QStringLiteral("232"), QStringLiteral("485"), QStringLiteral("232"), QStringLiteral("485"),
    };

    // Ethernet side in the order of the "ipconfig" reply: own address,
    // gateway, subnet mask, DNS server.
    QVector<AddressQuad> ipconfig = {
        {192, 168, 100, 129},
        {192, 168, 100, 1},
        {255, 255, 255, 0},
        {192, 168, 100, 1},
    };

    // The parameters the configurator's pages read and write, and those of
    // them that change by themselves (none unless set going).
    ParameterStore parameters;
    LiveValues live;
    FileStore files;
};

// "127.0.0.1" -> {127, 0, 0, 1}; false unless there are exactly four
// decimal numbers from 0 to 255.
bool parse_address_quad(const QString &text, AddressQuad *quad);

#endif // CONTROLLER_STATE_H
