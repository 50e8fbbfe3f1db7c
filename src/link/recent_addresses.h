#ifndef LINK_RECENT_ADDRESSES_H
#define LINK_RECENT_ADDRESSES_H

#include <QString>
#include <QVector>

class QSettings;

// The controllers last identified over Ethernet, newest first, which the
// address field offers again.
namespace recent_addresses {

struct Address
{
    QString host;
    QString port;
    bool operator==(const Address &other) const { return host == other.host && port == other.port; }
};

constexpr int kept = 10;

// `list` with `address` put first: an equal older entry is dropped, and so
// is everything beyond the ten newest. An empty host is not remembered.
QVector<Address> remember(QVector<Address> list, const Address &address);

// The list as stored in the user's settings; entries without a host are
// skipped and at most ten are read.
QVector<Address> load(QSettings &settings);
void save(QSettings &settings, const QVector<Address> &list);

} // namespace recent_addresses

#endif // LINK_RECENT_ADDRESSES_H
