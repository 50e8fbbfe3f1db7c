// Operations interrupted: the controller resets or closes its TCP
// connection, the serial adapter is pulled, the user presses "Прервать".
// Each time the operation ends at once with a text that says why, and
// connecting again works without restarting the program. And a second
// operation pressed while one is under way is refused, leaving the first
// one unharmed.

#include "app/mainwindow.h"
#include "support/harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <memory>

using harness::find;
using harness::ok_reply;

namespace {

const QByteArray identity = harness::identity_reply({{"serial", "77"}});
const QString eth_lost = QStringLiteral("Контроллер разорвал связь по Ethernet");
const QString serial_lost = QStringLiteral("Ошибки в работе последовательного порта");

// Far less than any budget of the operations here (ten seconds), and
// several ticks even on a loaded machine.
constexpr int at_once_ms = 3000;

// The window with the shipped catalogue and models, driven as a user would.
struct Session : harness::Window
{
    Session()
    {
        dir.copy_data_file(QStringLiteral("parametrs.csv"));
        dir.copy_data_file(QStringLiteral("Models.csv"));
        harness::Window::start();
    }
    bool progress_shown() { return find<QWidget>("transfer_progress")->isVisible(); }

    bool connect(harness::FakeController &controller)
    {
        return harness::connect_ethernet(window.get(), controller.port());
    }
    // Connected to `controller`, which identifies itself as controller "77".
    bool identify(harness::FakeController &controller)
    {
        controller.answer = [](const QByteArray &) { return identity; };
        return connect(controller);
    }

    // Readies `operation` and starts it.
    void start(const QString &operation)
    {
        if (operation.startsWith(QLatin1String("parameter"))) {
            find<QTabWidget>("tabWidget")->setCurrentIndex(1);
            find<QTabWidget>("tabWidget_2")->setCurrentIndex(1);
            click("fiil_flags_btn"); // every row: several requests
            const bool read = operation == QLatin1String("parameter read");
            // A write leaves out the rows that may not be written (greyed).
            auto *table = find<QTableWidget>("tableWidget_3");
            for (int row = 0; !read && row < table->rowCount(); ++row) {
                const QTableWidgetItem *value = table->item(row, 2);
                if (value && value->background() == QBrush(Qt::gray, Qt::SolidPattern))
                    qobject_cast<QCheckBox *>(table->cellWidget(row, 0))->setChecked(false);
            }
            click(read ? "read_param_btn" : "write_param_btn");
        } else if (operation == QLatin1String("settings dump")) {
            click("write_settings_btn");
        } else if (operation == QLatin1String("download")) {
            edit("lineEdit_7")->setText(QStringLiteral("data.csv"));
            click("load_out_btn");
        } else if (operation == QLatin1String("device write")) {
            for (const char *serial : {"S1", "S2", "S3"}) {
                edit("lineEdit_8")->setText(QString::fromLatin1(serial));
                edit("lineEdit_11")->setText(QStringLiteral("1"));
                click("set_new_dev_btn");
            }
            click("write_dev_btn"); // one request per device
        } else {
            dir.write_file(QStringLiteral("fw.bin"), QByteArray(8 << 20, 'x'));
            harness::answer_next_file_dialog(dir.file_path(QStringLiteral("fw.bin")));
            click("load_in_btn");
        }
    }
};

} // namespace

