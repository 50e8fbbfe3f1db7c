// The parameter pages in the real window: built from a catalogue, read and
// written against a controller stand-in on 127.0.0.1 and the simulator,
// saved to and loaded from settings files, and the clock row.

#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "engine/requests.h"
#include "params/settings_file.h"
#include "support/harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>

#include <memory>
#include <numeric>

namespace {

// Page 0: typed rows 0 to 7, then value_00 to value_24 (rows 8 to 32).
// Page 1 has its own Uart and Itf rows at rows 6 and 7, as page 0 has.
QByteArray test_catalogue()
{
    QByteArray text = "\xEF\xBB\xBF" "time;Время;String;RW;Основные\nname;Имя;String;RW;Основные\n"
                      "temp;Температура;Float;R;Основные\nip;Адрес;Int[];RW;Основные\n"
                      "count;Счётчик;Int;RW;Основные\npass;Пароль;String;W;Основные\n"
                      "uart;Порт;Uart;RW;Основные\nitf;Интерфейс;Itf;RW;Основные\n";
    for (int i = 0; i < 25; ++i)
        text += QStringLiteral("value_%1;Значение;Int;RW;Основные\n").arg(i, 2, 10, QLatin1Char('0')).toUtf8();
    for (int i = 0; i < 6; ++i)
        text += QStringLiteral("net_%1;Сеть;Int;RW;Сеть\n").arg(i).toUtf8();
    return text + "net_uart;Порт;Uart;RW;Сеть\nnet_itf;Интерфейс;Itf;RW;Сеть\nro_itf;Только чтение;Itf;R;Сеть\n"
                  "shared;Общий;Int;RW;Сеть, Сервис\nsvc;Служебный;Int;R;Сервис\n";
}

constexpr int temp_row = 2, count_row = 4, pass_row = 5, uart_row = 6, itf_row = 7, first_value = 8;

QString value_key(int i)
{
    return QStringLiteral("value_%1").arg(i, 2, 10, QLatin1Char('0'));
}

QJsonObject object_of(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

QVector<int> value_rows()
{
    QVector<int> rows(25);
    std::iota(rows.begin(), rows.end(), first_value);
    return rows;
}

// Makes a file impossible to open for writing: by its permissions, and by
// the immutable attribute where permissions do not bind (as root).
struct WriteProtection
{
    explicit WriteProtection(const QString &path) : path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner);
        immutable = !holds() && QProcess::execute("chattr", {"+i", path}) == 0;
    }
    ~WriteProtection() { immutable && QProcess::execute("chattr", {"-i", path}); }
    bool holds() const { return !QFile(path).open(QIODevice::ReadWrite); }
    QString path;
    bool immutable = false;
};

// The window on the parameters tab, and a stand-in controller on loopback
// that keeps parameter values: a get of listed keys answers the known ones,
// "all" answers every one, a write object stores its members.
struct Window
{
    harness::WorkingDirectory dir;
    std::unique_ptr<MainWindow> window;
    harness::FakeController controller;
    QJsonObject values;
    std::function<QByteArray(const QJsonObject &request)> answer_parameters; // replaces the above
    int identification_requests = 0;

