// The device list and the polls against a controller: a stand-in on
// 127.0.0.1 for the exact bytes and the odd replies, the simulator over TCP
// and over a serial line for whole conversations.

#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "engine/requests.h"
#include "support/harness.h"

#include <QBrush>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include <functional>
#include <memory>

using harness::find;

namespace {

const QByteArray identity =
    R"({"serial":"00012345","fw_ver":"1.4.2","fw_id":"A1B2C3D4","rs_type":["232","232","232","232","232","232","232","232"]})";
const QColor polled_colour(0xAEEBA9);
const QColor unpolled_colour(0xE6FC56);

// The window on the devices tab, with the shipped models list.
struct DeviceFixture
{
    harness::WorkingDirectory dir;
    std::unique_ptr<MainWindow> window;

    DeviceFixture()
    {
        dir.copy_data_file(QStringLiteral("Models.csv"));
        window = std::make_unique<MainWindow>();
        window->show();
        edit("lineEdit")->setText(QStringLiteral("127.0.0.1"));
    }
    QLineEdit *edit(const char *name) { return find<QLineEdit>(window.get(), name); }
    QTableWidget *table() { return find<QTableWidget>(window.get(), "tableWidget_2"); }
    QString cell(int row, int column) { return table()->item(row, column)->text(); }
    QColor colour(int row, int column) { return table()->item(row, column)->background().color(); }
    QString status() { return find<QLabel>(window.get(), "label")->text(); }
    void click(const char *name) { harness::click(find<QPushButton>(window.get(), name)); }
    void choose(const char *box_name, int index)
    {
        auto *box = find<QComboBox>(window.get(), box_name);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    // Composes a device in the entry group and adds it.
    void add(int model, const QString &serial, int address = 1, const QString &note = QStringLiteral("1"))
    {
        choose("comboBox_2", model);
        edit("lineEdit_8")->setText(serial);
        edit("lineEdit_11")->setText(QString::number(address));
        edit("lineEdit_6")->setText(note);
        click("set_new_dev_btn");
    }
    // The texts the status line shows, in turn, while `wait` runs.
    QString statuses_while(const std::function<void()> &wait)
    {
        QStringList texts;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (texts.isEmpty() || texts.last() != status())
                texts << status();
        });
        watch.start(5);
        wait();
        texts.removeAll(QString());
        return texts.join(" | ");
    }
    bool identified()
    {
        return QTest::qWaitFor(
            [this] {
                return find<QPushButton>(window.get(), "connect_dev_btn")->text()
                       == QStringLiteral("Связь по Eth установлена");
            },
            5000);
    }
};

// The window connected to a stand-in that answers the identification and
// then whatever `reply` says.
struct FakeFixture : DeviceFixture
{
    harness::FakeController controller;
    std::function<QByteArray(const QByteArray &)> reply;
    int requests_before = 0;

    bool connect()
    {
        edit("lineEdit_2")->setText(controller.port_text());
        controller.answer = [this](const QByteArray &request) {
            if (request.contains("fw_id"))
                return identity;
            return reply ? reply(request) : QByteArray();
        };
        click("connect_dev_btn");
        if (!identified())
            return false;
        requests_before = controller.requests().size();
        return true;
    }
    // What was sent since the connection was made.
    QStringList sent() { return controller.requests().mid(requests_before); }
};

// The window connected to the simulator over TCP.
struct SimFixture : DeviceFixture
{
    harness::Simulator sim;

    bool connect()
    {
        if (!sim.start({"--listen", "127.0.0.1:0"}))
            return false;
        edit("lineEdit_2")->setText(QString::number(sim.tcp_port()));
        click("connect_dev_btn");
        return identified();
    }
    // Reads the current channel's list and waits for the read to end.
    void read_list()
    {
        click("read_dev_btn");
        QTRY_VERIFY_WITH_TIMEOUT(!status().startsWith(QStringLiteral("Идёт чтение")) && !status().isEmpty(), 6000);
    }
};

QByteArray list_reply(const QJsonArray &devices)
{
    return QJsonDocument(QJsonObject{{"devices", devices}}).toJson(QJsonDocument::Compact);
}

// Braces around one array would copy it rather than nest it.
QByteArray list_reply(std::initializer_list<QJsonArray> devices)
{
    QJsonArray list;
    for (const QJsonArray &device : devices)
        list.append(device);
    return list_reply(list);
}

} // namespace

class DeviceExchangeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (harness::Simulator::program().isEmpty())
            QSKIP("the simulator was not built");
    }

    void request_buttons_need_an_open_link_data()
    {
        QTest::addColumn<QString>("button");
        for (const char *button : {"read_dev_btn", "write_dev_btn", "delete_dev_btn", "req_all_dev", "req_one_dev",
                                   "req_ch_btn", "res_to_serv_btn", "write_interf_btn"})
            QTest::newRow(button) << QString(button);
    }

    void request_buttons_need_an_open_link()
    {
        QFETCH(QString, button);
        FakeFixture f;
        f.edit("lineEdit_2")->setText(f.controller.port_text());
        f.add(0, "S1");
        f.table()->setCurrentCell(0, 0);
        f.click(qPrintable(button));
        QCOMPARE(f.status(), exchange::guard_text_latin());
        QCOMPARE(f.status().toUtf8().size(), 25);
        QTest::qWait(300);
        QCOMPARE(f.controller.connection_count(), 0);
        QCOMPARE(f.status(), exchange::guard_text_latin());
        QCOMPARE(f.cell(0, 0), QStringLiteral("1"));
    }

    void polls_byte_for_byte_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");

        const QByteArray ok = R"({"result":"ok"})";
        QTest::newRow("all") << "req_all_dev" << 0 << requests::poll_all() << ok
                             << "Все устройства успешно опрошены";
        QTest::newRow("channel 8") << "req_ch_btn" << 7 << QByteArray(R"({"method": "poll", "devices":"all8"})") << ok
                                   << "Канал успешно опрошен";
        QTest::newRow("one device") << "req_one_dev" << 2 << QByteArray(R"({"method": "poll", "devices":[7,3,12,9600]})")
                                    << ok << "Устройство успешно опрошено";
        QTest::newRow("with transmission") << "res_to_serv_btn" << 0 << requests::poll_transmit() << ok
                                           << "Опрос с передечай на сервер успешен";
        QTest::newRow("interfaces") << "write_interf_btn" << 0
                                    << requests::channel_interfaces({"232", "232", "232", "232", "232", "232", "232", "232"}) << ok
                                    << "Запись произведена";
        QTest::newRow("error") << "req_ch_btn" << 0 << QByteArray(R"({"method": "poll", "devices":"all1"})")
                               << QByteArray(R"({"result":"error_test"})") << "Ошибка тестирования канала";
        QTest::newRow("unknown result") << "req_all_dev" << 0 << requests::poll_all()
                                        << QByteArray(R"({"result":"later"})") << "";
    }

    void polls_byte_for_byte()
    {
        QFETCH(QString, button);
        QFETCH(int, channel);
        QFETCH(QByteArray, reply);
        FakeFixture f;
        QVERIFY(f.connect());
        f.choose("comboBox", channel);
        f.add(6, "S1", 12); // model code 7
        f.table()->setCurrentCell(0, 2);
        f.reply = [&](const QByteArray &) { return reply; };
        f.click(qPrintable(button));
        QTRY_COMPARE(f.sent().size(), 1);
        QTEST(f.sent().first().toUtf8(), "request");
        QTRY_VERIFY(harness::log_text().contains(QString::fromUtf8(reply)));
        QFETCH(QString, text);
        QTRY_COMPARE(f.status(), text);
    }

    void one_device_poll_refusals_data()
    {
        QTest::addColumn<int>("row"); // -1: none selected
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("text");
        QTest::newRow("no row") << -1 << "" << "1" << "Устройство не выбрано";
        QTest::newRow("empty row") << 3 << "" << "1" << "В выбранной строке нет прибора";
        QTest::newRow("unknown model") << 0 << "Чужая модель" << "1" << "Модель прибора не из списка моделей";
        QTest::newRow("address not a number") << 0 << "" << "1]}" << "Сетевой адрес и скорость обмена должны быть числами";
    }

    void one_device_poll_refusals()
    {
        QFETCH(int, row);
        FakeFixture f;
        QVERIFY(f.connect());
        f.add(0, "S1");
        QFETCH(QString, model);
        if (!model.isEmpty())
            f.table()->item(0, 1)->setText(model);
        QFETCH(QString, address);
        f.table()->item(0, 5)->setText(address);
        if (row >= 0)
            f.table()->setCurrentCell(row, 1);
        f.click("req_one_dev");
        QTEST(f.status(), "text");
        QTest::qWait(300);
        QVERIFY(f.sent().isEmpty());
    }

    void write_three_devices_then_delete()
    {
        FakeFixture f;
        QVERIFY(f.connect());
        f.choose("comboBox", 7);
        f.add(6, "S1", 1, "two words"); // model code 7
        f.add(0, "S2", 2);
        f.add(11, "S3", 3);
        QStringList texts;
        f.reply = [&](const QByteArray &) {
            texts << f.status();
            return QByteArray(R"({"result":"ok"})");
        };
        f.click("write_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись завершена"));
        QCOMPARE(f.sent(), (QStringList{R"({"devices":[[1793,7,"S1",1,"Брамиль",1,8,9600,"two words"]]})",
                                        R"({"devices":[[1794,1,"S2",1,"Ловарис",2,8,9600,"1"]]})",
                                        R"({"devices":[[1795,12,"S3",1,"Ольвен",3,8,9600,"1"]]})"}));
        // Before the second and third request: the first and second "ok".
        QCOMPARE(texts.mid(1), (QStringList{"Запись произведена успешно: 0c", "Запись произведена успешно: 0c"}));
        QCOMPARE(f.colour(0, 0), QColor(Qt::white));

        f.reply = [](const QByteArray &) { return QByteArray(R"({"result":"ok"})"); };
        f.click("delete_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Удаление произведено успешно"));
        QCOMPARE(f.sent().last(), QStringLiteral(R"({"method":"delete","devices":"all8"})"));
        QCOMPARE(f.cell(2, 0), QStringLiteral("1795"));
    }

    void write_stops_data()
    {
        QTest::addColumn<QByteArray>("second_reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("error value") << QByteArray(R"({"result":"error_value"})") << "Ошибка значения ключа";
        QTest::newRow("no confirmation") << QByteArray(R"({"result":"busy"})")
                                         << "Запись прервана: нет подтверждения записи";
        QTest::newRow("not JSON") << QByteArray("}") << "Запись прервана: нет подтверждения записи";
    }

    void write_stops()
    {
        QFETCH(QByteArray, second_reply);
        FakeFixture f;
        QVERIFY(f.connect());
        for (int i = 0; i < 4; ++i)
            f.add(i, QStringLiteral("S%1").arg(i));
        int replies = 0;
        f.reply = [&](const QByteArray &) {
            return ++replies == 2 ? second_reply : QByteArray(R"({"result":"ok"})");
        };
        f.click("write_dev_btn");
        QFETCH(QString, text);
        QTRY_COMPARE(f.status(), text);
        QTest::qWait(300);
        QCOMPARE(f.sent().size(), 2);

        // The next click starts again from row 0.
        replies = 10;
        f.click("write_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись завершена"));
        QCOMPARE(f.sent().size(), 6);
        QVERIFY(f.sent().at(2).contains("[[1,1,"));
    }

    void slow_write_shows_its_progress()
    {
        FakeFixture f;
        QVERIFY(f.connect());
        f.add(0, "S1");
        f.add(0, "S2");
        f.reply = [&](const QByteArray &) {
            QTimer::singleShot(f.sent().size() == 1 ? 1300 : 0, [&] { f.controller.send(R"({"result":"ok"})"); });
            return QByteArray();
        };
        const QString texts = f.statuses_while([&] {
            f.click("write_dev_btn");
            QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Запись завершена"), 5000);
        });
        QCOMPARE(texts, QStringLiteral("Идёт запись приборов: 1c | Запись произведена успешно: 1c | "
                                                   "Запись завершена"));
    }

    void write_refusals_data()
    {
        QTest::addColumn<QStringList>("serials");
        QTest::addColumn<int>("unknown_model_row"); // -1: all models known
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVector<int>>("red_rows");
        QTest::newRow("empty table") << QStringList() << -1 << "Нет приборов для записи" << QVector<int>{};
        QTest::newRow("duplicates") << QStringList{"A", "B", "A"} << -1 << "Одинаковые приборы" << QVector<int>{0, 2};
        QTest::newRow("unknown model") << QStringList{"A", "B", "C"} << 1 << "Модель прибора не из списка моделей: строка 2"
                                       << QVector<int>{1};
    }

    void write_refusals()
    {
        QFETCH(QStringList, serials);
        QFETCH(int, unknown_model_row);
        FakeFixture f;
        QVERIFY(f.connect());
        for (int i = 0; i < serials.size(); ++i)
            f.add(0, serials.at(i), i + 1);
        if (unknown_model_row >= 0)
            f.table()->item(unknown_model_row, 1)->setText(QStringLiteral("Чужая модель"));
        f.click("write_dev_btn");
        QTEST(f.status(), "text");
        QFETCH(QVector<int>, red_rows);
        for (int row = 0; row < serials.size(); ++row)
            QCOMPARE(f.colour(row, 4) == QColor(Qt::red), red_rows.contains(row));
        QTest::qWait(300);
        QVERIFY(f.sent().isEmpty());
    }

    void list_replies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");

        QTest::newRow("two devices") << list_reply(std::initializer_list<QJsonArray>{QJsonArray{1, 7, "S1", 2, "Брамиль", 3, 1, 9600, "n", 1},
                                                    QJsonArray{2, 99, "S2", 1, "?", 4, 1, 4800, "", 0}})
                                     << "Передача завершена" << 2;
        QTest::newRow("no devices") << QByteArray(R"({"devices":[]})") << "Устройства отсутствуют" << 0;
        QTest::newRow("no devices, with blanks") << QByteArray(R"({"devices": []})") << "Устройство не отвечает" << 0;
        QTest::newRow("refused") << QByteArray(R"({"result":"error_get"})") << "Ошибка обработки запроса на чтение" << 0;
        QTest::newRow("not JSON") << QByteArray("{\"devices\":[[1,7,\"}") << "Недостаточно данных" << 0;
        QTest::newRow("odd devices") << QByteArray(R"({"devices":[[5],[[[1]]],"x",[1,2,3,4,5,6,7,8,9,10,11]]})")
                                     << "Передача завершена" << 2;
        QJsonArray many;
        for (int i = 0; i < 400; ++i)
            many.append(QJsonArray{i + 1, 1, "S", 1, "M", 1, 1, 9600, "", i % 2});
        QTest::newRow("400 devices") << list_reply(many) << "Передача завершена" << 256;
    }

    void list_replies()
    {
        QFETCH(QByteArray, reply);
        FakeFixture f;
        QVERIFY(f.connect());
        f.add(0, "old");
        f.reply = [&](const QByteArray &) { return reply; };
        f.click("read_dev_btn");
        QFETCH(QString, text);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), text, 6000);
        QCOMPARE(f.sent(), QStringList{R"({"method":"get","devices":"all1"})"});
        QFETCH(int, rows);
        int filled = 0;
        while (filled < 256 && !f.cell(filled, 0).isEmpty())
            ++filled;
        QCOMPARE(filled, rows);
        QCOMPARE(f.table()->horizontalHeaderItem(8)->text(), QStringLiteral("Успешность опроса"));
        if (QTest::currentDataTag() == QByteArray("two devices")) {
            QCOMPARE(f.cell(0, 1), QStringLiteral("Брамиль 100"));
            QCOMPARE(f.cell(0, 5), QStringLiteral("3"));
            QCOMPARE(f.cell(0, 6), QStringLiteral("9600")); // element 6, the channel, is not shown
            QCOMPARE(f.cell(1, 1), QString());
            QCOMPARE(f.colour(0, 8), polled_colour);
            QCOMPARE(f.colour(1, 0), unpolled_colour);
            QCOMPARE(f.table()->item(0, 2)->textAlignment(), int(Qt::AlignLeft));
            QCOMPARE(f.table()->item(2, 2)->textAlignment(), int(Qt::AlignRight));
        }
        if (QTest::currentDataTag() == QByteArray("400 devices"))
            QCOMPARE(f.cell(255, 0), QStringLiteral("256"));
    }

    void list_read_waits_for_the_last_bytes()
    {
        // The list comes in two parts 1.5 s apart: the read takes the whole
        // of it and ends 2 s after the second part.
        FakeFixture f;
        QVERIFY(f.connect());
        const QByteArray reply = list_reply({QJsonArray{1, 7, "S1", 2, "Брамиль", 3, 1, 9600, "n", 1}});
        f.reply = [&](const QByteArray &) {
            QTimer::singleShot(1500, [&] { f.controller.send(reply.mid(20)); });
            return reply.left(20);
        };
        QElapsedTimer clock;
        clock.start();
        f.click("read_dev_btn");
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Передача завершена"), 8000);
        QVERIFY2(clock.elapsed() >= 3400, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.cell(0, 2), QStringLiteral("S1"));
    }

    void simulator_list_read_shows_progress()
    {
        SimFixture f;
        QVERIFY(f.connect());
        QElapsedTimer clock;
        clock.start();
        const QString texts = f.statuses_while([&] { f.read_list(); });
        const qint64 took = clock.elapsed();
        QCOMPARE(texts, QStringLiteral("Идёт чтение данных: 0c | Идёт чтение данных: 1c | Передача завершена"));
        QVERIFY2(took >= 1900 && took < 4000, qPrintable(QString::number(took)));
        QCOMPARE(f.cell(0, 1), QStringLiteral("Ловар-1Ф"));
        QCOMPARE(f.cell(1, 4), QStringLiteral("Квентор Энерго"));
        QCOMPARE(f.cell(2, 6), QStringLiteral("19200"));
        QCOMPARE(f.colour(1, 3), polled_colour);
        QCOMPARE(f.colour(2, 3), unpolled_colour);
        QVERIFY(f.cell(3, 0).isEmpty());
    }

    void simulator_write_poll_delete_and_interfaces()
    {
        SimFixture f;
        QVERIFY(f.connect());
        f.choose("comboBox", 4);
        f.add(6, "S1", 1);
        f.add(0, "S2", 3);
        f.add(11, "S3", 4);
        f.click("write_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись завершена"));

        f.click("req_ch_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Канал успешно опрошен"));
        f.read_list();
        QCOMPARE(f.status(), QStringLiteral("Передача завершена"));
        QCOMPARE(f.cell(2, 0), QStringLiteral("1027"));
        QCOMPARE(f.cell(0, 8), QStringLiteral("1"));
        QCOMPARE(f.cell(1, 8), QStringLiteral("0")); // address 3 never answers

        f.table()->setCurrentCell(1, 0);
        f.click("req_one_dev");
        QTRY_COMPARE(f.status(), QStringLiteral("Ошибка тестирования канала"));

        f.click("delete_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Удаление произведено успешно"));
        f.read_list();
        QCOMPARE(f.status(), QStringLiteral("Устройства отсутствуют"));

        f.choose("comboBox_5", 1);
        f.choose("comboBox_11", 1);
        f.click("write_interf_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись произведена"));
        f.choose("comboBox_5", 0);
        f.click("connect_dev_btn");
        QTRY_COMPARE(find<QComboBox>(f.window.get(), "comboBox_5")->currentIndex(), 1);
        QCOMPARE(find<QComboBox>(f.window.get(), "comboBox_11")->currentIndex(), 1);
        QCOMPARE(find<QComboBox>(f.window.get(), "comboBox_4")->currentIndex(), 0);
    }

    void list_read_over_a_serial_line()
    {
        DeviceFixture f;
        harness::PtyPair pty;
        QTRY_VERIFY(pty.ready());
        harness::Simulator sim;
        QVERIFY2(sim.start({"--serial", pty.controller_end(), "--chunks", "4", "--chunk-pause", "300"}),
                 qPrintable(sim.output()));
        harness::click(find<QRadioButton>(f.window.get(), "radioButton"));
        auto *ports = find<QComboBox>(f.window.get(), "name_box");
        ports->addItem(pty.program_end());
        ports->setCurrentIndex(ports->count() - 1);
        f.click("connect_btn");
        f.choose("comboBox", 1);
        f.click("read_dev_btn");
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Передача завершена"), 8000);
        QCOMPARE(f.cell(0, 0), QStringLiteral("257"));
        QCOMPARE(f.cell(1, 7), QStringLiteral("Ввод 2"));
        QVERIFY(f.cell(2, 0).isEmpty());
    }
};

QTEST_MAIN(DeviceExchangeTest)
#include "tst_device_exchange.moc"
