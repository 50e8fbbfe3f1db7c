// Rules of the file transfers and of the network search that need no
// window: save names, download replies, ARP tables, the search's commands.

#include "app/platform.h"
#include "files/transfer_rules.h"
#include "network/arp_table.h"
#include "network/thread_res.h"

#include <QTest>
#include <QTextCodec>

class TransferRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void save_path_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("controller_name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("extension added") << "/home/u/report"
                                         << "data.csv"
                                         << "/home/u/report.csv";
        QTest::newRow("part after the first dot") << "/x/a"
                                                  << "arch.tar.gz"
                                                  << "/x/a.tar";
        QTest::newRow("no dot: path as chosen") << "/x/report"
                                                << "data"
                                                << "/x/report";
        QTest::newRow("trailing dot: path as chosen") << "/x/report"
                                                      << "data."
                                                      << "/x/report";
        QTest::newRow("cancelled: nothing") << ""
                                            << "data.csv"
                                            << "";
        QTest::newRow("path characters stay in the folder") << "/x/r"
                                                            << "a.b/\\x.c"
                                                            << "/x/r.b__x";
        QTest::newRow("empty name") << "/x/r"
                                    << ""
                                    << "/x/r";
    }

    void save_path()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, controller_name);
        QFETCH(QString, expected);
        QCOMPARE(transfer::download_save_path(chosen, controller_name), expected);
    }

    void download_reply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("complete"); // a brace alone does not end it
        QTest::newRow("file and ok") << QByteArray("a;b\n1;2\n{\"result\":\"ok\"}") << "ok" << QByteArray("a;b\n1;2\n")
                                     << true;
        QTest::newRow("error alone") << QByteArray("{\"result\":\"error_get\"}") << "error_get"
                                     << QByteArray("{\"resul") << true;
        QTest::newRow("each error") << QByteArray("{\"result\":\"error_value\"}") << "error_value"
                                    << QByteArray("{\"result\"") << true;
        QTest::newRow("a blank is another text")
            << QByteArray("x{\"result\": \"ok\"}") << "" << QByteArray("x{") << false;
        QTest::newRow("unknown value") << QByteArray("{\"result\":\"busy\"}") << "" << QByteArray("{\"") << true;
        QTest::newRow("shorter than the fragment") << QByteArray("}") << "" << QByteArray() << false;
        QTest::newRow("a file holding an error text") << QByteArray("{\"result\":\"error_key\"}\n{\"result\":\"ok\"}")
                                                      << "ok" << QByteArray("{\"result\":\"error_key\"}\n") << true;
        QTest::newRow("binary with NUL and invalid UTF-8") << QByteArray("\x00\xff\xfe\x80}{\"result\":\"ok\"}", 20)
                                                           << "ok" << QByteArray("\x00\xff\xfe\x80}", 5) << true;
        QTest::newRow("a brace of the file") << QByteArray("a{\"b\":1}") << "" << QByteArray() << false;
        QTest::newRow("result with other members") << QByteArray("{\"n\":\"x\",\"result\":\"error_key\"}")
                                                   << "error_key" << QByteArray("{\"n\":\"x\",\"resul") << true;
        QTest::newRow("result not a word") << QByteArray("x{\"result\":\"o k\"}") << "" << QByteArray("x{") << false;
        QTest::newRow("ok without its fragment's brace")
            << QByteArray("ab\"result\":\"ok\"}") << "" << QByteArray("a") << true;
        QTest::newRow("the whole word: okay")
            << QByteArray("x{\"result\":\"okay\"}") << "" << QByteArray("x{\"") << true;
        QTest::newRow("the whole word: error_keys")
            << QByteArray("{\"result\":\"error_keys\"}") << "" << QByteArray("{\"result") << true;
    }

    void download_reply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, result);
        QFETCH(QByteArray, content);
        QCOMPARE(transfer::download_result(reply), result);
        QCOMPARE(transfer::download_content(reply), content);
        QFETCH(bool, complete);
        QCOMPARE(transfer::download_complete(reply), complete);
    }

    void upload_reply_errors_anywhere()
    {
        QCOMPARE(transfer::error_in_reply("{\"result\":\"ok\",\"note\":\"error_save\"}"), QStringLiteral("error_save"));
        QCOMPARE(transfer::error_in_reply("error_value error_key"), QStringLiteral("error_key"));
        QCOMPARE(transfer::error_in_reply(QByteArray("\x00"
                                                     "error_test",
                                                     11)),
                 QStringLiteral("error_test"));
        QVERIFY(transfer::error_in_reply("{\"result\":\"ok\"}").isEmpty());
        QCOMPARE(transfer::upload_name(QStringLiteral("/a/b/fw.bin")), QStringLiteral("fw.bin"));
        QCOMPARE(transfer::upload_name(QStringLiteral("C:/dir/x y.txt")), QStringLiteral("x y.txt"));
    }

    void arp_table_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("addresses");
        // "arp -a" of a Russian Windows prints in code page 866: "Интерфейс",
        // "адрес в Интернете", "Физический адрес", "Тип", "динамический".
        const QByteArray dynamic = "\xa4\xa8\xad\xa0\xac\xa8\xe7\xa5\xe1\xaa\xa8\xa9\r\n";
        const QByteArray cp866 = "\r\n\x88\xad\xe2\xa5\xe0\xe4\xa5\xa9\xe1: 192.168.100.5 --- 0xb\r\n"
                                 "  \xa0\xa4\xe0\xa5\xe1 \xa2 \x88\xad\xe2\xa5\xe0\xad\xa5\xe2\xa5      "
                                 "\x94\xa8\xa7\xa8\xe7\xa5\xe1\xaa\xa8\xa9 \xa0\xa4\xe0\xa5\xe1      \x92\xa8\xaf\r\n"
                                 "  192.168.100.1          00-11-22-33-44-55     "
                                 + dynamic + "  192.168.100.17         70-b3-d5-1c-a0-01     " + dynamic
                                 + "  192.168.100.18         70-B3-D5-1C-A0-02     " + dynamic
                                 + "  192.168.100.40         70-b3-d5-1c-ff-ee     " + dynamic;
        QTextCodec *const ibm866 = QTextCodec::codecForName("IBM 866");
        QVERIFY(ibm866);
        QVERIFY(ibm866->toUnicode(cp866).contains(QStringLiteral("Интерфейс: 192.168.100.5")));
        QTest::newRow("windows form, code page 866")
            << ibm866->toUnicode(cp866) << QStringList{"192.168.100.17", "192.168.100.40"};
        QTest::newRow("prefix in the first token") << "70-b3-d5-1c-00-00 10.0.0.1" << QStringList();
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("from ip neigh") << arp_table::from_ip_neigh(
            "192.168.100.17 dev eth0 lladdr 70:b3:d5:1c:a0:01 REACHABLE\n"
            "192.168.100.9 dev eth0  FAILED\n"
            "192.168.100.18 dev eth0 lladdr 70:B3:D5:1C:A0:02 STALE\n"
            "fe80::1 dev eth0 lladdr 70:b3:d5:1c:a0:03 router STALE\n"
            "lladdr\n"
            "192.168.100.20 dev eth0 lladdr\n")
                                       << QStringList{"192.168.100.17", "fe80::1"};
    }

    void arp_table()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, addresses);
        QCOMPARE(arp_table::controller_addresses(table), addresses);
    }

    void search_commands()
    {
        const platform::ShellCommand ping = platform::ping_command(thread_res::host_address(7));
        const platform::ShellCommand query = platform::arp_query_command();
#ifdef Q_OS_WIN
        QCOMPARE(ping.text(), QStringLiteral("cmd /C ping 192.168.100.7"));
        QCOMPARE(query.text(), QStringLiteral("cmd /C arp -a"));
        QCOMPARE(platform::arp_output_codec(), QByteArray("IBM 866"));
        QCOMPARE(platform::sweep_commands({"192.168.100.0", "192.168.100.1"}).last().text(),
                 QStringLiteral("cmd /C ping 192.168.100.1"));
#else
        QCOMPARE(ping.text(), QStringLiteral("ping -c 1 -W 1 192.168.100.7"));
        QCOMPARE(query.text(), QStringLiteral("ip neigh show"));
        QCOMPARE(platform::arp_table_text("10.0.0.2 dev lo lladdr 70:b3:d5:1c:00:01 REACHABLE\n"),
                 QStringLiteral("10.0.0.2 70-b3-d5-1c-00-01\n"));
        // One shell starts all the pings; the window's search test sees each
        // address pinged once.
        QCOMPARE(platform::sweep_commands({"192.168.100.0", "192.168.100.1"}).size(), 1);
#endif
        QCOMPARE(thread_res::host_address(0), QStringLiteral("192.168.100.0"));
    }
};

QTEST_GUILESS_MAIN(TransferRulesTest)
#include "tst_transfer_rules.moc"