    explicit Window(const QByteArray &catalogue = test_catalogue())
    {
        dir.write_file(QStringLiteral("parametrs.csv"), catalogue);
        start();
    }
    Window(std::nullptr_t) {}
    void start()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        find<QTabWidget>("tabWidget")->setCurrentIndex(1);
    }
    bool identify()
    {
        find<QLineEdit>("lineEdit")->setText(QStringLiteral("127.0.0.1"));
        find<QLineEdit>("lineEdit_2")->setText(controller.port_text());
        controller.answer = [this](const QByteArray &request) { return answer(request); };
        click("connect_dev_btn");
        identification_requests = 1;
        return QTest::qWaitFor([this] { return find<QLineEdit>("lineEdit_3")->text() == "SN/07:a"; });
    }
    QByteArray answer(const QByteArray &request)
    {
        const QJsonObject object = QJsonDocument::fromJson(request).object();
        QJsonObject reply{{"serial", "SN/07:a"}, {"fw_ver", "1"}, {"fw_id", "2"}};
        if (request.contains("fw_ver"))
            return QJsonDocument(reply).toJson(QJsonDocument::Compact);
        if (answer_parameters)
            return answer_parameters(object);
        reply = {{"result", "ok"}};
        for (auto member = object.begin(); member != object.end(); ++member)
            values.insert(member.key(), member.value());
        if (object.contains("params")) {
            reply = {};
            for (const QJsonValue &key : object.value("params").toArray())
                if (values.contains(key.toString()))
                    reply.insert(key.toString(), values.value(key.toString()));
        }
        return QJsonDocument(reply).toJson(QJsonDocument::Compact);
    }
    QStringList parameter_requests() { return controller.requests().mid(identification_requests); }
    // Every request sent has had its reply taken (one log record each way).
    static bool exchanges_done()
    {
        const QString log = harness::log_text();
        return log.count(QStringLiteral("-> ")) == log.count(QStringLiteral("<- "));
    }

    QTableWidget *table(int page)
    {
        static const char *const names[] = {"tableWidget", "tableWidget_3", "tableWidget_4", "tableWidget_5"};
        return find<QTableWidget>(names[page]);
    }
    QCheckBox *check(int page, int row) { return qobject_cast<QCheckBox *>(table(page)->cellWidget(row, 0)); }
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
        auto *speed = cell->findChild<QLineEdit *>();
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
    template <class T>
    T *find(const QString &name) { return harness::find<T>(window.get(), name); }
    QPushButton *button(const QString &name) { return find<QPushButton>(name); }
    void click(const QString &name) { harness::click(button(name)); }
    QString status() { return find<QLabel>("label")->text(); }
};

} // namespace

class ParametersTest : public QObject
{
    Q_OBJECT

private slots:
    void pages_are_built_from_the_catalogue()
    {
        Window f;
        QCOMPARE(f.table(0)->rowCount(), 33);
        QCOMPARE(f.table(1)->rowCount(), 10);
        QCOMPARE(f.table(3)->item(0, 1)->text(), QStringLiteral("Общий")); // on two pages
        QCOMPARE(f.table(0)->horizontalHeaderItem(2)->text(), QStringLiteral("Значение"));
        QVERIFY(f.grey(0, temp_row) && !f.grey(0, 0) && !f.grey(0, pass_row));
        QCOMPARE(f.table(0)->rowHeight(uart_row), 50);
        QCOMPARE(f.shown(0, uart_row), QStringLiteral(" 0 0 0"));
        QCOMPARE(qobject_cast<QComboBox *>(f.table(0)->cellWidget(itf_row, 2))->count(), 7);
        // The editor of a row that may not be written is greyed out.
        QVERIFY(f.table(1)->cellWidget(7, 2)->isEnabled() && !f.table(1)->cellWidget(8, 2)->isEnabled());
        // The flag buttons act on the visible page only.
        f.show_page(1);
        f.click("fiil_flags_btn");
        QVERIFY(f.check(1, 0)->isChecked() && f.check(1, 9)->isChecked() && !f.check(0, 0)->isChecked());
        f.click("clear_flags_btn");
        QVERIFY(!f.check(1, 0)->isChecked() && !f.check(1, 9)->isChecked());
        // The clock goes into the "time" row; without rows there is nothing to fill.
        f.click("synch_time");
        QCOMPARE(f.shown(0, 0), QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        Window no_rows("a;A;String;RW;Сеть\n");
        no_rows.click("synch_time");
    }

    void catalogue_file_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("rows");
        QTest::newRow("missing: created empty") << "missing" << 0;
        QTest::newRow("write-protected: read") << "write-protected" << 33;
        QTest::newRow("not a file: refused") << "directory" << 0;
    }

