// The parameter pages in the real window: built from a catalogue, read and
// written against a controller stand-in on 127.0.0.1 and the simulator,
// saved to and loaded from settings files, and the clock row.

#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "engine/requests.h"
#include "params/settings_file_rules.h"
#include "support/harness.h"

#include <QComboBox>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include <memory>
#include <numeric>

namespace {

QStringList value_keys() // value_00 to value_24
{
    QStringList keys;
    for (int i = 0; i < 25; ++i)
        keys << QStringLiteral("value_%1").arg(i, 2, 10, QLatin1Char('0'));
    return keys;
}

// Page 0: typed rows 0 to 7, the value keys (rows 8 to 32), a read-only row.
// Page 1 has its own Uart and Itf rows at rows 6 and 7, as page 0 has, and
// read-only ones at rows 8 (Itf) and 10 (Uart).
QByteArray test_catalogue()
{
    QByteArray text = "\xEF\xBB\xBF"
                      "time;Время;String;RW;Основные\nname;Имя;String;RW;Основные\n"
                      "temp;Температура;Float;R;Основные\nip;Адрес;Int[];RW;Основные\n"
                      "count;Счётчик;Int;RW;Основные\npass;Пароль;String;W;Основные\n"
                      "uart;Порт;Uart;RW;Основные\nitf;Интерфейс;Itf;RW;Основные\n";
    for (const QString &key : value_keys())
        text += (key + ";Значение;Int;RW;Основные\n").toUtf8();
    text += "late;Последний;Int;R;Основные\n";
    for (int i = 0; i < 6; ++i)
        text += QStringLiteral("net_%1;Сеть;Int;RW;Сеть\n").arg(i).toUtf8();
    return text
           + "net_uart;Порт;Uart;RW;Сеть\nnet_itf;Интерфейс;Itf;RW;Сеть\nro_itf;Только чтение;Itf;R;Сеть\n"
             "shared;Общий;Int;RW;Сеть, Сервис\nro_uart;Только чтение;Uart;R;Сеть\nsvc;Служебный;Int;R;Сервис\n";
}

constexpr int temp_row = 2, count_row = 4, pass_row = 5, uart_row = 6, itf_row = 7, first_value = 8, late_row = 33;

QVector<int> value_rows()
{
    QVector<int> rows(25);
    std::iota(rows.begin(), rows.end(), first_value);
    return rows;
}

QJsonObject object_of(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// The keys each request asked for or wrote, in order, the requests parted
// by " | ".
QString keys_sent(const QStringList &requests)
{
    QStringList keys;
    for (const QString &request : requests) {
        const QJsonObject object = object_of(request);
        keys << (object.contains("params") ? object.value("params").toVariant().toStringList() : object.keys())
                    .join(' ');
    }
    return keys.join(" | ");
}

// The window on the parameters tab, and a stand-in controller on loopback
// that answers every parameter request with `reply`.
struct Window : harness::Window
{
    harness::FakeController controller;
    QByteArray reply = harness::ok_reply;

    explicit Window(const QByteArray &catalogue = test_catalogue())
    {
        dir.write_file(QStringLiteral("parametrs.csv"), catalogue);
        start(1);
    }
    Window(std::nullptr_t) {}
    bool connect(quint16 port, const QString &serial)
    {
        return harness::connect_ethernet(window.get(), port) && find<QLineEdit>("lineEdit_3")->text() == serial;
    }
    bool identify()
    {
        controller.answer = [this](const QByteArray &request) {
            return request.contains("fw_ver") ? harness::identity_reply({{"serial", "SN/07:a"}}) : reply;
        };
        return connect(controller.port(), QStringLiteral("SN/07:a"));
    }
    QStringList parameter_requests() { return controller.requests().mid(1); } // after the identification
    // No exchange pending, and every request sent has had its reply taken
    // (one log record each way).
    bool idle()
    {
        const QString log = harness::log_text();
        return harness::Window::idle() && log.count(QStringLiteral("-> ")) == log.count(QStringLiteral("<- "));
    }

    void check_rows(int page, const QVector<int> &rows)
    {
        for (int row : rows)
            check(page, row)->setChecked(true);
    }
    // A value cell as text: the item's text; for an editor, the text of its
    // speed field (empty for an Itf box) and the index of each of its boxes,
    // so "9600 1 0 0" for a Uart editor and " 1" for an Itf box.
    QString shown(int page, int row)
    {
        QWidget *cell = table(page)->cellWidget(row, 2);
        if (!cell)
            return table(page)->item(row, 2)->text();
        const auto *speed = cell->findChild<QLineEdit *>();
        QStringList parts{speed ? speed->text() : QString()};
        for (QComboBox *box : boxes(cell))
            parts << QString::number(box->currentIndex());
        return parts.join(QLatin1Char(' '));
    }
    void set(int page, int row, const QString &text)
    {
        QWidget *cell = table(page)->cellWidget(row, 2);
        const QStringList parts = text.split(QLatin1Char(' '));
        if (!cell)
            return table(page)->item(row, 2)->setText(text);
        if (auto *speed = cell->findChild<QLineEdit *>())
            speed->setText(parts.at(0));
        for (int i = 0; i < boxes(cell).size(); ++i)
            boxes(cell)[i]->setCurrentIndex(parts.at(i + 1).toInt());
    }
    static QList<QComboBox *> boxes(QWidget *cell)
    {
        auto *box = qobject_cast<QComboBox *>(cell);
        return box ? QList<QComboBox *>{box} : cell->findChildren<QComboBox *>();
    }
    bool grey(int page, int row)
    {
        const QTableWidgetItem *item = table(page)->item(row, 2);
        return item && item->background() == QBrush(Qt::gray, Qt::SolidPattern);
    }
    void show_page(int page) { find<QTabWidget>("tabWidget_2")->setCurrentIndex(page); }
};

} // namespace

class ParametersTest : public QObject
{
    Q_OBJECT

private slots:
    void pages_are_built_from_the_catalogue()
    {
        Window f;
        QCOMPARE(f.table(0)->rowCount(), 34);
        QCOMPARE(f.table(1)->rowCount(), 11);
        QCOMPARE(f.table(3)->item(0, 1)->text(), QStringLiteral("Общий")); // on two pages
        QCOMPARE(f.table(0)->horizontalHeaderItem(2)->text(), QStringLiteral("Значение"));
        QVERIFY(f.grey(0, temp_row) && !f.grey(0, 0) && !f.grey(0, pass_row));
        QCOMPARE(f.table(0)->rowHeight(uart_row), 50);
        QCOMPARE(f.shown(0, uart_row), QStringLiteral(" 0 0 0"));
        QCOMPARE(qobject_cast<QComboBox *>(f.table(0)->cellWidget(itf_row, 2))->count(), 7);
        // The editors of rows that may not be written are greyed out.
        for (int row : {6, 7, 8, 10})
            QCOMPARE(f.table(1)->cellWidget(row, 2)->isEnabled(), row < 8);
        // The flag buttons act on the visible page only.
        f.show_page(1);
        f.click("fiil_flags_btn");
        QVERIFY(f.check(1, 0)->isChecked() && f.check(1, 10)->isChecked() && !f.check(0, 0)->isChecked());
        f.click("clear_flags_btn");
        QVERIFY(!f.check(1, 0)->isChecked() && !f.check(1, 10)->isChecked());
        // The clock goes into the "time" row (the second may turn meanwhile);
        // without rows on the first page there is nothing to fill.
        const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        const QString before = QDateTime::currentDateTime().toString(format);
        f.click("synch_time");
        const QString after = QDateTime::currentDateTime().toString(format);
        QVERIFY2(f.shown(0, 0) == before || f.shown(0, 0) == after, qPrintable(f.shown(0, 0)));
        Window no_rows("a;A;String;RW;Сеть\n");
        no_rows.click("synch_time");
        QCOMPARE(no_rows.table(0)->rowCount(), 0);
        QCOMPARE(no_rows.shown(1, 0), QString());
    }

