#ifndef NETWORK_ARP_TABLE_H
#define NETWORK_ARP_TABLE_H

#include <QString>
#include <QStringList>

// Reading the computer's ARP table for controllers. The table is read in
// the form the Windows "arp -a" prints it: whitespace-separated tokens in
// which each IP address stands immediately before its hardware address,
// written in lower case with "-" between the bytes.
namespace arp_table {

// The first bytes of every controller's hardware address, as the table
// writes them. The test is case-sensitive.
QString controller_prefix();

// The IP address of every entry whose hardware address holds the prefix, in
// table order (a prefix in the very first token has no address and is
// skipped).
QStringList controller_addresses(const QString &table);

// The output of Linux's "ip neigh show" ("IP dev IF lladdr MAC STATE", one
// entry a line) in the form above: "IP MAC" a line, the hardware address's
// ":" turned into "-", its case kept. Entries without a hardware address
// (incomplete or failed ones) are left out.
QString from_ip_neigh(const QString &output);

} // namespace arp_table

#endif // NETWORK_ARP_TABLE_H
