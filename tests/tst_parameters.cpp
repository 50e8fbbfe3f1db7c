// The parameter pages in the real window: built from a catalogue, read and
// written against a controller stand-in on 127.0.0.1 and against the
// simulator, saved to and loaded from settings files, and the clock row.

#include "app/mainwindow.h"
#include "engine/requests.h"
#include "params/parameter_values.h"
#include "params/settings_file.h"
#include "support/harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>

#include <memory>

using harness::find;

namespace {

const QByteArray utf8_bom = "\xEF\xBB\xBF";

// Page 0: typed rows 0 to 7, then value_00 to value_24 (rows 8 to 32) for
// the long selections. Page 1 has Uart and Itf rows at the rows where page
// 0 has its own (6 and 7), so that a shared editor would show.
QByteArray test_catalogue()
{
    QByteArray text = utf8_bom
                      + QByteArray("time;Время;String;RW;Основные\n"
                                   "name;Наименование;String;RW;Основные\n"
                                   "temp;Температура;Float;R;Основные\n"
                                   "ip;Адрес;Int[];RW;Основные\n"
                                   "count;Счётчик;Int;RW;Основные\n"
                                   "pass;Пароль;String;W;Основные\n"
                                   "uart;Порт;Uart;RW;Основные\n"
                                   "itf;Интерфейс;Itf;RW;Основные\n");
    for (int i = 0; i < 25; ++i)
        text += QStringLiteral("value_%1;Значение %1;Int;RW;Основные\n").arg(i, 2, 10, QLatin1Char('0')).toUtf8();
    text += "mask;Маска;Int[];RW;Сеть\n";
    for (int i = 1; i <= 5; ++i)
        text += QStringLiteral("net_%1;Сеть %1;Int;RW;Сеть\n").arg(i).toUtf8();
    text += "net_uart;Порт сети;Uart;RW;Сеть\n"
            "net_itf;Интерфейс сети;Itf;RW;Сеть\n"
            "ro_itf;Интерфейс (чтение);Itf;R;Сеть\n"
            "ro_uart;Порт (чтение);Uart;R;Сеть\n"
            "shared;Общий;Int;RW;Сеть, Сервис\n"
            "ch_itf;Интерфейс канала;Itf;RW;Интерфейсы\n"
            "svc;Служебный;Int;R;Сервис\n";
    return text;
}

constexpr int temp_row = 2, pass_row = 5, uart_row = 6, itf_row = 7, first_value_row = 8, value_rows = 25;

QString value_key(int i)
{
    return QStringLiteral("value_%1").arg(i, 2, 10, QLatin1Char('0'));
}

QJsonObject object_of(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// Makes a file impossible to open for writing: by its permissions, and by
// the immutable attribute where permissions do not bind (as root).
class WriteProtection
{
public:
    explicit WriteProtection(const QString &path) : path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        if (writable())
            immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~WriteProtection()
    {
        if (immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }
    bool holds() const { return !writable(); }

private:
    bool writable() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadWrite);
    }

    QString path;
    bool immutable = false;
};

// The window on the parameters tab, started with a catalogue.
struct Pages
{
    harness::WorkingDirectory dir;
    std::unique_ptr<MainWindow> window;

    explicit Pages(const QByteArray &catalogue = test_catalogue())
    {
        dir.write_file(QStringLiteral("parametrs.csv"), catalogue);
        start();
    }
    Pages(std::nullptr_t) {}
    void start()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        find<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(1);
    }

