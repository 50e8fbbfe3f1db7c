// Identification, network status and the exchange frame over Ethernet,
// against a controller stand-in on 127.0.0.1.

#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "engine/requests.h"
#include "support/harness.h"

#include <QComboBox>
#include <QCompleter>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using harness::find;

namespace {

QByteArray identity_reply(const QString &serial = QStringLiteral("00012345"))
{
    const QJsonArray types{"232", "485", "232", "485", "485", "485", "232", "485"};
    return harness::identity_reply(
        {{"serial", serial}, {"fw_ver", "1.4.2"}, {"fw_id", "A1B2C3D4"}, {"rs_type", types}});
}

// A window set to talk to a stand-in controller on loopback.
struct EthernetFixture : harness::Window
{
    harness::FakeController controller;

    EthernetFixture()
    {
        start();
        harness::set_ethernet_address(window.get(), controller.port());
    }
    // True once a new identification has shown the serial number again.
    bool identify_again()
    {
        edit("lineEdit_3")->clear();
        click("connect_dev_btn");
        return QTest::qWaitFor([this] { return edit("lineEdit_3")->text() == QLatin1String("00012345"); });
    }
};

} // namespace

class EthernetLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void identifies_the_controller()
    {
        EthernetFixture f;
        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.edit("lineEdit_3")->text(), QStringLiteral("00012345"));
        QCOMPARE(f.controller.received(), requests::identification());
        QCOMPARE(f.edit("lineEdit_4")->text(), QStringLiteral("1.4.2"));
        QCOMPARE(f.edit("lineEdit_5")->text(), QStringLiteral("A1B2C3D4"));
        QCOMPARE(f.find<QComboBox>("comboBox_4")->currentIndex(), 0);
        QCOMPARE(f.find<QComboBox>("comboBox_5")->currentIndex(), 1);
        QCOMPARE(f.find<QComboBox>("comboBox_10")->currentIndex(), 0);
        QCOMPARE(f.find<QComboBox>("comboBox_11")->currentIndex(), 1);
        QCOMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Связь по Eth установлена"));
        QVERIFY(f.status().isEmpty());

        // Both directions are in the log, as hex and as text.
        const QString log = harness::log_text();
        QVERIFY(log.startsWith(QStringLiteral("-> 7b 0a 20 20 20 20 22 6d ")));
        QVERIFY(log.contains(QStringLiteral("Количество байт: %1").arg(requests::identification().size())));
        QVERIFY(log.contains(QStringLiteral("<- 7b 22 ")));
        QVERIFY(log.contains(QString::fromUtf8(identity_reply())));

        // A second click reuses the connection.
        QVERIFY(f.identify_again());
        QCOMPARE(f.controller.connection_count(), 1);
        QCOMPARE(f.controller.requests().size(), 2);
    }

    void reply_in_pieces_is_gathered_and_logged_once()
    {
        EthernetFixture f;
        const QByteArray reply = identity_reply();
        f.controller.answer = [&](const QByteArray &) {
            f.controller.send(reply.left(10));
            QTimer::singleShot(350, [&] { f.controller.send(reply.mid(10)); });
            return QByteArray();
        };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.edit("lineEdit_3")->text(), QStringLiteral("00012345"));
        QCOMPARE(harness::log_text().count(QStringLiteral("<- ")), 1);
    }

    void reply_without_identity_drops_the_connection()
    {
        EthernetFixture f;
        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Связь по Eth установлена"));

        f.controller.answer = [](const QByteArray &) {
            return QByteArray(R"({"serial":"1","fw_id":"x","rs_type":[]})");
        };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Недостаточно данных"));
        QTRY_VERIFY(!f.controller.client_connected());
        QVERIFY(f.edit("lineEdit_3")->text().isEmpty()); // nothing names a controller not identified
        QCOMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));

        // The next attempt connects afresh and succeeds.
        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        QVERIFY(f.identify_again());
        QCOMPARE(f.controller.connection_count(), 2);
    }

    void status_reply_to_identification_marks_the_link_lost()
    {
        EthernetFixture f;
        // A bare status object lacks the identity keys altogether.
        f.controller.answer = [](const QByteArray &) { return QByteArray(R"({"result":"error_key"})"); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Недостаточно данных"));

        f.controller.answer = [](const QByteArray &) {
            return QByteArray(R"({"result":"error_key","fw_id":"","fw_ver":""})");
        };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Неизвестный ключ"));
        QCOMPARE(f.button("connect_btn")->text(), QStringLiteral("Нет соединения"));
        QCOMPARE(f.button("connect_btn")->styleSheet(), QStringLiteral("QPushButton {color:red;}"));
        QTRY_VERIFY(!f.controller.client_connected());
    }

    void each_identification_has_its_own_budget()
    {
        // Each reply takes 450 ms of a 3 s budget; ten in a row must all
        // succeed, however long the session has been waiting in total.
        EthernetFixture f;
        f.controller.answer = [&](const QByteArray &) {
            QTimer::singleShot(450, [&] { f.controller.send(identity_reply()); });
            return QByteArray();
        };
        for (int i = 0; i < 10; ++i) {
            QVERIFY(f.identify_again());
            QVERIFY(f.status().isEmpty());
        }
        QCOMPARE(f.controller.connection_count(), 1);
    }

    void identified_addresses_are_offered_again()
    {
        harness::WorkingDirectory dir; // the user's settings live here
        harness::FakeController other;
        other.answer = [](const QByteArray &) { return identity_reply(); };
        for (int session = 0; session < 2; ++session) {
            MainWindow window;
            window.show();
            QVERIFY(harness::connect_ethernet(&window, other.port()));
        }
        // A controller that does not answer is not remembered.
        {
            harness::FakeController silent;
            MainWindow window;
            find<QLineEdit>(&window, "lineEdit")->setText(QStringLiteral("::1"));
            find<QLineEdit>(&window, "lineEdit_2")->setText(silent.port_text());
            harness::click(find<QPushButton>(&window, "connect_dev_btn"));
            QTRY_COMPARE_WITH_TIMEOUT(find<QLabel>(&window, "label")->text(), QStringLiteral("Устройство не отвечает"),
                                      8000);
        }

        // After a restart the address is offered once, with its port.
        MainWindow window;
        auto *address = find<QLineEdit>(&window, "lineEdit");
        QCompleter *completer = address->completer();
        QVERIFY(completer);
        completer->setCompletionPrefix(QStringLiteral("127"));
        QCOMPARE(completer->completionCount(), 1);
        QCOMPARE(completer->currentCompletion(), QStringLiteral("127.0.0.1"));
        emit completer->activated(completer->currentIndex());
        QCOMPARE(find<QLineEdit>(&window, "lineEdit_2")->text(), other.port_text());
        completer->setCompletionPrefix(QStringLiteral("::"));
        QCOMPARE(completer->completionCount(), 0);
    }

    void markup_in_a_reply_stays_text()
    {
        EthernetFixture f;
        const QString serial = QStringLiteral("<b>x</b><img src=\"a.png\">");
        f.controller.answer = [&](const QByteArray &) { return identity_reply(serial); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.edit("lineEdit_3")->text(), serial);
        // A line edit never renders markup; the status line, a label, would,
        // were it not plain text.
        QCOMPARE(f.find<QLabel>("label")->textFormat(), Qt::PlainText);
        const QString logged = QStringLiteral("\"serial\":\"<b>x</b><img src=\\\"a.png\\\">\"");
        QVERIFY(harness::log_text().contains(logged));
    }

    void unanswered_identification_times_out_even_with_a_bad_interval()
    {
        EthernetFixture f;
        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Связь по Eth установлена"));

        // Not a number: the engine ticks at 100 ms and still gives up after 3 s.
        f.controller.answer = nullptr;
        f.edit("interval_line")->setText(QStringLiteral("abc"));
        f.click("connect_dev_btn");
        QTRY_VERIFY(f.controller.client_connected());
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Устройство не отвечает"), 8000);
        QTRY_VERIFY(!f.controller.client_connected());
        QCOMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));
    }

    void network_status_fills_the_address_fields()
    {
        EthernetFixture f;
        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        QVERIFY(harness::connect_ethernet(f.window.get(), f.controller.port()));
        // The reply must come within one tick; a long tick leaves a margin
        // for a loaded machine.
        f.edit("interval_line")->setText(QStringLiteral("1000"));
        const auto fields = [&f] {
            QStringList texts;
            for (const char *field : {"lineEdit_12", "lineEdit_13", "lineEdit_14", "lineEdit_15"})
                texts << f.edit(field)->text();
            return texts.join(' ');
        };
        // Short lists fill what they have; long ones are cut at four.
        const char *const replies[][2] = {
            {R"({"ipconfig":[[127,0,0,2],[127,0,0,1],[255,255,255,0],[127,0,0,53]]})",
             "127.0.0.2 127.0.0.1 255.255.255.0 127.0.0.53"},
            {R"({"ipconfig":[[10,1],[1,2,3,4,5]]})", "10.1 1.2.3.4 255.255.255.0 127.0.0.53"},
            {R"({"ipconfig":[[1,1,1,1],[2,2,2,2],[3,3,3,3],[4,4,4,4],[5,5,5,5],[6,6,6,6]]})",
             "1.1.1.1 2.2.2.2 3.3.3.3 4.4.4.4"},
        };
        for (const auto &reply : replies) {
            f.controller.answer = [&reply](const QByteArray &) { return QByteArray(reply[0]); };
            f.click("status_Eth");
            QTRY_COMPARE(fields(), QString::fromLatin1(reply[1]));
            QVERIFY(f.controller.received().endsWith(requests::network_status()));
        }
    }

    void network_status_must_answer_within_one_tick()
    {
        EthernetFixture f;
        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.edit("lineEdit_3")->text(), QStringLiteral("00012345"));

        f.controller.answer = [](const QByteArray &) { return QByteArray(); };
        f.click("status_Eth");
        QTRY_COMPARE(f.status(), QStringLiteral("Устройство не отвечает"));

        // A partial reply is logged once and reported.
        f.edit("interval_line")->setText(QStringLiteral("1000"));
        f.controller.answer = [](const QByteArray &) { return QByteArray(R"({"ipconfig":[[1,2,3,4])"); };
        f.click("status_Eth");
        QTRY_COMPARE(f.status(), QStringLiteral("Недостаточно данных"));
        QCOMPARE(harness::log_text().count(QStringLiteral("<- ")), 2);
        const QString partial = QStringLiteral("{\"ipconfig\":[[1,2,3,4]");
        QVERIFY(harness::log_text().endsWith(partial));
    }

    void controller_hanging_up_is_reported_and_reconnected()
    {
        EthernetFixture f;
        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Связь по Eth установлена"));

        f.controller.drop_client();
        QTRY_COMPARE(f.status(), QStringLiteral("Контроллер разорвал связь по Ethernet"));
        QCOMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));
        f.click("status_Eth");
        QCOMPARE(f.status(), exchange::guard_text_latin());

        // "Установить связь" connects again and identifies, no restart needed.
        QVERIFY(f.identify_again());
        QCOMPARE(f.controller.connection_count(), 2);
    }

    void disconnect_ends_the_connection()
    {
        EthernetFixture f;
        f.click("disconnect_eth_btn");
        QVERIFY(f.status().isEmpty());

        f.controller.answer = [](const QByteArray &) { return identity_reply(); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Связь по Eth установлена"));
        f.click("disconnect_eth_btn");
        QCOMPARE(f.status(), QStringLiteral("Связь по Ethernet отключена"));
        QCOMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));
        QTRY_VERIFY(!f.controller.client_connected());
        f.click("status_Eth");
        QCOMPARE(f.status(), exchange::guard_text_latin());
    }
};

QTEST_MAIN(EthernetLinkTest)
#include "tst_ethernet_link.moc"