    void catalogue_file()
    {
        QFETCH(QString, state);
        QFETCH(int, rows);
        Window f(nullptr);
        const QString path = f.dir.file_path(QStringLiteral("parametrs.csv"));
        std::unique_ptr<WriteProtection> protection;
        if (state == QLatin1String("write-protected")) {
            f.dir.write_file(QStringLiteral("parametrs.csv"), test_catalogue());
            protection = std::make_unique<WriteProtection>(path);
            if (!protection->holds())
                QSKIP("files cannot be write-protected here");
        } else if (state == QLatin1String("directory")) {
            QDir(f.dir.path()).mkdir(QStringLiteral("parametrs.csv"));
        }
        f.start();
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
        QTest::newRow("Uart without _: speed only") << "read-only" << QByteArray(R"({"uart":"4800"})")
                                                    << "kept|11|4800 0 2 1" << "";
        QTest::newRow("not JSON") << "read-only" << QByteArray("count=3") << "kept|0|1 0 2 1" << "";
        QTest::newRow("NUL byte") << "read-only" << QByteArray("{\"count\":\0 5}", 13) << "kept|0|1 0 2 1" << "";
        QTest::newRow("factory file missing") << "factory" << QByteArray() << "kept|11|1 0 2 1"
                                              << "Параметры не считаны";
        QTest::newRow("dialog cancelled") << "cancel" << QByteArray() << "kept|11|1 0 2 1" << "Параметры не считаны";
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
        const QString file = f.dir.file_path(QStringLiteral("saved.txt"));
        f.dir.write_file(QStringLiteral("saved.txt"), content);
        WriteProtection protection(file);
        if (source == QLatin1String("factory")) {
            f.click("industrial_btn");
        } else {
            harness::answer_next_file_dialog(source == QLatin1String("cancel") ? QString() : file);
            f.click("read_settings_btn");
        }
        QCOMPARE(f.shown(0, 0) + '|' + f.shown(0, count_row) + '|' + f.shown(0, uart_row), shown);
        QCOMPARE(f.status(), status);
        QVERIFY(!QFile::exists(f.dir.file_path(params::factory_file_name())));
    }

    void request_buttons_need_an_open_link()
    {
        Window f;
        f.set(0, count_row, QStringLiteral("11"));
        f.check_rows(0, {count_row});
        for (const char *button : {"read_param_btn", "write_param_btn", "write_settings_btn"}) {
            f.find<QLabel>("label")->clear();
            f.click(button);
            QCOMPARE(f.status(), QString::fromUtf8("\xD0\x9F" "o" "рт не открыт"));
        }
        QCOMPARE(f.shown(0, count_row), QStringLiteral("11"));
        QVERIFY(harness::log_text().isEmpty());
    }

    void split_read_asks_each_row_once_in_order()
    {
        Window f;
        QVERIFY(f.identify());
        for (int i = 0; i < 25; ++i)
            f.values.insert(value_key(i), 100 + i);
        f.click("fiil_flags_btn");
        QSignalSpy clicks(f.button("read_param_btn"), &QPushButton::clicked);
        f.click("read_param_btn");
        f.click("read_param_btn"); // ignored while the read runs
        QTRY_VERIFY(f.grey(0, temp_row) && f.exchanges_done());
        QStringList asked, expected{"time", "name", "temp", "ip", "count", "uart", "itf"};
        for (const QString &request : f.parameter_requests()) {
            const QJsonArray keys = object_of(request).value("params").toArray();
            // Cut by the key that crossed 149 characters, unless it is the last request.
            QVERIFY(asked.size() + keys.size() == 32 || request.size() > 149);
            for (const QJsonValue &key : keys)
                asked << key.toString();
        }
        for (int i = 0; i < 25; ++i)
            expected << value_key(i);
        QCOMPARE(asked, expected); // the write-only row unchecked, not asked
        QCOMPARE(clicks.count(), f.parameter_requests().size() + 1);
        QCOMPARE(f.shown(0, first_value + 24), QStringLiteral("124"));
        // Over: edits no longer uncheck write-only rows.
        f.check_rows(0, {pass_row});
        f.set(0, pass_row, QStringLiteral("new"));
        QVERIFY(f.check(0, pass_row)->isChecked());
    }

