// The output of "arp -a" and of "ip neigh show" as the network search reads
// it for controllers' addresses.

#include "network/arp_table.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    (void)arp_table::controller_addresses(text);
    const QString table = arp_table::from_ip_neigh(text);
    (void)arp_table::controller_addresses(table);
    // Local 8-bit output (a Windows console) decodes as Latin-1 here.
    (void)arp_table::controller_addresses(QString::fromLatin1(fuzz::bytes(data, size)));
    return 0;
}
