#ifndef TESTS_NETWORK_FAKES_H
#define TESTS_NETWORK_FAKES_H

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

// The network search without a network: its ping and ARP programs replaced
// by shell scripts.
namespace harness {

// Fake "ping", "ip" and "arp" in a folder put first on PATH for the
// object's life. Every ping notes its arguments; the ARP query prints
// `arp_table`.
class FakeNetworkTools
{
public:
    explicit FakeNetworkTools(const QByteArray &arp_table);
    ~FakeNetworkTools();

    // The search's programs are these scripts and no real tool.
    bool in_place() const;
    QStringList pings() const;

private:
    QString pings_path() const { return bin.filePath(QStringLiteral("pings.txt")); }
    void write_script(const QString &name, const QByteArray &body);

    QTemporaryDir bin;
    QByteArray previous_path;
};

} // namespace harness

#endif // TESTS_NETWORK_FAKES_H
