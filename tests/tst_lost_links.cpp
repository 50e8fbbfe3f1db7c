// Links that go away in the middle of an operation: the controller resets
// or closes its TCP connection, the serial adapter is pulled. Each time the
// operation ends at once with a text that says why, and connecting again
// works without restarting the program.

#include "app/mainwindow.h"
#include "support/harness.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <memory>

using harness::find;

namespace {

const QByteArray identity = R"({"serial":"77","fw_ver":"1","fw_id":"1","rs_type":[]})";
const QByteArray ok = R"({"result":"ok"})";
const QString eth_lost = QStringLiteral("Контроллер разорвал связь по Ethernet");
const QString serial_lost = QStringLiteral("Ошибки в работе последовательного порта");

// Far less than any budget of the operations here (ten seconds), and
// several ticks even on a loaded machine.
constexpr int at_once_ms = 3000;

// The window with the shipped catalogue and models, driven as a user would.
struct Session
{
    harness::WorkingDirectory dir;
    std::unique_ptr<MainWindow> window;

    Session()
    {
        dir.copy_data_file(QStringLiteral("parametrs.csv"));
        dir.copy_data_file(QStringLiteral("Models.csv"));
        window = std::make_unique<MainWindow>();
        window->show();
    }
    QPushButton *button(const char *name) { return find<QPushButton>(window.get(), name); }
    QLineEdit *edit(const char *name) { return find<QLineEdit>(window.get(), name); }
    QString status() { return find<QLabel>(window.get(), "label")->text(); }
    void click(const char *name) { harness::click(button(name)); }
    bool progress_shown() { return find<QWidget>(window.get(), "transfer_progress")->isVisible(); }

    // Readies `operation` and starts it.
    void start(const QString &operation)
    {
        if (operation == QLatin1String("parameter read")) {
            find<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(1);
            click("fiil_flags_btn"); // every row: a read in several requests
            click("read_param_btn");
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
        QTest::newRow("parameter read, reset") << "parameter read" << "reset" << eth_lost;
        QTest::newRow("device write, reset") << "device write" << "reset" << eth_lost;
        QTest::newRow("upload, reset") << "upload" << "reset" << eth_lost;
        QTest::newRow("upload, closed") << "upload" << "close" << eth_lost;
        QTest::newRow("device write, closed") << "device write" << "close" << eth_lost;
        // Still sending when the user ends the connection: it goes quietly.
        QTest::newRow("upload, disconnected") << "upload" << "user" << "Связь по Ethernet отключена";
    }

    void ethernet_goes_during_an_operation()
    {
        QFETCH(QString, operation);
        QFETCH(QString, loss);
        QFETCH(QString, text);
        Session s;
        harness::FakeController controller;
        controller.answer = [](const QByteArray &) { return identity; };
        s.edit("lineEdit")->setText(QStringLiteral("127.0.0.1"));
        s.edit("lineEdit_2")->setText(controller.port_text());
        s.click("connect_dev_btn");
        QTRY_COMPARE(s.edit("lineEdit_3")->text(), QStringLiteral("77"));

        // The first step is answered; the link goes during the second: the
        // next request, or the upload's content well under way.
        const auto lose = [&] {
            if (loss == QLatin1String("reset"))
                controller.reset_client();
            else if (loss == QLatin1String("close"))
                controller.drop_client();
            else
                s.click("disconnect_eth_btn");
        };
        int requests = 0;
        controller.answer = [&](const QByteArray &) {
            if (++requests == 1)
                return ok;
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
        QTRY_COMPARE(s.status(), text);
        QTRY_VERIFY_WITH_TIMEOUT(!s.window->exchange_pending(), at_once_ms);
        QTest::qWait(200); // what is still under way ends
        QCOMPARE(s.status(), text); // not replaced by a time-out's text
        QVERIFY(!s.progress_shown());
        QCOMPARE(s.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));

        // Connect again, identify and talk, in the same session.
        controller.on_bytes = nullptr;
        controller.answer = [](const QByteArray &request) { return request.contains("fw_id") ? identity : ok; };
        s.edit("lineEdit_3")->clear();
        s.click("connect_dev_btn");
        QTRY_COMPARE(s.edit("lineEdit_3")->text(), QStringLiteral("77"));
        QCOMPARE(controller.connection_count(), 2);
        s.click("transmit_server_btn");
        QTRY_COMPARE(s.status(), QStringLiteral("Передача запущена"));
    }

    void serial_adapter_pulled_during_an_upload()
    {
        Session s;
        harness::PtyPair pty;
        QTRY_VERIFY(pty.ready());
        auto controller = std::make_unique<harness::SerialController>(pty.controller_end());
        controller->answer = [](const QByteArray &) { return ok; };
        harness::click(find<QRadioButton>(s.window.get(), "radioButton"));
        auto *ports = find<QComboBox>(s.window.get(), "name_box");
        ports->addItem(pty.program_end());
        ports->setCurrentIndex(ports->count() - 1);
        s.click("connect_btn");
        const QString port_on = QStringLiteral("Включено ") + pty.program_end();
        QCOMPARE(s.button("connect_btn")->text(), port_on);

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
        QTRY_VERIFY(pty.ready());
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