    void catalogue_file_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("rows");
        QTest::newRow("missing: created empty") << "missing" << 0;
        QTest::newRow("write-protected: read") << "write-protected" << 34;
        QTest::newRow("not a file: refused") << "directory" << 0;
    }

    void catalogue_file()
    {
        QFETCH(QString, state);
        QFETCH(int, rows);
        Window f(nullptr);
        const QString path = f.dir.file_path(QStringLiteral("parametrs.csv"));
        std::unique_ptr<harness::WriteProtection> protection;
        if (state == QLatin1String("write-protected")) {
            f.dir.write_file(QStringLiteral("parametrs.csv"), test_catalogue());
            protection = std::make_unique<harness::WriteProtection>(path);
            if (!protection->holds())
                QSKIP("files cannot be write-protected here");
        } else if (state == QLatin1String("directory")) {
            QDir(f.dir.path()).mkdir(QStringLiteral("parametrs.csv"));
        }
        f.start(1);
        QCOMPARE(f.table(0)->rowCount(), rows);
        QCOMPARE(f.status() == QStringLiteral("Параметры не считаны"), state == QLatin1String("directory"));
        QCOMPARE(QFileInfo(path).isFile(), state != QLatin1String("directory"));
    }

    void settings_file_loads_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("shown"); // time | count | uart after the load
        QTest::addColumn<QString>("status");
        QTest::newRow("Uart without _: speed only")
            << "read-only" << QByteArray(R"({"uart":"4800"})") << "kept|11|4800 0 2 1"
            << "";
        QTest::newRow("not JSON") << "read-only" << QByteArray("count=3") << "kept|0|1 0 2 1"
                                  << "";
        QTest::newRow("NUL byte") << "read-only" << QByteArray("{\"count\":\0 5}", 13) << "kept|0|1 0 2 1"
                                  << "";
        QTest::newRow("factory file") << "factory" << QByteArray(R"({"time":"f","count":5,"uart":"9600_8O1"})")
                                      << "f|5|9600 1 2 0"
                                      << "";
        QTest::newRow("factory file missing") << "no factory file" << QByteArray() << "kept|11|1 0 2 1"
                                              << "Параметры не считаны";
        QTest::newRow("dialog cancelled") << "cancel" << QByteArray() << "kept|11|1 0 2 1"
                                          << "Параметры не считаны";
    }

    void settings_file_loads()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        QFETCH(QString, status);
        Window f;
        f.set(0, 0, QStringLiteral("kept"));
        f.set(0, count_row, QStringLiteral("11"));
        f.set(0, uart_row, QStringLiteral("1 0 2 1"));
        const bool factory = source == QLatin1String("factory");
        const QString file = f.dir.file_path(factory ? params::factory_file_name() : QStringLiteral("saved.txt"));
        f.dir.write_file(QFileInfo(file).fileName(), content);
        harness::WriteProtection protection(file);
        if (source.contains(QLatin1String("factory"))) {
            f.click("industrial_btn");
        } else {
            harness::answer_next_file_dialog(source == QLatin1String("cancel") ? QString() : file);
            f.click("read_settings_btn");
        }
        QCOMPARE(f.shown(0, 0) + '|' + f.shown(0, count_row) + '|' + f.shown(0, uart_row), shown);
        QCOMPARE(f.status(), status);
        QCOMPARE(QFile::exists(f.dir.file_path(params::factory_file_name())), factory); // a missing one not made
    }

    void split_read_asks_each_row_once_in_order()
    {
        Window f;
        QVERIFY(f.identify());
        QJsonObject values; // all of them in every reply: the rows asked take theirs
        for (int i = 0; i < 25; ++i)
            values.insert(value_keys()[i], 100 + i);
        f.reply = QJsonDocument(values).toJson(QJsonDocument::Compact);
        f.click("fiil_flags_btn");
        // While the read runs, another page is shown and a write pressed:
        // the read fills its own page, and the write is refused.
        const auto answer = f.controller.answer;
        f.controller.answer = [&](const QByteArray &request) {
            if (f.parameter_requests().size() == 1) {
                f.show_page(1);
                f.click("write_param_btn");
            }
            return answer(request);
        };
        QSignalSpy clicks(f.button("read_param_btn"), &QPushButton::clicked);
        f.click("read_param_btn");
        f.click("read_param_btn"); // refused while the read runs
        QCOMPARE(f.status(), QStringLiteral("Дождитесь завершения операции"));
        QTRY_VERIFY(f.grey(0, temp_row) && f.idle());
        QCOMPARE(f.status(), QString());
        // The write-only row unchecked, not asked.
        // Each request takes the rows up to the one that brings it past 149
        // characters.
        QCOMPARE(keys_sent(f.parameter_requests()),
                 QStringLiteral(
                     "time name temp ip count uart itf | value_00 value_01 value_02 value_03 value_04 value_05 | "
                     "value_06 value_07 value_08 value_09 value_10 value_11 | value_12 value_13 value_14 value_15 "
                     "value_16 value_17 | value_18 value_19 value_20 value_21 value_22 value_23 | value_24 late"));
        QCOMPARE(clicks.count(), 2); // the user's: the engine presses no button
        QCOMPARE(f.shown(0, first_value + 24), QStringLiteral("124"));
        // Over: edits no longer uncheck write-only rows.
        f.check_rows(0, {pass_row});
        f.set(0, pass_row, QStringLiteral("new"));
        QVERIFY(f.check(0, pass_row)->isChecked());
    }

    void split_write_data()
    {
        QTest::addColumn<int>("step"); // the request answered with `reply`; -1: none
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("status");
        QTest::newRow("every batch confirmed") << -1 << QByteArray() << "Запись произведена";
        const QString unconfirmed = QStringLiteral("Запись прервана: нет подтверждения записи");
        for (int step : {1, 2}) {
            QTest::addRow("not JSON at request %d", step + 1) << step << QByteArray(R"("result":"ok"})") << unconfirmed;
            QTest::addRow("unknown result at request %d", step + 1)
                << step << QByteArray(R"({"result":"done"})") << unconfirmed;
            QTest::addRow("no result at request %d", step + 1) << step << QByteArray(R"({"count":1})") << unconfirmed;
            QTest::addRow("error at request %d", step + 1)
                << step << QByteArray(R"({"result":"error_save"})") << "Ошибка сохранения параметра или файла";
        }
    }

    void split_write()
    {
        QFETCH(int, step);
        QFETCH(QByteArray, reply);
        Window f;
        QVERIFY(f.identify());
        // A read-only row behind writable rows of several batches: nothing goes out.
        f.check_rows(0, value_rows() + QVector<int>{0, late_row});
        f.click("write_param_btn");
        QCOMPARE(f.status(), QStringLiteral("Параметр только для чтения"));
        f.check(0, late_row)->setChecked(false);
        for (int i = 0; i < 25; ++i)
            f.set(0, first_value + i, QString::number(1000 + i));
        // While the write runs, a value is edited and another page shown:
        // the write sends what it began with, to the end.
        f.controller.answer = [&](const QByteArray &) {
            const int at = f.parameter_requests().size() - 1;
            if (at == 0) {
                f.set(0, first_value + 24, QStringLiteral("7"));
                f.show_page(2);
            }
            return at == step ? reply : harness::ok_reply;
        };
        QSignalSpy clicks(f.button("write_param_btn"), &QPushButton::clicked);
        f.click("write_param_btn");
        f.click("write_param_btn"); // refused while the write runs
        QTRY_VERIFY(f.idle());
        QTest::qWait(100);
        QTEST(f.status(), "status");
        const QStringList sent = f.parameter_requests();
        QCOMPARE(clicks.count(), 2); // the user's: the engine presses no button
        if (step >= 0) {
            QCOMPARE(sent.size(), step + 1); // nothing after the unconfirmed one
            return;
        }
        // Each request takes the rows up to the one that brings it to 150 characters.
        QCOMPARE(keys_sent(sent),
                 QStringLiteral("time value_00 value_01 value_02 value_03 value_04 value_05 | value_06 "
                                "value_07 value_08 value_09 value_10 value_11 value_12 | value_13 value_14 "
                                "value_15 value_16 value_17 value_18 value_19 | value_20 value_21 value_22 "
                                "value_23 value_24"));
        QCOMPARE(object_of(sent.last()).value(value_keys()[24]), QJsonValue(1024));
        // Nothing checked: the empty object, handled as any write.
        f.show_page(0);
        f.click("clear_flags_btn");
        f.click("write_param_btn");
        QTRY_COMPARE(f.parameter_requests().size(), sent.size() + 1);
        QCOMPARE(f.parameter_requests().last(), QStringLiteral("{\n}"));
    }

    void one_request_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("row");       // the row checked, -1 for the value rows
        QTest::addColumn<QString>("value"); // the row's value before the click
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("result"); // a read: the row shown; a write: the object sent; settings: the file
        QTest::addColumn<QString>("status");
        const auto read = [](const char *name, int row, const QString &reply, const QString &shown) {
            QTest::addRow("read, %s", name) << "read_param_btn" << 0 << row << "" << reply << shown << "";
        };
        const auto write = [](const char *name, int page, int row, const QString &value, const QString &sent) {
            QTest::addRow("write, %s", name)
                << "write_param_btn" << page << row << value << R"({"result":"ok"})" << sent << "Запись произведена";
        };
        read("Float", temp_row, R"({"temp":1234567})", "1.23457e+06");
        read("Int[]", 3, R"({"ip":[192,168,0,1]})", "192.168.0.1");
        read("Uart", uart_row, R"({"uart":"19200_7E2"})", "19200 0 1 1");
        read("Itf", itf_row, R"({"itf":"485"})", " 1");
        read("Itf missing: kept", itf_row, R"({"other":"485"})", " 3");
        read("Int missing", count_row, "{}", "0");
        read("huge array: cut to what a cell shows", 3, "{\"ip\":[" + QString("1,").repeated(50000) + "1]}",
             exchange::shown_text(QString("1.").repeated(50000) + "1"));
        write("Int[] as four strings", 0, 3, "192.168.0.1", R"({"ip":["192","168","0","1"]})");
        write("Int not a number", 0, count_row, "abc", R"({"count":0})");
        write("Itf", 0, itf_row, " 1", R"({"itf":"485"})");
        write("Uart", 0, uart_row, "9600 1 0 0", R"({"uart":"9600_8N1"})");
        write("Uart without speed", 0, uart_row, " 1 1 1", R"({"uart":"_8E2"})");
        write("Uart of page 1", 1, 6, "57600 0 2 1", R"({"net_uart":"57600_7O2"})");
        // An error result ends the operation, and no file is saved.
        const auto fails = [](const char *name, const char *button, const QString &reply, const QString &status) {
            QTest::newRow(name) << button << 0 << -1 << "" << reply << "" << status;
        };
        fails("read, error_key", "read_param_btn", R"({"result":"error_key"})", "Неизвестный ключ");
        fails("write, error_value", "write_param_btn", R"({"result":"error_value"})", "Ошибка значения ключа");
        // Nothing shown as read or written without a whole reply that says so.
        const QString unconfirmed = QStringLiteral("Запись прервана: нет подтверждения записи");
        fails("read, not JSON", "read_param_btn", "count: 5}", "Недостаточно данных");
        fails("read, two objects", "read_param_btn", R"({"count":5}{"count":6})", "Недостаточно данных");
        fails("write, unknown result", "write_param_btn", R"({"result":"busy"})", unconfirmed);
        fails("write, no result", "write_param_btn", R"({"count":5})", unconfirmed);
        fails("write, not JSON", "write_param_btn", R"("result":"ok"})", unconfirmed);
        fails("settings, not JSON", "write_settings_btn", R"({"count":1,"result":"ok"}})", "Настройки не записаны");
        fails("settings, error result", "write_settings_btn", R"({"result":"error_get"})",
              "Ошибка обработки запроса на чтение");
        fails("settings, file cannot be written", "write_settings_btn", R"({"count":1,"result":"ok"})",
              "Настройки не записаны");
        // No key of the catalogue: a status, or an object of another kind.
        fails("settings, a bare status", "write_settings_btn", R"({"result":"ok"})", "Настройки не записаны");
        fails("settings, another object", "write_settings_btn", R"({"devices":[],"x":1})", "Настройки не записаны");
        const QString settings = "{\"name\": \"Имя\",\n  \"count\":1,\"result\":\"ok\"}"; // saved as it came
        QTest::newRow("settings saved") << "write_settings_btn" << 0 << -1 << "" << settings << settings
                                        << "Настройки записаны";
    }

    void one_request()
    {
        QFETCH(QString, button);
        QFETCH(int, page);
        QFETCH(int, row);
        QFETCH(QString, value);
        QFETCH(QString, reply);
        QFETCH(QString, result);
        QFETCH(QString, status);
        Window f;
        QVERIFY(f.identify());
        f.set(0, uart_row, QStringLiteral("1200 0 1 0")); // page 0's editor at page 1's row
        f.set(0, itf_row, QStringLiteral(" 3"));
        if (!value.isEmpty())
            f.set(page, row, value);
        f.show_page(page);
        f.check_rows(page, row < 0 ? value_rows() : QVector<int>{row});
        f.reply = reply.toUtf8();
        // A folder where the settings file would go: the file cannot replace it.
        if (QTest::currentDataTag() == QByteArray("settings, file cannot be written"))
            QDir(f.dir.path()).mkdir(params::settings_file_name("SN/07:a", QDateTime::currentDateTime()));
        f.click(button);
        const bool read = button == QLatin1String("read_param_btn");
        QCOMPARE(f.grey(0, temp_row), !read); // a read empties the page until its reply
        QTRY_VERIFY(f.grey(0, temp_row) && f.idle());
        QCOMPARE(f.status(), status);
        QCOMPARE(f.parameter_requests().size(), 1); // no next step
        if (read && row >= 0)
            QCOMPARE(f.shown(page, row), result);
        const bool settings = button == QLatin1String("write_settings_btn");
        if (!read && !settings && !result.isEmpty())
            QCOMPARE(f.parameter_requests().first(),
                     QString::fromUtf8(requests::parameter_write(object_of(result)).trimmed()));
        const QStringList saved = QDir(f.dir.path()).entryList({QStringLiteral("Считанные*")}, QDir::Files);
        QCOMPARE(saved.size(), settings && !result.isEmpty() ? 1 : 0);
        if (!saved.isEmpty())
            QCOMPARE(f.dir.read_file(saved.first()), result.toUtf8());
        // The next click starts from the first row again.
        f.click(button);
        QTRY_COMPARE(f.parameter_requests().size(), 2);
        QCOMPARE(f.parameter_requests().at(1), f.parameter_requests().at(0));
    }

    void settings_saved_from_the_simulator_load_back()
    {
        Window f;
        harness::Simulator sim;
        QVERIFY(sim.start({"--listen", "127.0.0.1:0", "--serial-number", "../SIM:9", "--catalogue",
                           f.dir.file_path("parametrs.csv")}));
        QVERIFY(f.connect(sim.tcp_port(), QStringLiteral("../SIM:9")));
        // Written, read back, saved under a name that stays in the folder.
        f.set(0, count_row, QStringLiteral("55"));
        f.set(0, uart_row, QStringLiteral("19200 0 1 1"));
        f.check_rows(0, {count_row, uart_row});
        f.click("write_param_btn");
        QTRY_VERIFY(f.idle());
        f.set(0, uart_row, QStringLiteral("1 1 0 0"));
        f.click("fiil_flags_btn");
        f.click("read_param_btn");
        QTRY_VERIFY(f.grey(0, temp_row) && f.idle());
        QCOMPARE(f.shown(0, count_row) + ' ' + f.shown(0, uart_row), QStringLiteral("55 19200 0 1 1"));
        f.click("write_settings_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Настройки записаны"));
        const QString name = params::settings_file_name(QStringLiteral("../SIM:9"), QDateTime::currentDateTime());
        QCOMPARE(object_of(QString::fromUtf8(f.dir.read_file(name))).value("count"), QJsonValue(55));
        // Loaded back into every page, without a request.
        f.set(0, count_row, QStringLiteral("0"));
        f.set(0, uart_row, QStringLiteral("1 1 0 0"));
        const QString log = harness::log_text();
        harness::answer_next_file_dialog(f.dir.file_path(name));
        f.click("read_settings_btn");
        QCOMPARE(f.shown(0, count_row) + ' ' + f.shown(0, uart_row), QStringLiteral("55 19200 0 1 1"));
        QCOMPARE(f.shown(1, 6), QStringLiteral("9600 1 0 0"));
        QVERIFY(f.grey(0, temp_row));
        QCOMPARE(harness::log_text(), log);
    }
};

QTEST_MAIN(ParametersTest)
#include "tst_parameters.moc"
