// The devices tab as the user drives it: the table on its own, its files,
// and the exchanges with a stand-in controller on 127.0.0.1 (exact bytes,
// odd replies), with the simulator over TCP and over a serial line.

#include "app/mainwindow.h"
#include "devices/device_list.h"
#include "engine/exchange.h"
#include "support/harness.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

using harness::find;
using harness::ok_reply;

namespace {

// The window with the shipped models list, and a stand-in controller that
// answers the identification and then whatever `reply` says.
struct Fixture : harness::Window
{
    harness::FakeController controller;
    std::function<QByteArray(const QByteArray &)> reply;
    int connect_requests = 0, connect_bytes = 0;

    Fixture()
    {
        dir.copy_data_file("Models.csv");
        start();
        harness::set_ethernet_address(window.get(), controller.port());
        controller.answer = [this](const QByteArray &request) {
            return request.contains("fw_id") ? harness::identity_reply() : reply ? reply(request) : QByteArray();
        };
    }
    QTableWidget *table() { return find<QTableWidget>("tableWidget_2"); }
    QString cell(int row, int column) { return table()->item(row, column)->text(); }
    QColor colour(int row, int column) { return table()->item(row, column)->background().color(); }
    void choose(const char *box, int index)
    {
        find<QComboBox>(box)->setCurrentIndex(index);
        emit find<QComboBox>(box)->activated(index);
    }
    void add(int model, const QString &serial, int address = 1, const QString &note = "1")
    {
        choose("comboBox_2", model);
        edit("lineEdit_8")->setText(serial);
        edit("lineEdit_11")->setText(QString::number(address));
        edit("lineEdit_6")->setText(note);
        click("set_new_dev_btn");
    }
    QString row_text(int row)
    {
        QStringList cells;
        for (int column = 0; column < 9; ++column)
            cells << cell(row, column);
        return cells.join('|');
    }
    QString numbers()
    {
        QStringList texts;
        for (int row = 0; row < 256 && !cell(row, 0).isEmpty(); ++row)
            texts << cell(row, 0);
        return texts.join(',');
    }
    // To the stand-in unless another port is given.
    bool connect(quint16 port = 0)
    {
        const bool up = harness::connect_ethernet(window.get(), port ? port : controller.port());
        connect_requests = controller.requests().size();
        connect_bytes = controller.received().size();
        return up;
    }
    QStringList sent() { return controller.requests().mid(connect_requests); }
    QByteArray sent_bytes() { return controller.received().mid(connect_bytes); }
    // The texts the status line shows, in turn, while `wait` runs.
    QString statuses_while(const std::function<void()> &wait)
    {
        QStringList texts;
        const auto look = [&] {
            if (texts.isEmpty() || texts.last() != status())
                texts << status();
        };
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, look);
        watch.start(5);
        wait();
        look(); // the text `wait` saw last
        texts.removeAll(QString());
        return texts.join(" | ");
    }
};

QByteArray list_of(int count, int polled_from = 0)
{
    QJsonArray devices;
    for (int i = 0; i < count; ++i)
        devices.append(QJsonArray{i + 1, i ? 99 : 7, "S", 2, "P", 3, 1, 9600, "n", i >= polled_from ? 1 : 0});
    return QJsonDocument(QJsonObject{{"devices", devices}}).toJson(QJsonDocument::Compact);
}

} // namespace

class DeviceWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void add_and_delete_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("adds");
        QTest::addColumn<int>("deleted"); // -1: none; then one more is added
        QTest::addColumn<QString>("numbers");
        QTest::newRow("channel 3 starts at 513") << 2 << 1 << -1 << "513,514";
        QTest::newRow("first of three") << 0 << 3 << 0 << "2,3,3";
        QTest::newRow("middle of three, channel 8") << 7 << 3 << 1 << "1793,1795,1795";
        QTest::newRow("below the devices") << 0 << 2 << 5 << "1,2,3";
        // Rows moved up, the freed last row takes 512 again.
        QStringList moved_up;
        for (int number = 258; number <= 512; ++number)
            moved_up << QString::number(number);
        QTest::newRow("first of a full table") << 1 << 257 << 0 << moved_up.join(',') + ",512";
    }

    void add_and_delete()
    {
        QFETCH(int, deleted);
        Fixture f;
        QFETCH(int, channel);
        f.choose("comboBox", channel);
        QFETCH(int, adds);
        for (int i = 0; i < adds; ++i)
            f.click("set_new_dev_btn");
        if (deleted >= 0) {
            f.table()->setCurrentCell(deleted, 3);
            f.click("del_dev_btn");
        }
        f.click("set_new_dev_btn");
        QTEST(f.numbers(), "numbers");
    }

    void entry_group_selectors_and_clear()
    {
        Fixture f;
        QCOMPARE(f.find<QComboBox>("comboBox_2")->count(), 12);
        f.add(6, "12345678");
        QCOMPARE(f.edit("lineEdit_10")->text(), QString("Брамиль"));
        QCOMPARE(f.row_text(0), QString("1|Брамиль 100|12345678|1|Брамиль|1|9600|1|"));
        QCOMPARE(f.table()->item(0, 0)->textAlignment(), int(Qt::AlignRight));
        f.click("del_dev_btn");
        QCOMPARE(f.status(), QString("Устройство не выбрано"));
        f.click("clear_table_btn");
        QCOMPARE(f.numbers(), QString());
        f.add(0, "1");
        f.choose("comboBox", 4);
        QCOMPARE(f.numbers(), QString());
        QCOMPARE(f.table()->horizontalHeaderItem(4)->text(), QString("производитель"));
    }

    void files_export_and_load_back_data()
    {
        QTest::addColumn<QStringList>("serials"); // a device each; "-" a row emptied after
        QTest::addColumn<QString>("content");     // of the exported file
        const QString two = "257;Ловар-1Ф;S1;1;Ловарис;1;9600;1\n258;Брамиль 100;S2;1;Брамиль;2;9600;two words\n";
        QTest::newRow("two devices") << QStringList{"S1", "S2"} << two;
        QTest::newRow("empty table") << QStringList() << "";
        QTest::newRow("rows after an empty one left out") << QStringList{"S1", "S2", "-", "S4"} << two;
    }

    void files_export_and_load_back()
    {
        QFETCH(QStringList, serials);
        QFETCH(QString, content);
        Fixture f;
        f.edit("lineEdit_3")->setText("SN/../1");
        f.choose("comboBox", 1);
        for (int i = 0; i < serials.size(); ++i)
            f.add(i % 2 ? 6 : 0, serials.at(i), i + 1, i % 2 ? "two words" : "1");
        for (int column = 0; column < 9 && serials.contains("-"); ++column)
            f.table()->item(serials.indexOf("-"), column)->setText(QString());
        if (!serials.isEmpty())
            f.table()->item(1, 8)->setText("1"); // the poll result is not exported
        // Files of the names the export may take in the next seconds: it replaces its own.
        const QString folder = f.dir.file_path("out");
        const QByteArray older(4096, 'x');
        const QStringList names = harness::names_from_now(
            [](const QDateTime &moment) { return device_list::export_file_name("SN/../1", moment, "2"); }, 0, 2);
        for (const QString &name : names)
            f.dir.write_file("out/" + name, older);
        harness::answer_next_file_dialog(folder);
        f.click("write_dev_file_btn");
        QTRY_COMPARE(f.status(), QString("Файл записан"));
        QStringList replaced; // under one of those names, and no other
        for (const QString &name : names) {
            if (f.dir.read_file("out/" + name) != older)
                replaced << "out/" + name;
        }
        QCOMPARE(replaced.size(), 1);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), names.size());
        QCOMPARE(QString::fromLocal8Bit(f.dir.read_file(replaced.first())), content);
        const QString exported = f.dir.file_path(replaced.first());

        // Loaded back read-only, even write-protected, in place of what the
        // table held: columns 0 to 7 come back.
        f.choose("comboBox", 5);
        f.add(0, "old");
        const harness::WriteProtection protection(exported);
        harness::answer_next_file_dialog(exported);
        f.click("read_file_dev_btn");
        const QString numbers = content.isEmpty() ? "" : "257,258";
        QTRY_COMPARE(f.numbers(), numbers);
        if (!content.isEmpty())
            QCOMPARE(f.row_text(1), QString("258|Брамиль 100|S2|1|Брамиль|2|9600|two words|"));
        QCOMPARE(f.table()->item(2, 0)->textAlignment(), int(Qt::AlignRight));

        harness::answer_next_file_dialog(QString());
        f.click("read_file_dev_btn");
        QTRY_COMPARE(f.status(), QString("Не удалось открыть файл"));
        QCOMPARE(f.numbers(), numbers);
    }

    void models_file_loads_even_write_protected()
    {
        harness::WorkingDirectory dir;
        dir.write_file("Models.csv", "\xEF\xBB\xBF"
                                     "7;Брамиль 100;Брамиль\n8;Два поля\n9;Ольвен 2Т;Ольвен;лишнее\n");
        const harness::WriteProtection protection(dir.file_path("Models.csv"));
        const MainWindow window;
        const QComboBox *models = find<QComboBox>(&window, "comboBox_2");
        QCOMPARE(models->itemText(0) + '|' + models->itemText(1) + '|' + QString::number(models->count()),
                 QString("Брамиль 100|Ольвен 2Т|2"));
    }

    void single_requests_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("row");            // selected row; 1 is empty
        QTest::addColumn<QString>("edit");       // "column=text" put into row 0
        QTest::addColumn<QByteArray>("request"); // empty: refused, nothing sent
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        const char *all3 = R"({"method": "poll", "devices":"all3"})";
        // The channel boxes as single_requests() sets them, channel 1 first.
        const QByteArray interfaces = "{\n    \"rs_type\": [\n        \"c1\",\n        \"c2\",\n        \"c3\",\n"
                                      "        \"c4\",\n        \"c5\",\n        \"c6\",\n        \"c7\",\n"
                                      "        \"c8\"\n    ]\n}\n";
        QTest::newRow("all") << "req_all_dev" << 0 << "" << QByteArray(R"({"method": "poll", "devices":"all"})")
                             << ok_reply << "Все устройства успешно опрошены";
        QTest::newRow("channel") << "req_ch_btn" << 0 << "" << QByteArray(all3) << ok_reply
                                 << "Канал успешно опрошен";
        QTest::newRow("device") << "req_one_dev" << 0 << ""
                                << QByteArray(R"({"method": "poll", "devices":[7,3,12,9600]})") << ok_reply
                                << "Устройство успешно опрошено";
        QTest::newRow("transmit") << "res_to_serv_btn" << 0 << ""
                                  << QByteArray(R"({"method": "poll_transmit"})") << ok_reply
                                  << "Опрос с передечай на сервер успешен";
        QTest::newRow("poll error") << "req_ch_btn" << 0 << "" << QByteArray(all3)
                                    << QByteArray(R"({"result":"error_test"})") << "Ошибка тестирования канала";
        QTest::newRow("other result") << "req_ch_btn" << 0 << "" << QByteArray(all3)
                                      << QByteArray(R"({"result":"later"})") << "Команда не подтверждена";
        QTest::newRow("delete, not JSON")
            << "delete_dev_btn" << 0 << "" << QByteArray(R"({"method":"delete","devices":"all3"})")
            << QByteArray(R"({"result":"ok"}{"result":"ok"})") << "Команда не подтверждена";
        QTest::newRow("interfaces, not confirmed")
            << "write_interf_btn" << 0 << "" << interfaces << QByteArray(R"({"result":"later"})")
            << "Запись прервана: нет подтверждения записи";
        QTest::newRow("delete") << "delete_dev_btn" << 0 << ""
                                << QByteArray(R"({"method":"delete","devices":"all3"})") << ok_reply
                                << "Удаление произведено успешно";
        QTest::newRow("interfaces") << "write_interf_btn" << 0 << "" << interfaces << ok_reply
                                    << "Запись произведена";
        QTest::newRow("no row") << "req_one_dev" << -1 << "" << QByteArray() << ok_reply
                                << "Устройство не выбрано";
        QTest::newRow("empty row") << "req_one_dev" << 1 << "" << QByteArray() << ok_reply
                                   << "В выбранной строке нет прибора";
        QTest::newRow("unknown model") << "req_one_dev" << 0 << "1=Чужая" << QByteArray() << ok_reply
                                       << "Модель прибора не из списка моделей";
        QTest::newRow("address as text") << "req_one_dev" << 0 << "5=1]}" << QByteArray() << ok_reply
                                         << "Сетевой адрес и скорость обмена должны быть числами";
    }

    void single_requests()
    {
        QFETCH(QString, edit);
        QFETCH(int, row);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        Fixture f;
        QVERIFY(f.connect());
        f.choose("comboBox", 2);
        f.add(6, "S1", 12); // model code 7
        if (!edit.isEmpty())
            f.table()->item(0, edit.section('=', 0, 0).toInt())->setText(edit.section('=', 1));
        if (row >= 0)
            f.table()->setCurrentCell(row, 2);
        // Each channel box (comboBox_4 to _11) shows a text of its own, so
        // that any other order shows.
        for (int channel = 1; channel <= 8; ++channel) {
            auto *box = f.find<QComboBox>(QString("comboBox_%1").arg(channel + 3));
            box->addItem(QString("c%1").arg(channel));
            box->setCurrentIndex(box->count() - 1);
        }
        f.reply = [&](const QByteArray &) { return reply; };
        QFETCH(QString, button);
        f.click(button);
        QTest::qWait(request.isEmpty() ? 300 : 0); // no exchange ticks on
        QTRY_COMPARE(f.sent_bytes(), request);
        if (!request.isEmpty()) // the reply taken
            QTRY_VERIFY(harness::log_text().contains(QString::fromUtf8(reply)));
        QTEST(f.status(), "text");
    }

    void writes_data()
    {
        QTest::addColumn<QStringList>("serials"); // one device each
        QTest::addColumn<QByteArray>("second_reply");
        QTest::addColumn<int>("first_delay"); // ms before the first reply
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QString>("red_rows");
        const QStringList abc{"A", "B", "C"};
        const QString done = "Запись произведена успешно: 0c | ";
        QTest::newRow("three devices") << abc << ok_reply << 0 << 3 << done + "Запись завершена"
                                       << "";
        QTest::newRow("slow first reply")
            << abc << ok_reply << 1300 << 3
            << "Идёт запись приборов: 1c | Запись произведена успешно: 1c | Запись завершена"
            << "";
        QTest::newRow("empty table") << QStringList() << ok_reply << 0 << 0 << "Нет приборов для записи"
                                     << "";
        QTest::newRow("duplicates") << QStringList{"A", "B", "A"} << ok_reply << 0 << 0 << "Одинаковые приборы"
                                    << "02";
        QTest::newRow("unknown model") << QStringList{"A", "?", "C"} << ok_reply << 0 << 0
                                       << "Модель прибора не из списка моделей: строка 2"
                                       << "1";
        QTest::newRow("error on the second")
            << abc << QByteArray(R"({"result":"error_value"})") << 0 << 2 << done + "Ошибка значения ключа"
            << "";
        QTest::newRow("no confirmation") << abc << QByteArray("}") << 0 << 2
                                         << done + "Запись прервана: нет подтверждения записи"
                                         << "";
    }

    void writes()
    {
        QFETCH(QStringList, serials);
        QFETCH(QByteArray, second_reply);
        QFETCH(int, first_delay);
        Fixture f;
        QVERIFY(f.connect());
        f.choose("comboBox", 7);
        for (int i = 0; i < serials.size(); ++i)
            f.add(i == 1 ? 6 : 0, serials.at(i), 1, "two words");
        if (serials.value(1) == "?")
            f.table()->item(1, 1)->setText("Чужая");
        f.reply = [&](const QByteArray &) {
            // Edits while the write runs change nothing of what it sends.
            if (f.sent().size() == 1 && serials.size() > 1)
                f.table()->item(1, 2)->setText(QStringLiteral("edited"));
            const QByteArray answer = f.sent().size() == 2 ? second_reply : ok_reply;
            QTimer::singleShot(f.sent().size() == 1 ? first_delay : 0, [&f, answer] { f.controller.send(answer); });
            return QByteArray();
        };
        QFETCH(int, sent);
        QTEST(f.statuses_while([&] {
            f.click("write_dev_btn");
            QTRY_COMPARE_WITH_TIMEOUT(f.sent().size(), sent, 5000);
            QTest::qWait(300);
        }),
              "texts");
        QString red;
        for (int row = 0; row < serials.size(); ++row)
            red += f.colour(row, 4) == QColor(Qt::red) ? QString::number(row) : QString();
        QTEST(red, "red_rows");
        if (sent == 3)
            QCOMPARE(f.sent().at(1), QString(R"({"devices":[[1794,7,"B",1,"Брамиль",1,8,9600,"two words"]]})"));
    }

    void write_ends_when_the_link_goes_between_devices()
    {
        Fixture f;
        QVERIFY(f.connect());
        f.add(0, "S1");
        f.add(0, "S2");
        f.edit("interval_line")->setText("500");
        // The link is dropped after the first "ok" has arrived, before the
        // tick that would send the second device.
        f.reply = [&](const QByteArray &) {
            QTimer::singleShot(100, [&] { f.click("disconnect_eth_btn"); });
            return ok_reply;
        };
        f.click("write_dev_btn");
        QTRY_COMPARE(f.status(), exchange::guard_text_latin());
        // Ended, not waiting: the next write starts again from row 0.
        f.reply = [](const QByteArray &) { return ok_reply; };
        QVERIFY(f.connect());
        f.click("write_dev_btn");
        QTRY_COMPARE(f.status(), QString("Запись завершена"));
        QCOMPARE(f.sent().size(), 2);
        QVERIFY(f.sent().first().contains("\"S1\""));
    }

    void list_read_ends_however_slowly_bytes_trickle()
    {
        Fixture f;
        QVERIFY(f.connect());
        // A byte every second: each holds the two seconds after the last
        // one open, but not for more than a minute in all.
        QTimer trickle;
        QObject::connect(&trickle, &QTimer::timeout, [&] { f.controller.send("["); });
        f.reply = [&](const QByteArray &) {
            trickle.start(1000);
            return QByteArray("{\"devices\":");
        };
        QElapsedTimer clock;
        clock.start();
        f.click("read_dev_btn");
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), exchange::not_enough_data_text(), 75000);
        QVERIFY(clock.elapsed() >= exchange::device_list_overall_budget_ms);
        QVERIFY(f.idle());
    }

    void list_reads_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("split"); // bytes sent at once; the rest follows 1.5 s later
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::newRow("two devices") << list_of(2, 1) << 0 << "Передача завершена" << 2;
        QTest::newRow("in two parts") << list_of(2, 1) << 20 << "Передача завершена" << 2;
        QTest::newRow("no devices") << QByteArray(R"({"devices":[]})") << 0 << "Устройства отсутствуют" << 0;
        QTest::newRow("no devices, with a blank")
            << QByteArray(R"({"devices": []})") << 0 << "Устройство не отвечает" << 0;
        QTest::newRow("refused") << QByteArray(R"({"result":"error_get"})") << 0 << "Ошибка обработки запроса на чтение"
                                 << 0;
        QTest::newRow("cut off after a brace")
            << QByteArray("{\"devices\":[[1,7,\"}") << 0 << "Недостаточно данных" << 0;
        QTest::newRow("400 devices") << list_of(400) << 0 << "Передача завершена" << 256;
    }

    void list_reads()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, split);
        Fixture f;
        QVERIFY(f.connect());
        f.add(0, "old");
        f.reply = [&](const QByteArray &) {
            if (split > 0)
                QTimer::singleShot(1500, [&] { f.controller.send(reply.mid(split)); });
            return split > 0 ? reply.left(split) : reply;
        };
        QElapsedTimer clock;
        clock.start();
        f.click("read_dev_btn");
        QFETCH(QString, text);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), text, 8000);
        // Read whole, and ended 2 s after the last bytes.
        QVERIFY2(clock.elapsed() >= (split > 0 ? 3400 : 0), qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.sent(), QStringList{R"({"method":"get","devices":"all1"})"});
        QTEST(f.numbers().count(',') + !f.numbers().isEmpty(), "rows");
        QCOMPARE(f.table()->horizontalHeaderItem(8)->text(), QString("Успешность опроса"));
        if (reply.startsWith(list_of(2, 1))) {
            QCOMPARE(f.row_text(0), QString("1|Брамиль 100|S|2|P|3|9600|n|0"));
            QCOMPARE(f.row_text(1), QString("2||S|2|P|3|9600|n|1")); // no channel, no model for code 99
            QCOMPARE(f.colour(0, 8), QColor(0xE6FC56));
            QCOMPARE(f.colour(1, 0), QColor(0xAEEBA9));
            QCOMPARE(f.table()->item(0, 2)->textAlignment(), int(Qt::AlignLeft));
        }
    }

    void simulator_conversation()
    {
        Fixture f;
        harness::Simulator sim;
        QVERIFY2(sim.start({"--listen", "127.0.0.1:0"}), qPrintable(sim.output()));
        QVERIFY(f.connect(sim.tcp_port()));
        const auto read_list = [&f] {
            f.click("read_dev_btn");
            QTRY_VERIFY_WITH_TIMEOUT(!f.status().startsWith("Идёт чтение") && !f.status().isEmpty(), 6000);
        };
        QCOMPARE(f.statuses_while(read_list),
                 QString("Идёт чтение данных: 0c | Идёт чтение данных: 1c | Передача завершена"));
        QCOMPARE(f.cell(1, 4) + f.cell(2, 1) + f.cell(2, 6), QString("Квентор ЭнергоБрамиль 10019200"));
        QCOMPARE(f.colour(2, 3), QColor(0xE6FC56));

        f.choose("comboBox", 4);
        f.add(6, "S1", 1);
        f.add(0, "S2", 3); // an address of 3 never answers a poll
        f.click("write_dev_btn");
        QTRY_COMPARE(f.status(), QString("Запись завершена"));
        f.click("req_ch_btn");
        QTRY_COMPARE(f.status(), QString("Канал успешно опрошен"));
        read_list();
        QCOMPARE(f.numbers() + '|' + f.cell(0, 8) + f.cell(1, 8), QString("1025,1026|10"));
        f.table()->setCurrentCell(1, 0);
        f.click("req_one_dev");
        QTRY_COMPARE(f.status(), QString("Ошибка тестирования канала"));
        f.click("delete_dev_btn");
        QTRY_COMPARE(f.status(), QString("Удаление произведено успешно"));
        read_list();
        QCOMPARE(f.status(), QString("Устройства отсутствуют"));

        f.choose("comboBox_11", 1);
        f.click("write_interf_btn");
        QTRY_COMPARE(f.status(), QString("Запись произведена"));
        f.choose("comboBox_11", 0);
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.find<QComboBox>("comboBox_11")->currentIndex(), 1);
    }

    void list_read_over_a_serial_line()
    {
        Fixture f;
        harness::PtyPair pty;
        harness::Simulator sim;
        QVERIFY2(sim.start({"--serial", pty.controller_end(), "--chunks", "4", "--chunk-pause", "300"}),
                 qPrintable(sim.output()));
        QVERIFY(harness::open_serial_port(f.window.get(), pty.program_end()));
        f.choose("comboBox", 1);
        f.click("read_dev_btn");
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QString("Передача завершена"), 8000);
        QCOMPARE(f.numbers(), QString("257,258"));
        QCOMPARE(f.cell(1, 7), QString("Ввод 2"));
    }
};

QTEST_MAIN(DeviceWindowTest)
#include "tst_device_window.moc"