    QTableWidget *table(int page)
    {
        static const char *const names[] = {"tableWidget", "tableWidget_3", "tableWidget_4", "tableWidget_5"};
        return find<QTableWidget>(window.get(), names[page]);
    }
    QCheckBox *check(int page, int row) { return qobject_cast<QCheckBox *>(table(page)->cellWidget(row, 0)); }
    QWidget *editor(int page, int row) { return table(page)->cellWidget(row, 2); }
    QList<QComboBox *> uart_boxes(int page, int row)
    {
        QWidget *cell = editor(page, row);
        return {find<QComboBox>(cell, "uart_bits"), find<QComboBox>(cell, "uart_parity"),
                find<QComboBox>(cell, "uart_stop")};
    }
    // A value cell as text: the item's text; a Uart editor as
    // "speed bits parity stop" (box indexes); an Itf box as "itf N".
    QString shown(int page, int row)
    {
        QWidget *cell = editor(page, row);
        if (auto *box = qobject_cast<QComboBox *>(cell))
            return QStringLiteral("itf %1").arg(box->currentIndex());
        if (cell) {
            QStringList parts{find<QLineEdit>(cell, "uart_speed")->text()};
            for (QComboBox *box : uart_boxes(page, row))
                parts << QString::number(box->currentIndex());
            return parts.join(QLatin1Char(' '));
        }
        const QTableWidgetItem *item = table(page)->item(row, 2);
        return item ? item->text() : QStringLiteral("<no item>");
    }
    // The reverse of shown().
    void set_shown(int page, int row, const QString &text)
    {
        QWidget *cell = editor(page, row);
        if (auto *box = qobject_cast<QComboBox *>(cell)) {
            box->setCurrentIndex(text.section(QLatin1Char(' '), 1).toInt());
        } else if (cell) {
            const QStringList parts = text.split(QLatin1Char(' '));
            find<QLineEdit>(cell, "uart_speed")->setText(parts.at(0));
            const QList<QComboBox *> boxes = uart_boxes(page, row);
            for (int i = 0; i < 3; ++i)
                boxes[i]->setCurrentIndex(parts.at(i + 1).toInt());
        } else {
            table(page)->item(row, 2)->setText(text);
        }
    }
    bool grey(int page, int row)
    {
        const QTableWidgetItem *item = table(page)->item(row, 2);
        return item && item->background() == QBrush(Qt::gray, Qt::SolidPattern);
    }
    void show_page(int page) { find<QTabWidget>(window.get(), "tabWidget_2")->setCurrentIndex(page); }
    QPushButton *button(const char *name) { return find<QPushButton>(window.get(), name); }
    void click(const char *name) { harness::click(button(name)); }
    QString status() { return find<QLabel>(window.get(), "label")->text(); }
    // Every request sent has had its reply taken (one log record each way).
    static bool exchanges_done()
    {
        const QString log = harness::log_text();
        return log.count(QStringLiteral("-> ")) == log.count(QStringLiteral("<- "));
    }
};

// The pages connected over Ethernet to a stand-in controller that keeps
// parameter values: a get of listed keys answers the known ones, a get of
// "all" answers every one, a write object stores its members.
struct Connected : Pages
{
    harness::FakeController controller;
    QJsonObject values;
    // When set, answers the parameter requests instead.
    std::function<QByteArray(const QJsonObject &request)> answer_parameters;
    int first_parameter_request = 0;

    explicit Connected(const QByteArray &catalogue = test_catalogue()) : Pages(catalogue)
    {
        find<QLineEdit>(window.get(), "lineEdit")->setText(QStringLiteral("127.0.0.1"));
        find<QLineEdit>(window.get(), "lineEdit_2")->setText(controller.port_text());
        controller.answer = [this](const QByteArray &request) { return answer(request); };
        click("connect_dev_btn");
        if (!QTest::qWaitFor([this] { return find<QLineEdit>(window.get(), "lineEdit_3")->text() == "SN/07:a"; }))
            QTest::qFail("the stand-in controller was not identified", __FILE__, __LINE__);
        first_parameter_request = controller.requests().size();
    }
    QByteArray answer(const QByteArray &request)
    {
        if (request.contains("fw_ver")) {
            return QJsonDocument(QJsonObject{{"serial", "SN/07:a"}, {"fw_ver", "1"}, {"fw_id", "2"},
                                             {"rs_type", QJsonArray{}}})
                .toJson(QJsonDocument::Compact);
        }
        const QJsonObject object = QJsonDocument::fromJson(request).object();
        if (answer_parameters)
            return answer_parameters(object);
        QJsonObject reply;
        if (object.value("params").isArray()) {
            for (const QJsonValue &key : object.value("params").toArray()) {
                if (values.contains(key.toString()))
                    reply.insert(key.toString(), values.value(key.toString()));
            }
        } else if (object.value("params") == QJsonValue("all")) {
            reply = values;
            reply.insert("result", "ok");
        } else {
            for (auto member = object.begin(); member != object.end(); ++member)
                values.insert(member.key(), member.value());
            reply.insert("result", "ok");
        }
        return QJsonDocument(reply).toJson(QJsonDocument::Compact);
    }
    QStringList parameter_requests() { return controller.requests().mid(first_parameter_request); }
};

} // namespace

class ParametersTest : public QObject
{
    Q_OBJECT

private slots:
    // --- The pages ---