class LostLinksTest : public QObject
{
    Q_OBJECT

private slots:
    void ethernet_goes_during_an_operation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("loss");
        QTest::addColumn<QString>("text");
        QTest::newRow("parameter read, reset") << "parameter read"
                                               << "reset" << eth_lost;
        QTest::newRow("device write, reset") << "device write"
                                             << "reset" << eth_lost;
        QTest::newRow("upload, reset") << "upload"
                                       << "reset" << eth_lost;
        QTest::newRow("upload, closed") << "upload"
                                        << "close" << eth_lost;
        QTest::newRow("device write, closed") << "device write"
                                              << "close" << eth_lost;
        // Still sending when the user ends the connection: it goes quietly.
        QTest::newRow("upload, disconnected") << "upload"
                                              << "user"
                                              << "Связь по Ethernet отключена";
        // The user's stop ends the operation alone; the link stays.
        const QString stopped = QStringLiteral("Операция прервана");
        QTest::newRow("parameter read, stopped") << "parameter read"
                                                 << "stop" << stopped;
        QTest::newRow("device write, stopped") << "device write"
                                               << "stop" << stopped;
        QTest::newRow("upload, stopped") << "upload"
                                         << "stop" << stopped;
        // Switching the link ends what runs on the other one.
        QTest::newRow("device write, link switched") << "device write"
                                                     << "switch" << stopped;
    }

    void ethernet_goes_during_an_operation()
    {
        QFETCH(QString, operation);
        QFETCH(QString, loss);
        QFETCH(QString, text);
        Session s;
        harness::FakeController controller;
        QVERIFY(s.identify(controller));

        // The first step is answered; the link goes during the second: the
        // next request, or the upload's content well under way.
        // The user's own interruptions keep the connection.
        const bool stop = loss == QLatin1String("stop") || loss == QLatin1String("switch");
        const auto lose = [&] {
            if (loss == QLatin1String("reset"))
                controller.reset_client();
            else if (loss == QLatin1String("close"))
                controller.drop_client();
            else if (loss == QLatin1String("stop"))
                s.click("abort_btn");
            else if (loss == QLatin1String("switch"))
                harness::click(find<QRadioButton>(s.window.get(), "radioButton")),
                    harness::click(find<QRadioButton>(s.window.get(), "radioButton_2"));
            else
                s.click("disconnect_eth_btn");
        };
        int requests = 0;
        controller.answer = [&](const QByteArray &) {
            if (++requests == 1)
                return ok_reply;
            QTimer::singleShot(0, lose);
            return QByteArray();
        };
        const int sent_before = controller.received().size();
        bool content_cut = false;
        controller.on_bytes = [&] {
            if (!content_cut && requests == 1 && operation == QLatin1String("upload")
                && controller.received().size() - sent_before > (256 << 10)) {
                content_cut = true;
                QTimer::singleShot(0, lose);
            }
        };
        s.start(operation);
        QTRY_VERIFY(s.window->exchange_pending());
        QVERIFY(s.button("abort_btn")->isEnabled());
        QTRY_COMPARE(s.status(), text);
        QTRY_VERIFY_WITH_TIMEOUT(!s.window->exchange_pending(), at_once_ms);
        const int requests_at_end = controller.requests().size();
        QTest::qWait(200);                                       // what is still under way ends
        QCOMPARE(s.status(), text);                              // not replaced by a time-out's text
        QCOMPARE(controller.requests().size(), requests_at_end); // and no step sent after it
        QVERIFY(!s.progress_shown());
        QVERIFY(!s.button("abort_btn")->isEnabled());
        QCOMPARE(s.button("connect_dev_btn")->text(),
                 stop ? QStringLiteral("Связь по Eth установлена") : QStringLiteral("Установить связь"));

        // Connect again, identify and talk, in the same session.
        controller.on_bytes = nullptr;
        controller.answer = [](const QByteArray &request) { return request.contains("fw_id") ? identity : ok_reply; };
        s.edit("lineEdit_3")->clear();
        s.click("connect_dev_btn");
        QTRY_COMPARE(s.edit("lineEdit_3")->text(), QStringLiteral("77"));
        QCOMPARE(controller.connection_count(), stop ? 1 : 2);
        s.click("transmit_server_btn");
        QTRY_COMPARE(s.status(), QStringLiteral("Передача запущена"));
    }

    void download_save_dialog_outlives_the_link()
    {
        Session s;
        harness::FakeController controller;
        QVERIFY(s.identify(controller));
        controller.answer = [](const QByteArray &) { return "a;b\n" + ok_reply; };
        // The controller hangs up while the save dialog is up; the dialog
        // is answered once the program has seen it go.
        QList<QFileDialog *> dialogs;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (!dialogs.contains(dialog)) {
                dialogs << dialog;
                controller.drop_client();
            } else if (s.status() == eth_lost) {
                harness::answer_file_dialog(dialog, s.dir.file_path(QStringLiteral("report")));
            }
        });
        watch.start(20);
        s.start(QStringLiteral("download"));
        QTRY_VERIFY(!dialogs.isEmpty());
        QTRY_VERIFY(!s.window->exchange_pending());
        QTest::qWait(200);
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(s.dir.read_file(QStringLiteral("report.csv")), QByteArray("a;b\n"));
        QCOMPARE(s.status(), QStringLiteral("Файл записан"));
        QCOMPARE(s.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));
    }

    void a_second_operation_waits_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QByteArray>("second"); // button pressed while it runs
        QTest::addColumn<QByteArray>("mark");   // what every request of the operation holds ("!": none)
        QTest::addColumn<int>("requests");      // how many it sends; 0: more than one
        QTest::addColumn<QString>("text");
        QTest::newRow("parameter read, then a write")
            << "parameter read" << QByteArray("write_param_btn") << QByteArray("\"params\"") << 0 << "";
        QTest::newRow("parameter write, then a read") << "parameter write" << QByteArray("read_param_btn")
                                                      << QByteArray("!\"method\"") << 0 << "Запись произведена";
        QTest::newRow("device write, then an upload")
            << "device write" << QByteArray("load_in_btn") << QByteArray("\"devices\"") << 3 << "Запись завершена";
        QTest::newRow("device write, then a delete")
            << "device write" << QByteArray("delete_dev_btn") << QByteArray("\"devices\"") << 3 << "Запись завершена";
        QTest::newRow("upload, then a list read")
            << "upload" << QByteArray("read_dev_btn") << QByteArray("\"fl_size\"") << 1 << "Файл записан";
        QTest::newRow("upload, then a list write")
            << "upload" << QByteArray("write_dev_btn") << QByteArray("\"fl_size\"") << 1 << "Файл записан";
        QTest::newRow("settings dump, twice") << "settings dump" << QByteArray("write_settings_btn")
                                              << QByteArray("\"all\"") << 1 << "Настройки записаны";
        QTest::newRow("download's save dialog, then a transmission")
            << "download" << QByteArray("transmit_server_btn") << QByteArray("data.csv") << 1 << "Файл записан";
        QTest::newRow("identification, then a poll")
            << "identification" << QByteArray("req_all_dev") << QByteArray("fw_ver") << 1 << "";
    }

    void a_second_operation_waits()
    {
        QFETCH(QString, operation);
        QFETCH(QByteArray, second);
        QFETCH(QByteArray, mark);
        QFETCH(int, requests);
        Session s;
        harness::FakeController controller;
        QVERIFY(s.identify(controller));
        const int before = controller.requests().size();
        // Every step answered late, as a slow line would.
        controller.answer = [&](const QByteArray &request) {
            const QByteArray reply = request.contains("fw_ver")       ? identity
                                     : request.contains("data.csv")   ? "a;b\n" + ok_reply
                                     : request.contains("\"all\"")    ? QByteArray(R"({"object_name":"site"})")
                                     : request.contains("\"params\"") ? QByteArray("{}")
                                                                      : ok_reply;
            QTimer::singleShot(150, [&controller, reply] { controller.send(reply); });
            return QByteArray();
        };
        // An upload's content, raw, is confirmed once it is all there.
        const int received_before = controller.received().size();
        controller.on_bytes = [&, confirmed = false]() mutable {
            if (!confirmed && controller.received().size() - received_before > (8 << 20)) {
                confirmed = true;
                QTimer::singleShot(150, [&controller] { controller.send(ok_reply); });
            }
        };
        QString refusal;
        const auto press_second = [&] {
            s.click(second.constData());
            refusal = s.status();
        };
        // The download's second press comes while its save dialog is up (in
        // the dialog's own event loop), and the dialog is answered after it.
        QTimer dialogs;
        QObject::connect(&dialogs, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog->acceptMode() != QFileDialog::AcceptSave)
                return;
            if (refusal.isEmpty())
                press_second();
            harness::answer_file_dialog(dialog, s.dir.file_path(QStringLiteral("report")));
        });
        dialogs.start(20);
        if (operation == QLatin1String("identification"))
            s.click("connect_dev_btn");
        else
            s.start(operation);
        QTRY_VERIFY(controller.requests().size() > before);
        if (operation != QLatin1String("download"))
            press_second();
        QTRY_COMPARE(refusal, QStringLiteral("Дождитесь завершения операции"));
        QTRY_VERIFY_WITH_TIMEOUT(!s.window->exchange_pending(), 20000);
        QTest::qWait(200);
        QTEST(s.status(), "text");
        const QStringList sent = controller.requests().mid(before);
        const bool held = !mark.startsWith('!');
        for (const QString &request : sent)
            QVERIFY2(request.toUtf8().contains(held ? mark : mark.mid(1)) == held, qPrintable(request));
        QVERIFY(requests ? sent.size() == requests : sent.size() > 1);
    }

    // The controller's answer to an operation that ended without it comes
    // late, while the next request would already be out: it confirms
    // nothing, and the next request's own answer is the one shown.
    void late_replies_confirm_nothing_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("after a stop") << "stop";
        QTest::newRow("after a time-out") << "time-out";
        QTest::newRow("after a stopped upload") << "upload";
    }

    void late_replies_confirm_nothing()
    {
        QFETCH(QString, first);
        Session s;
        harness::FakeController controller;
        QVERIFY(s.identify(controller));
        const int before = controller.requests().size();
        // The first request's "ok" comes 250 ms late; the second request is
        // refused 400 ms after it, so that the late "ok" would come first.
        controller.answer = [&](const QByteArray &request) {
            const bool second = controller.requests().size() - before > 1;
            const QByteArray late = second ? QByteArray(R"({"result":"error_value"})") : ok_reply;
            if (second || !request.contains("fl_size"))
                QTimer::singleShot(second ? 400 : 250, [&controller, late] { controller.send(late); });
            return second || !request.contains("fl_size") ? QByteArray() : ok_reply;
        };
        const int received_before = controller.received().size();
        controller.on_bytes = [&, answered = false]() mutable {
            if (!answered && controller.received().size() - received_before > (8 << 20)) {
                answered = true; // the whole file: its "ok", late
                QTimer::singleShot(100, [&controller] { controller.send(ok_reply); });
            }
        };
        if (first == QLatin1String("upload")) {
            s.start(QStringLiteral("upload"));
            QTRY_VERIFY(controller.received().size() - received_before > (1 << 20)); // the content under way
            s.click("abort_btn");
        } else if (first == QLatin1String("stop")) {
            s.click("write_interf_btn");
            QTRY_COMPARE(controller.requests().size(), before + 1);
            s.click("abort_btn");
        } else {
            s.click("status_Eth"); // its reply is due within one tick
            QTRY_COMPARE(s.status(), QStringLiteral("Устройство не отвечает"));
        }
        QVERIFY(!s.window->exchange_pending());
        s.click("write_interf_btn");
        QTRY_COMPARE_WITH_TIMEOUT(s.status(), QStringLiteral("Ошибка значения ключа"), 10000);
        QTest::qWait(300);
        QCOMPARE(s.status(), QStringLiteral("Ошибка значения ключа"));
    }

    // Once the controller identified is no longer in front of the window,
    // nothing names it: not the fields, not a file named by its serial.
    void nothing_names_a_controller_gone_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("disconnected") << "disconnect_eth_btn";
        QTest::newRow("COM chosen") << "radioButton";
        QTest::newRow("identification fails") << "connect_dev_btn";
        QTest::newRow("the controller hangs up") << "hang up";
    }

    void nothing_names_a_controller_gone()
    {
        QFETCH(QString, how);
        Session s;
        harness::FakeController controller;
        controller.answer = [](const QByteArray &request) {
            return request.contains("ipconfig") ? QByteArray(R"({"ipconfig":[[1,2,3,4],[1,2,3,1]]})") : identity;
        };
        QVERIFY(s.connect(controller));
        s.click("status_Eth");
        QTRY_COMPARE(s.edit("lineEdit_12")->text(), QStringLiteral("1.2.3.4"));
        QCOMPARE(s.edit("lineEdit_3")->text(), QStringLiteral("77"));
        controller.answer = [](const QByteArray &) { return ok_reply; }; // no identity
        if (how == QLatin1String("hang up"))
            controller.drop_client();
        else
            harness::click(find<QAbstractButton>(s.window.get(), how));
        for (const char *field : {"lineEdit_3", "lineEdit_4", "lineEdit_5", "lineEdit_12", "lineEdit_13"})
            QTRY_VERIFY2(s.edit(field)->text().isEmpty(), field);
    }

    // A control that changes what an operation under way uses waits for it.
    void controls_wait_for_the_operation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("control");
        const auto row = [](const char *name, const char *operation, const char *control) {
            QTest::newRow(name) << QString(operation) << QString(control);
        };
        row("channel, list read", "list read", "comboBox");
        row("new device, list read", "list read", "set_new_dev_btn");
        row("table cleared, device write", "device write", "clear_table_btn");
        row("device deleted, device write", "device write", "del_dev_btn");
        row("devices from a file, list read", "list read", "read_file_dev_btn");
        row("settings file, parameter read", "parameter read", "read_settings_btn");
        row("factory settings, parameter write", "parameter write", "industrial_btn");
    }

    void controls_wait_for_the_operation()
    {
        QFETCH(QString, operation);
        QFETCH(QString, control);
        Session s;
        harness::FakeController controller;
        QVERIFY(s.identify(controller));
        controller.answer = [](const QByteArray &) { return QByteArray(); }; // silent
        if (operation == QLatin1String("list read"))
            s.click("read_dev_btn");
        else
            s.start(operation);
        QTRY_VERIFY(s.window->exchange_pending());
        auto *channel = find<QComboBox>(s.window.get(), "comboBox");
        auto *table = find<QTableWidget>(s.window.get(), "tableWidget_2");
        const QString first_cell = table->item(0, 0) ? table->item(0, 0)->text() : QString();
        if (control == QLatin1String("comboBox")) {
            channel->setCurrentIndex(3);
            emit channel->activated(3);
        } else {
            table->setCurrentCell(0, 0);
            s.click(qPrintable(control)); // no dialog opens
        }
        QCOMPARE(s.status(), QStringLiteral("Дождитесь завершения операции"));
        QCOMPARE(channel->currentIndex(), 0);
        QCOMPARE(table->item(0, 0) ? table->item(0, 0)->text() : QString(), first_cell);
        QCOMPARE(table->editTriggers() == QAbstractItemView::NoEditTriggers, !operation.startsWith("parameter"));
        QVERIFY(s.window->exchange_pending());
        s.click("abort_btn");
    }

    void serial_adapter_pulled_during_an_upload()
    {
        Session s;
        harness::PtyPair pty;
        auto controller = std::make_unique<harness::SerialController>(pty.controller_end());
        controller->answer = [](const QByteArray &) { return ok_reply; };
        QVERIFY(harness::open_serial_port(s.window.get(), pty.program_end()));
        const QString port_on = QStringLiteral("Включено ") + pty.program_end();

        // Pulled once the content is on its way.
        bool pulled = false;
        controller->on_bytes = [&] {
            if (!pulled && controller->received().size() > (64 << 10)) {
                pulled = true;
                QTimer::singleShot(0, [&] { pty.stop(); });
            }
        };
        s.start(QStringLiteral("upload"));
        QTRY_COMPARE(s.status(), serial_lost);
        QTRY_VERIFY_WITH_TIMEOUT(!s.window->exchange_pending(), at_once_ms);
        QCOMPARE(s.status(), serial_lost);
        QVERIFY(!s.progress_shown());

        // Plugged in again: the port button off and on, and the controller
        // answers as before.
        controller.reset();
        pty.start();
        controller = std::make_unique<harness::SerialController>(pty.controller_end());
        controller->answer = [](const QByteArray &) { return identity; };
        s.click("connect_btn");
        QCOMPARE(s.button("connect_btn")->text(), QStringLiteral("Выключено"));
        s.click("connect_btn");
        QCOMPARE(s.button("connect_btn")->text(), port_on);
        s.click("connect_dev_btn");
        QTRY_COMPARE(s.edit("lineEdit_3")->text(), QStringLiteral("77"));
    }
};

QTEST_MAIN(LostLinksTest)
#include "tst_lost_links.moc"