    void read_shows_each_format_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Float") << temp_row << QByteArray(R"({"temp":1234567})") << "1.23457e+06";
        QTest::newRow("Int[]") << 3 << QByteArray(R"({"ip":[192,168,0,1]})") << "192.168.0.1";
        QTest::newRow("Uart") << uart_row << QByteArray(R"({"uart":"19200_7E2"})") << "19200 0 1 1";
        QTest::newRow("Itf") << itf_row << QByteArray(R"({"itf":"485"})") << " 1";
        QTest::newRow("Itf missing: kept") << itf_row << QByteArray(R"({"other":"485"})") << " 3";
        QTest::newRow("Int missing") << count_row << QByteArray("{}") << "0";
        QTest::newRow("not JSON") << count_row << QByteArray("count: 5}") << "0";
        QTest::newRow("huge array: cut to what a cell shows") << 3 << "{\"ip\":[" + QByteArray("1,").repeated(50000) + "1]}"
                                    << exchange::shown_text(QString("1.").repeated(50000) + "1");
    }

    void read_shows_each_format()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, reply);
        QFETCH(QString, shown);
        Window f;
        QVERIFY(f.identify());
        f.set(0, itf_row, QStringLiteral(" 3"));
        f.check_rows(0, {row});
        f.answer_parameters = [&](const QJsonObject &) { return reply; };
        f.click("read_param_btn");
        QVERIFY(!f.grey(0, temp_row));
        QTRY_VERIFY(f.grey(0, temp_row) && f.exchanges_done());
        QCOMPARE(f.shown(0, row), shown);
    }

    void write_sends_each_format_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("sent");
        QTest::newRow("Int[] as four strings") << 0 << 3 << "192.168.0.1" << R"({"ip":["192","168","0","1"]})";
        QTest::newRow("Int not a number") << 0 << count_row << "abc" << R"({"count":0})";
        QTest::newRow("Itf") << 0 << itf_row << " 1" << R"({"itf":"485"})";
        QTest::newRow("Uart") << 0 << uart_row << "9600 1 0 0" << R"({"uart":"9600_8N1"})";
        QTest::newRow("Uart without speed") << 0 << uart_row << " 1 1 1" << R"({"uart":"_8E2"})";
        QTest::newRow("Uart of page 1") << 1 << 6 << "57600 0 2 1" << R"({"net_uart":"57600_7O2"})";
    }

    void write_sends_each_format()
    {
        QFETCH(int, page);
        QFETCH(int, row);
        QFETCH(QString, value);
        QFETCH(QString, sent);
        Window f;
        QVERIFY(f.identify());
        f.set(0, uart_row, QStringLiteral("1200 0 1 0")); // page 0's editor at page 1's row
        f.set(page, row, value);
        f.show_page(page);
        f.check_rows(page, {row});
        f.click("write_param_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись произведена"));
        QCOMPARE(f.parameter_requests(), QStringList{QString::fromUtf8(requests::parameter_write(object_of(sent)))});
    }

    void split_write_writes_each_row_once_in_order()
    {
        Window f;
        QVERIFY(f.identify());
        // A read-only row behind writable rows of several batches: nothing goes out.
        f.check_rows(0, value_rows() + QVector<int>{0, temp_row});
        f.click("write_param_btn");
        QCOMPARE(f.status(), QStringLiteral("Параметр только для чтения"));
        f.check(0, temp_row)->setChecked(false);
        for (int i = 0; i < 25; ++i)
            f.set(0, first_value + i, QString::number(1000 + i));
        QSignalSpy clicks(f.button("write_param_btn"), &QPushButton::clicked);
        f.click("write_param_btn");
        f.click("write_param_btn"); // ignored while the write runs
        QTRY_VERIFY(f.values.size() == 26 && f.exchanges_done());
        QCOMPARE(f.status(), QStringLiteral("Запись произведена"));
        QStringList written, expected{"time"};
        const QStringList sent = f.parameter_requests();
        for (const QString &request : sent) {
            QVERIFY(written.size() + object_of(request).size() == 26 || request.size() >= 150);
            written << object_of(request).keys();
        }
        for (int i = 0; i < 25; ++i)
            expected << value_key(i);
        QCOMPARE(written, expected);
        QCOMPARE(clicks.count(), sent.size() + 1);
        QCOMPARE(f.values.value(value_key(24)), QJsonValue(1024));
        // Nothing checked: the empty object, handled as any write.
        f.click("clear_flags_btn");
        f.click("write_param_btn");
        QTRY_COMPARE(f.parameter_requests().size(), sent.size() + 1);
        QCOMPARE(f.parameter_requests().last(), QStringLiteral("{\n}\n"));
    }

    void error_results_end_the_operation_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("read, error_key") << "read_param_btn" << "error_key" << "Неизвестный ключ";
        QTest::newRow("write, error_value") << "write_param_btn" << "error_value" << "Ошибка значения ключа";
        QTest::newRow("write, unknown result") << "write_param_btn" << "busy" << "";
    }

    void error_results_end_the_operation()
    {
        QFETCH(QString, button);
        QFETCH(QString, code);
        QFETCH(QString, text);
        Window f;
        QVERIFY(f.identify());
        f.check_rows(0, value_rows());
        f.answer_parameters = [&](const QJsonObject &) { return "{\"result\":\"" + code.toUtf8() + "\"}"; };
        f.click(button);
        QTRY_VERIFY(f.grey(0, temp_row) && f.exchanges_done());
        QCOMPARE(f.status(), text);
        QCOMPARE(f.parameter_requests().size(), 1); // no next step
        // The next click starts from the first row again.
        f.click(button);
        QTRY_COMPARE(f.parameter_requests().size(), 2);
        QCOMPARE(f.parameter_requests().at(1), f.parameter_requests().at(0));
    }

    void settings_file_not_saved_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("error result") << QByteArray(R"({"result":"error_get"})") << "Ошибка обработки запроса на чтение";
        QTest::newRow("file cannot be written") << QByteArray(R"({"count":1,"result":"ok"})") << "Настройки не записаны";
    }

    void settings_file_not_saved()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, text);
        Window f;
        QVERIFY(f.identify());
        f.answer_parameters = [&](const QJsonObject &) { return reply; };
        // A folder where the file would go: the file cannot replace it.
        QDir(f.dir.path()).mkdir(params::settings_file_name("SN/07:a", QDateTime::currentDateTime()));
        f.click("write_settings_btn");
        QTRY_COMPARE(f.status(), text);
        QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("Считанные*")}, QDir::Files), QStringList());
    }

    void settings_saved_from_the_simulator_load_back()
    {
        if (harness::Simulator::program().isEmpty())
            QSKIP("the simulator was not built");
        Window f;
        harness::Simulator sim;
        QVERIFY(sim.start({"--listen", "127.0.0.1:0", "--serial-number", "../SIM:9", "--catalogue",
                           f.dir.file_path("parametrs.csv")}));
        f.find<QLineEdit>("lineEdit")->setText(QStringLiteral("127.0.0.1"));
        f.find<QLineEdit>("lineEdit_2")->setText(QString::number(sim.tcp_port()));
        f.click("connect_dev_btn");
        QTRY_COMPARE(f.find<QLineEdit>("lineEdit_3")->text(), QStringLiteral("../SIM:9"));
        // Written, read back, saved under a name that stays in the folder.
        f.set(0, count_row, QStringLiteral("55"));
        f.set(0, uart_row, QStringLiteral("19200 0 1 1"));
        f.check_rows(0, {count_row, uart_row});
        f.click("write_param_btn");
        QTRY_VERIFY(f.exchanges_done());
        f.set(0, uart_row, QStringLiteral("1 1 0 0"));
        f.click("fiil_flags_btn");
        f.click("read_param_btn");
        QTRY_VERIFY(f.grey(0, temp_row) && f.exchanges_done());
        QCOMPARE(f.shown(0, count_row) + ' ' + f.shown(0, uart_row), QStringLiteral("55 19200 0 1 1"));
        f.click("write_settings_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Настройки записаны"));
        const QString name = params::settings_file_name(QStringLiteral("../SIM:9"), QDateTime::currentDateTime());
        QVERIFY(name.startsWith(QStringLiteral("Считанные параметры_УСПД_.._SIM_9_дата_")));
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