    void pages_are_built_from_the_catalogue()
    {
        Pages f;
        QCOMPARE(f.table(0)->rowCount(), 33);
        QCOMPARE(f.table(1)->rowCount(), 11);
        QCOMPARE(f.table(2)->rowCount(), 1);
        QCOMPARE(f.table(3)->rowCount(), 2);
        for (int page = 0; page < 4; ++page)
            QCOMPARE(f.table(page)->columnCount(), 3);
        QCOMPARE(f.table(0)->horizontalHeaderItem(1)->text(), QStringLiteral("Параметр"));
        QCOMPARE(f.table(0)->horizontalHeaderItem(2)->text(), QStringLiteral("Значение"));
        QCOMPARE(f.table(0)->horizontalHeader()->sectionResizeMode(0), QHeaderView::ResizeToContents);
        QCOMPARE(f.table(1)->horizontalHeader()->sectionResizeMode(2), QHeaderView::Stretch);

        // A row: an unchecked box, the name, a plain editable value.
        QVERIFY(f.check(0, 0) && !f.check(0, 0)->isChecked());
        QCOMPARE(f.table(0)->item(2, 1)->text(), QStringLiteral("Температура"));
        QCOMPARE(f.table(0)->item(2, 1)->textAlignment(), int(Qt::AlignLeft));
        QVERIFY(f.table(0)->item(0, 2)->flags() & Qt::ItemIsEditable);
        QVERIFY(f.grey(0, temp_row));
        QVERIFY(!f.grey(0, 0));
        QVERIFY(!f.grey(0, pass_row));

        // The Uart editor: a speed field and three boxes in a 50 px row.
        QCOMPARE(f.table(0)->rowHeight(uart_row), 50);
        QCOMPARE(f.shown(0, uart_row), QStringLiteral(" 0 0 0"));
        const QList<QComboBox *> boxes = f.uart_boxes(0, uart_row);
        QCOMPARE(boxes[0]->count(), 2);
        QCOMPARE(boxes[1]->count(), 3);
        QCOMPARE(boxes[2]->itemText(1), QStringLiteral("Количество стоп-бит - 2"));
        auto *itf = qobject_cast<QComboBox *>(f.editor(0, itf_row));
        QVERIFY(itf);
        QCOMPARE(itf->count(), 7);
        QCOMPARE(itf->itemText(6), QStringLiteral("USB –интерфейс USB"));
        QCOMPARE(itf->currentIndex(), 0);

        // Editors of rows that may not be written are greyed out.
        QVERIFY(f.editor(1, 7)->isEnabled());
        QVERIFY(!f.editor(1, 8)->isEnabled());
        QVERIFY(!f.editor(1, 9)->isEnabled());
        // A line naming two pages is on both.
        QCOMPARE(f.table(1)->item(10, 1)->text(), QStringLiteral("Общий"));
        QCOMPARE(f.table(3)->item(0, 1)->text(), QStringLiteral("Общий"));
    }

    void flag_buttons_act_on_the_visible_page()
    {
        Pages f;
        f.show_page(1);
        f.click("fiil_flags_btn");
        for (int row = 0; row < f.table(1)->rowCount(); ++row)
            QVERIFY(f.check(1, row)->isChecked());
        for (int row = 0; row < f.table(0)->rowCount(); ++row)
            QVERIFY(!f.check(0, row)->isChecked());
        f.click("clear_flags_btn");
        for (int row = 0; row < f.table(1)->rowCount(); ++row)
            QVERIFY(!f.check(1, row)->isChecked());
    }

