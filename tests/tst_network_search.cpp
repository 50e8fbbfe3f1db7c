// The search for controllers over Ethernet, with the ping and ARP programs
// replaced by scripts of the test, first on PATH: nothing is ever sent to
// the network.

#include "app/mainwindow.h"
#include "support/harness.h"
#include "support/network_fakes.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using harness::child_processes;
using harness::find;
using harness::open_descriptors;

namespace {

// The table as "ip neigh show" prints it; one controller in upper case.
const char neighbours[] = "192.168.100.1 dev eth0 lladdr 00:11:22:33:44:55 REACHABLE\n"
                          "192.168.100.17 dev eth0 lladdr 70:b3:d5:1c:a0:01 STALE\n"
                          "192.168.100.18 dev eth0 lladdr 70:B3:D5:1C:A0:02 STALE\n"
                          "192.168.100.19 dev eth0  FAILED\n"
                          "192.168.100.40 dev eth0 lladdr 70:b3:d5:1c:ff:ee DELAY\n";

} // namespace

class NetworkSearchTest : public QObject
{
    Q_OBJECT

private slots:
    void ethernet_search_lists_the_controllers()
    {
#ifdef Q_OS_WIN
        QSKIP("the fake tools are shell scripts");
#endif
        harness::FakeNetworkTools tools(neighbours);
        QVERIFY(tools.in_place());
        harness::Window window;
        window.start();
        auto *status = window.find<QLabel>("label");
        auto *list = window.find<QListWidget>("listWidget");
        auto *search = window.find<QPushButton>("res_btn");
        const int descriptors = open_descriptors(), threads = harness::threads();

        // With neither link chosen the button does nothing.
        auto *ethernet = window.find<QRadioButton>("radioButton_2");
        ethernet->setAutoExclusive(false);
        ethernet->setChecked(false);
        QVERIFY(!window.find<QRadioButton>("radioButton")->isChecked());
        status->clear();
        harness::click(search);
        QTest::qWait(200);
        QVERIFY(status->text().isEmpty());
        QVERIFY(tools.pings().isEmpty());

        // The sweep pings 192.168.100.0 to .254 once each and releases its
        // processes when they have finished.
        ethernet->setChecked(true);
        ethernet->setAutoExclusive(true);
        list->addItem(QStringLiteral("old entry"));
        harness::click(search);
        QCOMPARE(status->text(), QStringLiteral("Идёт поиск"));
        QCOMPARE(list->count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(tools.pings().size(), 255, 20000);
        QVERIFY(tools.pings().contains(QStringLiteral("-c 1 -W 1 192.168.100.0")));
        QVERIFY(tools.pings().contains(QStringLiteral("-c 1 -W 1 192.168.100.254")));
        QVERIFY(!tools.pings().contains(QStringLiteral("-c 1 -W 1 192.168.100.255")));
        QTRY_COMPARE_WITH_TIMEOUT(child_processes(), 0, 10000);
        QTRY_COMPARE(open_descriptors(), descriptors);

        // A new search sweeps again, counts from 0 again, and leaks nothing.
        // (The sweep's thread ends just after its processes are released.)
        QTRY_COMPARE(harness::threads(), threads);
        harness::click(search);
        QTRY_COMPARE(status->text(), QStringLiteral("Идет поиск: 0c"));
        QTRY_COMPARE_WITH_TIMEOUT(tools.pings().size(), 2 * 255, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(child_processes(), 0, 10000);
        QTRY_COMPARE(open_descriptors(), descriptors);

        // At 16 s: the controllers' addresses, not the upper-case one.
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Поиск окончен"), 20000);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral("192.168.100.17"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("192.168.100.40"));
        const QString log = harness::log_text();
        QVERIFY(log.contains(QStringLiteral("ip neigh show\n192.168.100.1 dev eth0")));

        const QPoint centre = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(window.find<QLineEdit>("lineEdit")->text(), QStringLiteral("192.168.100.40"));
        QTRY_COMPARE(child_processes(), 0);
        QTRY_COMPARE(open_descriptors(), descriptors);
    }
};

QTEST_MAIN(NetworkSearchTest)
#include "tst_network_search.moc"
