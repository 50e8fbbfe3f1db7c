// The COM side: the port button, identification and the serial search over
// a pseudo-terminal pair, the test playing the controller on the far end.

#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "engine/requests.h"
#include "support/harness.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using harness::find;

namespace {

struct SerialFixture : harness::Window
{
    harness::PtyPair pty;
    harness::SerialController controller{pty.controller_end()};

    SerialFixture() { start(); }
    bool open_port() { return harness::open_serial_port(window.get(), pty.program_end()); }
};

} // namespace

class SerialLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void port_button_states()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        QCOMPARE(f.button("connect_btn")->styleSheet(), QStringLiteral("QPushButton {color:darkGreen;}"));
        f.click("connect_btn");
        QCOMPARE(f.button("connect_btn")->text(), QStringLiteral("Выключено"));
        QCOMPARE(f.button("connect_btn")->styleSheet(), QStringLiteral("QPushButton {color:red;}"));
        f.click("connect_dev_btn");
        QCOMPARE(f.status(), QStringLiteral("Порт не открыт"));

        QVERIFY(!harness::open_serial_port(f.window.get(), f.dir.file_path(QStringLiteral("no-such-port"))));
        QCOMPARE(f.button("connect_btn")->text(), QStringLiteral("Нет соединения"));

        f.find<QComboBox>("name_box")->clear();
        f.click("connect_btn");
        QCOMPARE(f.status(), QStringLiteral("Порт не выбран"));
    }

    void identifies_the_controller()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        const QJsonObject identity{{"serial", "777"}, {"fw_ver", "2.0"}, {"rs_type", QJsonArray{"485", "232"}}};
        f.controller.answer = [&](const QByteArray &) { return harness::identity_reply(identity); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.edit("lineEdit_3")->text(), QStringLiteral("777"));
        QCOMPARE(f.controller.received(), requests::identification());
        QCOMPARE(f.edit("lineEdit_4")->text(), QStringLiteral("2.0"));
        // A short interface list sets the channels it names.
        QCOMPARE(f.find<QComboBox>("comboBox_4")->currentIndex(), 1);
        QCOMPARE(f.find<QComboBox>("comboBox_5")->currentIndex(), 0);
        QCOMPARE(f.find<QComboBox>("comboBox_6")->currentIndex(), 0);
        QCOMPARE(f.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));
    }

    void serial_search_lists_the_controller()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        f.controller.answer = [](const QByteArray &) { return QByteArray(R"({"serial":"00042"})"); };
        auto *list = f.find<QListWidget>("listWidget");
        f.click("res_btn");
        QTRY_COMPARE(list->count(), 1);
        QCOMPARE(f.controller.received(), requests::serial_search());
        QCOMPARE(list->item(0)->text(), QStringLiteral("00042"));

        // Each search starts with an empty list.
        f.click("res_btn");
        QTRY_COMPARE(f.controller.requests().size(), 2);
        QTRY_COMPARE(list->count(), 1);

        const QPoint item_centre = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item_centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item_centre);
        QCOMPARE(f.edit("lineEdit")->text(), QStringLiteral("00042"));
    }

    void status_reply_to_a_search_closes_the_port()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        f.controller.answer = [](const QByteArray &) { return harness::ok_reply; };
        f.click("res_btn");
        QTRY_COMPARE(f.button("connect_btn")->text(), QStringLiteral("Нет соединения"));
        QCOMPARE(f.status(), exchange::not_enough_data_text());
        QCOMPARE(f.find<QListWidget>("listWidget")->count(), 0);
        f.click("status_Eth");
        QCOMPARE(f.status(), exchange::guard_text_latin());

        // The port was released (no descriptor of ours still holds the
        // device), so it opens again at once.
        QCOMPARE(harness::open_descriptors(f.pty.program_device()), 0);
        f.click("connect_btn");
        QCOMPARE(f.button("connect_btn")->text(), QStringLiteral("Включено ") + f.pty.program_end());
        f.controller.answer = [](const QByteArray &) { return QByteArray(R"({"result":"error_get"})"); };
        f.click("res_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Ошибка обработки запроса на чтение"));
    }

    void a_second_request_waits_for_the_first()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        auto *list = f.find<QListWidget>("listWidget");
        const QByteArray identity = harness::identity_reply({{"serial", "777"}});
        // The search's reply comes late; an identification pressed meanwhile
        // would have taken it for its own.
        f.controller.answer = [&](const QByteArray &request) {
            if (request.contains("\"params\": \"serial\""))
                QTimer::singleShot(300, [&] { f.controller.send(R"({"serial":"00042"})"); });
            return request.contains("fw_ver") ? identity : QByteArray();
        };
        f.click("res_btn");
        QTRY_COMPARE(f.controller.requests().size(), 1);
        QVERIFY(f.button("abort_btn")->isEnabled());
        f.click("connect_dev_btn");
        QCOMPARE(f.status(), QStringLiteral("Дождитесь завершения операции"));
        QTRY_COMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("00042"));
        QCOMPARE(f.controller.requests().size(), 1);
        QVERIFY(f.edit("lineEdit_3")->text().isEmpty());
        QVERIFY(!f.button("abort_btn")->isEnabled());

        f.click("connect_dev_btn");
        QTRY_COMPARE(f.edit("lineEdit_3")->text(), QStringLiteral("777"));
    }

    void switching_to_ethernet_abandons_a_pending_search()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        f.click("res_btn");
        QTRY_VERIFY(!f.controller.requests().isEmpty());
        harness::click(f.find<QRadioButton>("radioButton_2"));

        // An Ethernet exchange started meanwhile is served, not stalled.
        harness::FakeController ethernet;
        ethernet.answer = [](const QByteArray &) { return harness::identity_reply({{"serial", "9"}}); };
        QVERIFY(harness::connect_ethernet(f.window.get(), ethernet.port()));
        QCOMPARE(f.edit("lineEdit_3")->text(), QStringLiteral("9"));

        // What the serial line brings meanwhile is dropped, not kept to come
        // first in the next reply over it.
        f.controller.send("}{\"serial\":\"stale\"");
        QTest::qWait(200);
        harness::click(f.find<QRadioButton>("radioButton"));
        f.controller.answer = [](const QByteArray &) { return harness::identity_reply({{"serial", "S"}}); };
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.edit("lineEdit_3")->text(), QStringLiteral("S"));
    }

    void lost_device_is_reported()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        QCOMPARE(harness::open_descriptors(f.pty.program_device()), 1);
        f.pty.stop();
        // Shown at once, with nothing written: the line whose far end hung
        // up is closed, not read again and again.
        QTRY_COMPARE(f.status(), QStringLiteral("Ошибки в работе последовательного порта"));
        QCOMPARE(harness::open_descriptors(f.pty.program_device()), 0);
        // The button stays on; its next click switches it off.
        QCOMPARE(f.button("connect_btn")->text(), QStringLiteral("Включено ") + f.pty.program_end());
        f.click("connect_btn");
        QCOMPARE(f.button("connect_btn")->text(), QStringLiteral("Выключено"));
    }

    void unanswered_search_times_out()
    {
        SerialFixture f;
        QVERIFY(f.open_port());
        f.edit("interval_line")->setText(QStringLiteral("1000"));
        f.click("res_btn");
        // The tenth tick of one second exceeds the budget.
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Устройство не отвечает"), 15000);
        QCOMPARE(f.find<QListWidget>("listWidget")->count(), 0);
    }
};

QTEST_MAIN(SerialLinkTest)
#include "tst_serial_link.moc"