    void catalogue_file_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("refused");
        QTest::newRow("missing, created empty") << "missing" << 0 << false;
        QTest::newRow("write-protected, read") << "write-protected" << 33 << false;
        QTest::newRow("not a file") << "directory" << 0 << true;
    }

    void catalogue_file()
    {
        QFETCH(QString, state);
        QFETCH(int, rows);
        QFETCH(bool, refused);
        Pages f(nullptr);
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
        QCOMPARE(f.status() == QStringLiteral("Параметры не считаны"), refused);
        if (state == QLatin1String("missing"))
            QVERIFY(QFileInfo(path).isFile());
        if (refused)
            QCOMPARE(f.table(0)->columnCount(), 0);
    }

    void clock_fills_the_time_row()
    {
        Pages f;
        f.check(0, 0)->setChecked(false);
        f.click("synch_time");
        const QString shown = f.shown(0, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(shown).hasMatch(),
                 qPrintable(shown));
        const QDateTime set = QDateTime::fromString(shown, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY(qAbs(set.secsTo(QDateTime::currentDateTime())) <= 2);
        QCOMPARE(f.table(0)->item(0, 2)->textAlignment(), int(Qt::AlignLeft));
        QVERIFY(!f.check(0, 0)->isChecked());

        // Without a "time" key the first row takes it; without rows nothing happens.
        Pages other(utf8_bom + "a;A;String;RW;Основные\nb;B;String;RW;Основные\n");
        other.click("synch_time");
        QVERIFY(!other.shown(0, 0).isEmpty());
        QVERIFY(other.shown(0, 1).isEmpty());
        Pages empty(utf8_bom + "a;A;String;RW;Сеть\n");
        empty.click("synch_time");
        QCOMPARE(empty.table(0)->rowCount(), 0);
    }

    // --- Settings files loaded into the pages ---

    void factory_settings_fill_every_page()
    {
        Pages f;
        f.set_shown(0, uart_row, QStringLiteral("1200 0 1 0"));
        f.set_shown(1, 0, QStringLiteral("untouched"));
        f.dir.write_file(params::factory_file_name(), R"({"time":"2026-01-02 03:04:05","temp":1234567.0,
            "ip":[192,168,0,1],"count":7,"uart":"9600_8E2","itf":"485","net_uart":"19200_7O1",
            "net_itf":"","ro_itf":"232","shared":5,"svc":9,"ch_itf":"CAN","result":"ok"})");
        f.click("industrial_btn");
        QCOMPARE(f.shown(0, 0), QStringLiteral("2026-01-02 03:04:05"));
        QCOMPARE(f.shown(0, temp_row), QStringLiteral("1.23457e+06"));
        QCOMPARE(f.shown(0, 3), QStringLiteral("192.168.0.1"));
        QCOMPARE(f.shown(0, 4), QStringLiteral("7"));
        QCOMPARE(f.shown(0, uart_row), QStringLiteral("9600 1 1 1"));
        QCOMPARE(f.shown(0, itf_row), QStringLiteral("itf 1"));
        // Page 1's editors at the same rows get their own values.
        QCOMPARE(f.shown(1, 6), QStringLiteral("19200 0 2 0"));
        QCOMPARE(f.shown(1, 7), QStringLiteral("itf 6"));
        QCOMPARE(f.shown(1, 8), QStringLiteral("itf 2"));
        QCOMPARE(f.shown(1, 10), QStringLiteral("5"));
        QCOMPARE(f.shown(3, 0), QStringLiteral("5"));
        QCOMPARE(f.shown(3, 1), QStringLiteral("9"));
        QCOMPARE(f.shown(2, 0), QStringLiteral("itf 3"));
        // Rows whose key the file lacks keep their values; read-only rows are grey again.
        QCOMPARE(f.shown(1, 0), QStringLiteral("untouched"));
        QVERIFY(f.grey(0, temp_row));
        QVERIFY(f.grey(3, 1));
        QVERIFY(f.status().isEmpty());
    }

    void settings_files_that_do_not_load_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("factory file missing") << "factory";
        QTest::newRow("dialog cancelled") << "cancel";
        QTest::newRow("chosen file missing") << "missing";
    }

    void settings_files_that_do_not_load()
    {
        QFETCH(QString, how);
        Pages f;
        f.set_shown(0, 4, QStringLiteral("11"));
        if (how == QLatin1String("factory")) {
            f.click("industrial_btn");
            QVERIFY(!QFile::exists(f.dir.file_path(params::factory_file_name())));
        } else {
            harness::answer_next_file_dialog(how == QLatin1String("cancel") ? QString()
                                                                            : f.dir.file_path("nothing.txt"));
            f.click("read_settings_btn");
            QVERIFY(!QFile::exists(f.dir.file_path("nothing.txt")));
        }
        QCOMPARE(f.status(), QStringLiteral("Параметры не считаны"));
        QCOMPARE(f.shown(0, 4), QStringLiteral("11"));
    }

    void settings_file_contents_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Uart without _ sets the speed only") << QByteArray(R"({"uart":"4800"})") << uart_row
                                                            << "4800 0 2 1";
        QTest::newRow("Float 2.5") << QByteArray(R"({"temp":2.5})") << temp_row << "2.5";
        QTest::newRow("not JSON, key in the text") << QByteArray("count=3") << 4 << "0";
        QTest::newRow("not JSON, other keys stay") << QByteArray("count=3") << 0 << "kept";
        QTest::newRow("key inside a longer key") << QByteArray(R"({"counter":3})") << 4 << "0";
        QTest::newRow("Itf of the wrong type stays") << QByteArray(R"({"itf":5})") << itf_row << "itf 4";
        QTest::newRow("NUL bytes") << QByteArray("{\"count\":\0 5}", 13) << 4 << "0";
    }

    void settings_file_contents()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, row);
        QFETCH(QString, shown);
        Pages f;
        f.set_shown(0, 0, QStringLiteral("kept"));
        f.set_shown(0, uart_row, QStringLiteral("1 0 2 1"));
        f.set_shown(0, itf_row, QStringLiteral("itf 4"));
        f.dir.write_file(QStringLiteral("saved.txt"), content);
        WriteProtection protection(f.dir.file_path(QStringLiteral("saved.txt")));
        harness::answer_next_file_dialog(f.dir.file_path(QStringLiteral("saved.txt")));
        f.click("read_settings_btn");
        QCOMPARE(f.shown(0, row), shown);
        QVERIFY(f.status().isEmpty());
    }

    // --- Requests ---

    void request_buttons_need_an_open_link_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("read") << "read_param_btn";
        QTest::newRow("write") << "write_param_btn";
        QTest::newRow("save settings") << "write_settings_btn";
    }

    void request_buttons_need_an_open_link()
    {
        QFETCH(QString, button);
        Pages f;
        f.set_shown(0, 4, QStringLiteral("11"));
        f.check(0, 4)->setChecked(true);
        f.click(button.toLatin1().constData());
        QCOMPARE(f.status(), QString::fromUtf8("\xD0\x9F" "o" "рт не открыт"));
        QCOMPARE(f.shown(0, 4), QStringLiteral("11"));
        QVERIFY(harness::log_text().isEmpty());
    }

    void split_read_asks_each_row_once_in_order()
    {
        Connected f;
        for (int i = 0; i < value_rows; ++i)
            f.values.insert(value_key(i), 100 + i);
        f.values.insert("count", 3);
        f.values.insert("pass", "secret");
        f.click("fiil_flags_btn");
        QSignalSpy clicks(f.button("read_param_btn"), &QPushButton::clicked);
        f.click("read_param_btn");
        // A second click while the read runs changes nothing.
        f.click("read_param_btn");
        QTRY_COMPARE(f.shown(0, first_value_row + value_rows - 1), QStringLiteral("124"));

        // Every readable row once, in row order, the write-only row left out.
        QStringList asked;
        const QStringList sent = f.parameter_requests();
        for (int i = 0; i < sent.size(); ++i) {
            QStringList step;
            for (const QJsonValue &key : object_of(sent.at(i)).value("params").toArray())
                step << key.toString();
            if (i + 1 < sent.size()) {
                QVERIFY(sent.at(i).size() > 149);
                QVERIFY(requests::parameter_read(step.mid(0, step.size() - 1)).size() <= 149);
            }
            asked << step;
        }
        QStringList expected{"time", "name", "temp", "ip", "count", "uart", "itf"};
        for (int i = 0; i < value_rows; ++i)
            expected << value_key(i);
        QCOMPARE(asked, expected);
        QVERIFY(sent.size() >= 3);
        QCOMPARE(clicks.count(), sent.size() + 1);
        QVERIFY(!f.check(0, pass_row)->isChecked());
        QCOMPARE(f.shown(0, 4), QStringLiteral("3"));
        QCOMPARE(f.shown(0, pass_row), QString());
        QVERIFY(f.grey(0, temp_row));

        // The read is over: edits no longer uncheck write-only rows, and a
        // click starts a new read from the first row.
        f.check(0, pass_row)->setChecked(true);
        f.set_shown(0, pass_row, QStringLiteral("new"));
        QVERIFY(f.check(0, pass_row)->isChecked());
        f.click("read_param_btn");
        QTRY_VERIFY(f.parameter_requests().size() > sent.size());
        QVERIFY(f.parameter_requests().at(sent.size()).contains("\"time\""));
    }

    void read_shows_each_format_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Float, six digits") << temp_row << QByteArray(R"({"temp":1234567})") << "1.23457e+06";
        QTest::newRow("Float 0.1") << temp_row << QByteArray(R"({"temp":0.1})") << "0.1";
        QTest::newRow("Float as text") << temp_row << QByteArray(R"({"temp":"hot"})") << "0";
        QTest::newRow("Int[]") << 3 << QByteArray(R"({"ip":[192,168,0,1]})") << "192.168.0.1";
        QTest::newRow("Int[] empty") << 3 << QByteArray(R"({"ip":[]})") << "";
        QTest::newRow("Int") << 4 << QByteArray(R"({"count":42})") << "42";
        QTest::newRow("Int missing") << 4 << QByteArray(R"({"other":42})") << "0";
        QTest::newRow("String") << 1 << QByteArray(R"({"name":"ТП-1"})") << "ТП-1";
        QTest::newRow("String missing") << 1 << QByteArray("{}") << "";
        QTest::newRow("Uart 19200_7E2") << uart_row << QByteArray(R"({"uart":"19200_7E2"})") << "19200 0 1 1";
        QTest::newRow("Uart speed only") << uart_row << QByteArray(R"({"uart":"4800"})") << "4800 1 2 0";
        QTest::newRow("Uart missing") << uart_row << QByteArray("{}") << "1 1 2 0";
        QTest::newRow("Itf 485") << itf_row << QByteArray(R"({"itf":"485"})") << "itf 1";
        QTest::newRow("Itf empty") << itf_row << QByteArray(R"({"itf":""})") << "itf 6";
        QTest::newRow("Itf unknown") << itf_row << QByteArray(R"({"itf":"X25"})") << "itf 3";
        QTest::newRow("Itf array") << itf_row << QByteArray(R"({"itf":["485"]})") << "itf 3";
        QTest::newRow("not JSON") << 4 << QByteArray("count: 5}") << "0";
        QByteArray huge = "{\"ip\":[";
        for (int i = 0; i < 50000; ++i)
            huge += "1,";
        huge += "1]}";
        QTest::newRow("huge array") << 3 << huge << QString("1.").repeated(50000) + "1";
    }

    void read_shows_each_format()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, reply);
        QFETCH(QString, shown);
        Connected f;
        f.set_shown(0, uart_row, QStringLiteral("1 1 2 0"));
        f.set_shown(0, itf_row, QStringLiteral("itf 3"));
        f.check(0, row)->setChecked(true);
        bool answered = false;
        f.answer_parameters = [&](const QJsonObject &) {
            answered = true;
            return reply;
        };
        f.click("read_param_btn");
        QVERIFY(!f.grey(0, temp_row));
        QTRY_VERIFY(answered);
        QTRY_VERIFY(f.grey(0, temp_row));
        QCOMPARE(f.shown(0, row), shown);
    }

    void write_sends_each_format_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("sent");
        QTest::newRow("Int[] as four strings") << 0 << 3 << "192.168.0.1" << R"({"ip":["192","168","0","1"]})";
        QTest::newRow("Int") << 0 << 4 << "17" << R"({"count":17})";
        QTest::newRow("Int not a number") << 0 << 4 << "abc" << R"({"count":0})";
        QTest::newRow("String") << 0 << 1 << "Имя" << R"({"name":"Имя"})";
        QTest::newRow("Itf 485") << 0 << itf_row << "itf 1" << R"({"itf":"485"})";
        QTest::newRow("Uart") << 0 << uart_row << "9600 1 0 0" << R"({"uart":"9600_8N1"})";
        QTest::newRow("Uart without speed") << 0 << uart_row << " 1 1 1" << R"({"uart":"_8E2"})";
        QTest::newRow("Uart of page 1") << 1 << 6 << "57600 0 2 1" << R"({"net_uart":"57600_7O2"})";
        QTest::newRow("Itf of page 1") << 1 << 7 << "itf 5" << R"({"net_itf":"GSM"})";
    }

    void write_sends_each_format()
    {
        QFETCH(int, page);
        QFETCH(int, row);
        QFETCH(QString, value);
        QFETCH(QString, sent);
        Connected f;
        // Page 0's editors at the rows of page 1's hold other values.
        f.set_shown(0, uart_row, QStringLiteral("1200 0 1 0"));
        f.set_shown(0, itf_row, QStringLiteral("itf 2"));
        f.set_shown(page, row, value);
        f.show_page(page);
        f.check(page, row)->setChecked(true);
        f.click("write_param_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись произведена"));
        QCOMPARE(f.parameter_requests(), QStringList{QString::fromUtf8(requests::parameter_write(object_of(sent)))});
    }

    void split_write_writes_each_row_once_in_order()
    {
        Connected f;
        for (int i = 0; i < value_rows; ++i) {
            f.set_shown(0, first_value_row + i, QString::number(1000 + i));
            f.check(0, first_value_row + i)->setChecked(true);
        }
        QSignalSpy clicks(f.button("write_param_btn"), &QPushButton::clicked);
        f.click("write_param_btn");
        f.click("write_param_btn"); // ignored while the write runs
        QTRY_COMPARE(f.values.size(), value_rows);
        QTRY_VERIFY(f.exchanges_done());
        QCOMPARE(f.status(), QStringLiteral("Запись произведена"));

        QStringList written;
        const QStringList sent = f.parameter_requests();
        for (int i = 0; i < sent.size(); ++i) {
            const QJsonObject batch = object_of(sent.at(i));
            QVERIFY(!batch.isEmpty());
            if (i + 1 < sent.size())
                QVERIFY(sent.at(i).size() >= 150);
            written << batch.keys();
        }
        QStringList expected;
        for (int i = 0; i < value_rows; ++i)
            expected << value_key(i);
        QCOMPARE(written, expected);
        QCOMPARE(f.values.value(value_key(24)).toInt(), 1024);
        QVERIFY(sent.size() >= 3);
        QCOMPARE(clicks.count(), sent.size() + 1);
        // Over: a new click writes from the first row again.
        f.click("write_param_btn");
        QTRY_COMPARE(f.parameter_requests().size(), 2 * sent.size());
        QCOMPARE(f.parameter_requests().at(sent.size()), sent.first());
    }

    void write_refusals_and_empty_selection()
    {
        Connected f;
        // A read-only row behind writable rows of several batches: nothing goes out.
        for (int row : {0, 1, 3, 4, temp_row})
            f.check(0, row)->setChecked(true);
        for (int i = 0; i < value_rows; ++i)
            f.check(0, first_value_row + i)->setChecked(true);
        f.click("write_param_btn");
        QCOMPARE(f.status(), QStringLiteral("Параметр только для чтения"));
        QTest::qWait(300);
        QVERIFY(f.parameter_requests().isEmpty());

        // Nothing checked: the empty object, handled as any write.
        f.click("clear_flags_btn");
        f.click("write_param_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись произведена"));
        QCOMPARE(f.parameter_requests(), QStringList{"{\n}\n"});
    }

    void error_results_end_the_operation_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("read, error_key") << "read_param_btn" << "error_key" << "Неизвестный ключ";
        QTest::newRow("read, error_get") << "read_param_btn" << "error_get" << "Ошибка обработки запроса на чтение";
        QTest::newRow("write, error_value") << "write_param_btn" << "error_value" << "Ошибка значения ключа";
        QTest::newRow("write, error_save") << "write_param_btn" << "error_save"
                                           << "Ошибка сохранения параметра или файла";
        QTest::newRow("write, unknown result") << "write_param_btn" << "busy" << "";
    }

    void error_results_end_the_operation()
    {
        QFETCH(QString, button);
        QFETCH(QString, code);
        QFETCH(QString, text);
        Connected f;
        for (int i = 0; i < value_rows; ++i) {
            f.set_shown(0, first_value_row + i, QStringLiteral("1"));
            f.check(0, first_value_row + i)->setChecked(true);
        }
        f.answer_parameters = [&](const QJsonObject &) {
            return QJsonDocument(QJsonObject{{"result", code}}).toJson(QJsonDocument::Compact);
        };
        f.click(button.toLatin1().constData());
        QTRY_COMPARE(f.parameter_requests().size(), 1);
        QTRY_COMPARE(f.status(), text);
        // No next step, and the next click starts from the first row again.
        QTest::qWait(300);
        QCOMPARE(f.parameter_requests().size(), 1);
        QVERIFY(f.grey(0, temp_row));
        f.click(button.toLatin1().constData());
        QTRY_COMPARE(f.parameter_requests().size(), 2);
        QCOMPARE(f.parameter_requests().at(1), f.parameter_requests().at(0));
    }

    void unanswered_read_ends_with_read_only_rows_grey()
    {
        Connected f;
        f.check(0, 0)->setChecked(true);
        f.answer_parameters = [](const QJsonObject &) { return QByteArray(); };
        f.click("read_param_btn");
        QVERIFY(!f.grey(0, temp_row));
        QTRY_COMPARE_WITH_TIMEOUT(f.status(), QStringLiteral("Устройство не отвечает"), 15000);
        QVERIFY(f.grey(0, temp_row));
    }

    // --- Settings files saved from a controller ---

    void saved_settings_file_failures_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("error result") << R"({"result":"error_get"})" << "Ошибка обработки запроса на чтение";
        QTest::newRow("file cannot be written") << R"({"count":1,"result":"ok"})" << "Настройки не записаны";
    }

    void saved_settings_file_failures()
    {
        QFETCH(QString, reply);
        QFETCH(QString, text);
        Connected f;
        f.answer_parameters = [&](const QJsonObject &) { return reply.toUtf8(); };
        // A folder where the file would go: the file cannot replace it.
        const QString name = params::settings_file_name(QStringLiteral("SN/07:a"), QDateTime::currentDateTime());
        QDir(f.dir.path()).mkdir(name);
        f.click("write_settings_btn");
        QTRY_COMPARE(f.status(), text);
        QVERIFY(QFileInfo(f.dir.file_path(name)).isDir());
        QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("Считанные*")}, QDir::Files), QStringList());
    }

    void settings_saved_from_the_simulator_load_back()
    {
        if (harness::Simulator::program().isEmpty())
            QSKIP("the simulator was not built");
        Pages f;
        harness::Simulator sim;
        QVERIFY2(sim.start({"--listen", "127.0.0.1:0", "--serial-number", "../SIM:9",
                            "--catalogue", f.dir.file_path("parametrs.csv")}),
                 qPrintable(sim.output()));
        find<QLineEdit>(f.window.get(), "lineEdit")->setText(QStringLiteral("127.0.0.1"));
        find<QLineEdit>(f.window.get(), "lineEdit_2")->setText(QString::number(sim.tcp_port()));
        f.click("connect_dev_btn");
        QTRY_COMPARE(find<QLineEdit>(f.window.get(), "lineEdit_3")->text(), QStringLiteral("../SIM:9"));

        // Write some rows, then read the page back from the simulator.
        f.set_shown(0, 3, QStringLiteral("10.0.0.7"));
        f.set_shown(0, 4, QStringLiteral("55"));
        f.set_shown(0, uart_row, QStringLiteral("19200 0 1 1"));
        for (int row : {3, 4, uart_row})
            f.check(0, row)->setChecked(true);
        f.click("write_param_btn");
        QTRY_VERIFY(f.exchanges_done());
        QCOMPARE(f.status(), QStringLiteral("Запись произведена"));
        f.set_shown(0, uart_row, QStringLiteral("1 1 0 0"));
        f.click("fiil_flags_btn");
        f.click("read_param_btn");
        QTRY_VERIFY(f.grey(0, temp_row) && f.exchanges_done());
        QCOMPARE(f.shown(0, uart_row), QStringLiteral("19200 0 1 1"));
        QCOMPARE(f.shown(0, 4), QStringLiteral("55"));
        QCOMPARE(f.shown(0, 3), QStringLiteral("10.0.0.7"));
        QCOMPARE(f.shown(0, first_value_row + value_rows - 1), QStringLiteral("0"));

        f.click("write_settings_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Настройки записаны"));
        const QString name = params::settings_file_name(QStringLiteral("../SIM:9"), QDateTime::currentDateTime());
        QVERIFY2(name.startsWith(QStringLiteral("Считанные параметры_УСПД_.._SIM_9_дата_")), qPrintable(name));
        const QJsonObject saved = object_of(QString::fromUtf8(f.dir.read_file(name)));
        QCOMPARE(saved.value("count").toInt(), 55);
        QCOMPARE(saved.value("result").toString(), QStringLiteral("ok"));

        // Loaded back into the pages, without a request.
        f.set_shown(0, 4, QStringLiteral("0"));
        f.set_shown(0, uart_row, QStringLiteral("1 1 0 0"));
        f.set_shown(1, 6, QStringLiteral("1 1 0 0"));
        const int logged = harness::log_text().size();
        harness::answer_next_file_dialog(f.dir.file_path(name));
        f.click("read_settings_btn");
        QCOMPARE(f.shown(0, 4), QStringLiteral("55"));
        QCOMPARE(f.shown(0, 3), QStringLiteral("10.0.0.7"));
        QCOMPARE(f.shown(0, uart_row), QStringLiteral("19200 0 1 1"));
        QCOMPARE(f.shown(1, 6), QStringLiteral("9600 1 0 0"));
        QVERIFY(f.grey(0, temp_row));
        QCOMPARE(harness::log_text().size(), logged);
    }
};

QTEST_MAIN(ParametersTest)
#include "tst_parameters.moc"
