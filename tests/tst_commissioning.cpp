// Commissioning in the real window: the controller compared with a settings
// file (against a stand-in on 127.0.0.1 and against the simulator), the
// differences written, and the report read back from its PDF.

#include "app/commissioning_report.h"
#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "engine/requests.h"
#include "support/harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <memory>

namespace {

// Page 0: rows 0 to 7; "net" is on pages 1 and 3, "ro_itf" on page 1.
const QByteArray catalogue = "name;Имя;String;RW;Основные\ncount;Счётчик;Int;RW;Основные\n"
                             "ip;Адрес;Int[];RW;Основные\ntemp;Температура;Float;R;Основные\n"
                             "uart;Порт;Uart;RW;Основные\nitf;Интерфейс;Itf;RW;Основные\n"
                             "time;Время;String;RW;Основные\nnet;Сеть;Int;RW;Сеть, Сервис\n"
                             "ro_itf;Только чтение;Itf;R;Сеть\nlabel;Надпись;String;RW;Основные\n";
constexpr int name_row = 0, count_row = 1, temp_row = 3, uart_row = 4, itf_row = 5, time_row = 6;

// The template: equal to the controller by display in count, ip, uart and
// ro_itf; differing in temp (read-only), itf, net (on two pages) and label
// (markup); name missing in the reply; the clock not compared nor shown;
// "unknown" in no catalogue.
const QByteArray template_file = R"({"name":"Объект","count":5.0,"ip":"192.168.0.1","temp":3,"uart":"9600_N81",)"
                                 R"("itf":"485","net":7,"ro_itf":"232","label":"x","time":"old","unknown":1})";
const QByteArray controller_set = R"({"count":5,"ip":[192,168,0,1],"temp":4,"uart":"9600_8N1","itf":"232",)"
                                  R"("time":"t","net":8,"ro_itf":"232","label":"a<b>c</b> & d","result":"ok"})";
const QString template_status = "Отличий: 4; только для чтения: 1; нет в ответе контроллера: 1";

using Cell = QPair<int, int>; // page, row

struct Window : harness::Window
{
    harness::FakeController controller;
    QByteArray reply = controller_set;

    Window()
    {
        dir.write_file(QStringLiteral("parametrs.csv"), catalogue);
        dir.write_file(QStringLiteral("template.txt"), template_file);
        start(1);
    }
    // The window on the shipped catalogue and models.
    explicit Window(const char *shipped)
    {
        dir.copy_data_file(QString::fromLatin1(shipped));
        dir.copy_data_file(QStringLiteral("Models.csv"));
        start(1);
    }
    bool connect(const QString &port, const QString &serial)
    {
        harness::set_ethernet_address(window.get(), port.toUShort());
        find<QLineEdit>("interval_line")->setText(QStringLiteral("10"));
        click("connect_dev_btn");
        return QTest::qWaitFor([&] { return find<QLineEdit>("lineEdit_3")->text() == serial && idle(); });
    }
    bool identify()
    {
        controller.answer = [this](const QByteArray &request) {
            return request.contains("fw_ver") ? QByteArray(R"({"serial":"S1","fw_ver":"1","fw_id":"2"})") : reply;
        };
        return connect(controller.port_text(), QStringLiteral("S1"));
    }
    QStringList requests_after_identification() { return controller.requests().mid(1); }
    void compare(const QString &file)
    {
        harness::answer_next_file_dialog(file);
        click("compare_settings_btn");
    }

    // A value cell as text: the item's; an editor's speed and box indices.
    QString shown(int page, int row)
    {
        QWidget *cell = table(page)->cellWidget(row, 2);
        if (!cell)
            return table(page)->item(row, 2)->text();
        QStringList parts;
        if (auto *speed = cell->findChild<QLineEdit *>())
            parts << speed->text();
        auto *box = qobject_cast<QComboBox *>(cell);
        for (QComboBox *each : box ? QList<QComboBox *>{box} : cell->findChildren<QComboBox *>())
            parts << QString::number(each->currentIndex());
        return parts.join(QLatin1Char(' '));
    }
    // Every marked cell with its tool tip as it is rendered, and every checked row.
    static QString rendered(const QString &tip)
    {
        QTextDocument document;
        document.setHtml(tip);
        return document.toPlainText();
    }
    QMap<Cell, QString> marks()
    {
        QMap<Cell, QString> found;
        for (int page = 0; page < 4; ++page) {
            for (int row = 0; row < table(page)->rowCount(); ++row) {
                const QTableWidgetItem *item = table(page)->item(row, 2);
                if (item && !item->toolTip().isEmpty())
                    found.insert({page, row}, rendered(item->toolTip()));
            }
        }
        return found;
    }
    QList<Cell> checked()
    {
        QList<Cell> found;
        for (int page = 0; page < 4; ++page) {
            for (int row = 0; row < table(page)->rowCount(); ++row) {
                if (check(page, row)->isChecked())
                    found << Cell{page, row};
            }
        }
        return found;
    }
};

const QString itf_232 = QStringLiteral("В контроллере: 232 – интерфейс RS-232");
const QMap<Cell, QString> template_marks = {{{0, name_row}, "Нет в ответе контроллера"},
                                            {{0, temp_row}, "Только для чтения\nВ контроллере: 4"},
                                            {{0, itf_row}, itf_232},
                                            {{0, 7}, "В контроллере: a<b>c</b> & d"},
                                            {{1, 0}, "В контроллере: 8"},
                                            {{3, 0}, "В контроллере: 8"}};

QString run_tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class CommissioningTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { harness::quiet_file_dialog_warnings(); }

    void differences_are_marked_checked_and_written()
    {
        Window f;
        QVERIFY(f.identify());
        f.check(0, count_row)->setChecked(true);
        f.check(0, time_row)->setChecked(true);
        f.compare(f.dir.file_path("template.txt"));
        QTRY_COMPARE(f.status(), template_status);
        QCOMPARE(f.requests_after_identification(),
                 QStringList(QString::fromUtf8(requests::settings_dump().trimmed())));
        // The file's values, the controller's where the file has none.
        QCOMPARE(QStringList({f.shown(0, name_row), f.shown(0, count_row), f.shown(0, 2), f.shown(0, temp_row),
                              f.shown(0, uart_row), f.shown(0, itf_row), f.shown(0, time_row)}),
                 QStringList({"Объект", "5", "192.168.0.1", "3", "9600 1 0 0", "1", "t"}));
        QCOMPARE(f.marks(), template_marks);
        QCOMPARE(f.rendered(f.table(0)->cellWidget(itf_row, 2)->toolTip()), itf_232);
        QCOMPARE(f.checked(), (QList<Cell>{{0, itf_row}, {0, 7}, {1, 0}, {3, 0}}));

        // "Записать" sends the page's differing rows, and their marks go
        // once the controller confirmed them, on every page showing the key.
        f.reply = R"({"result":"ok"})";
        f.find<QTabWidget>("tabWidget_2")->setCurrentIndex(1);
        f.click("write_param_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись произведена"));
        QCOMPARE(f.requests_after_identification().last(), QStringLiteral("{\n    \"net\": 7\n}"));
        QMap<Cell, QString> left = template_marks;
        left.remove({1, 0});
        left.remove({3, 0});
        QCOMPARE(f.marks(), left);
        QVERIFY(f.table(0)->cellWidget(itf_row, 2)->styleSheet().contains("#ffd8a8"));
        // A read of a page takes that page's marks; a load takes all.
        f.reply = R"({"itf":"232"})";
        f.find<QTabWidget>("tabWidget_2")->setCurrentIndex(0);
        f.click("clear_flags_btn");
        f.check(0, itf_row)->setChecked(true);
        f.click("read_param_btn");
        QTRY_VERIFY(f.idle());
        QVERIFY(f.marks().isEmpty());
        QVERIFY(f.table(0)->cellWidget(itf_row, 2)->toolTip().isEmpty());
        QVERIFY(f.table(0)->cellWidget(itf_row, 2)->styleSheet().isEmpty());
        QCOMPARE(f.table(0)->item(temp_row, 2)->background(), QBrush(Qt::gray, Qt::SolidPattern));
        f.reply = controller_set;
        f.compare(f.dir.file_path("template.txt"));
        QTRY_COMPARE(f.marks(), template_marks);
        harness::answer_next_file_dialog(f.dir.file_path("template.txt"));
        f.click("read_settings_btn");
        QVERIFY(f.marks().isEmpty());
    }

    // The marks seen alone, counted on the tabs, written at once and dropped.
    void differences_shown_counted_written_at_once_and_dropped()
    {
        Window f;
        QVERIFY(f.identify());
        f.click("write_differences_btn"); // nothing compared yet
        QCOMPARE(f.status(), QStringLiteral("Нет сравнения с файлом"));
        f.compare(f.dir.file_path("template.txt"));
        QTRY_COMPARE(f.status(), template_status);
        auto *tabs = f.find<QTabWidget>("tabWidget_2");
        QCOMPARE(QStringList({tabs->tabText(0), tabs->tabText(1), tabs->tabText(2), tabs->tabText(3)}),
                 QStringList({"Основные (2)", "Сеть (1)", "Интерфейсы", "Сервис (1)"}));
        f.find<QCheckBox>("only_differences_box")->setChecked(true);
        QVERIFY(f.table(0)->isRowHidden(count_row) && !f.table(0)->isRowHidden(itf_row));
        f.find<QCheckBox>("only_differences_box")->setChecked(false);
        QVERIFY(!f.table(0)->isRowHidden(count_row));

        // Every page's flagged rows in one operation, then the file again.
        f.reply = harness::ok_reply;
        f.click("write_differences_btn");
        f.click("report_btn"); // waits for the operation
        QCOMPARE(f.status(), QStringLiteral("Дождитесь завершения операции"));
        QTRY_VERIFY(f.idle() && f.requests_after_identification().size() == 5);
        const QStringList sent = f.requests_after_identification().mid(1);
        QVERIFY2(sent.at(0).contains("\"itf\"") && sent.at(0).contains("\"label\"") && sent.at(1).contains("\"net\"")
                     && sent.at(2).contains("\"net\""),
                 qPrintable(sent.join('|')));
        QCOMPARE(sent.at(3), QString::fromUtf8(requests::settings_dump().trimmed()));

        f.click("clear_marks_btn");
        QVERIFY(f.marks().isEmpty());
        QCOMPARE(tabs->tabText(0), QStringLiteral("Основные"));
    }

    void a_failed_comparison_changes_nothing_data()
    {
        QTest::addColumn<QByteArray>("file"); // "<folder>": a folder chosen; "<cancel>": the dialog cancelled
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("status"); // "": the status line kept
        QTest::addColumn<int>("requests");
        QTest::newRow("reply of two objects")
            << template_file << QByteArray(R"({"a":1}{"b":2})") << exchange::not_enough_data_text() << 1;
        QTest::newRow("reply with a NUL")
            << template_file << QByteArray("{\"count\":\0 6}", 13) << exchange::not_enough_data_text() << 1;
        QTest::newRow("error result") << template_file << QByteArray(R"({"result":"error_get","count":6})")
                                      << "Ошибка обработки запроса на чтение" << 1;
        QTest::newRow("file not JSON") << QByteArray("count=6") << controller_set << "Файл настроек повреждён" << 0;
        QTest::newRow("file an array") << QByteArray("[1]") << controller_set << "Файл настроек повреждён" << 0;
        QTest::newRow("file with a NUL") << QByteArray("{\"count\":\0 6}", 13) << controller_set
                                         << "Файл настроек повреждён" << 0;
        QTest::newRow("file not UTF-8") << QByteArray("{\"count\":\"\xff\"}") << controller_set
                                        << "Файл настроек не в кодировке UTF-8" << 0;
        QTest::newRow("file of another controller")
            << QByteArray(R"({"unknown":1})") << controller_set << "В файле нет параметров этого контроллера" << 0;
        QTest::newRow("a folder chosen") << QByteArray("<folder>") << controller_set << "Файл настроек не прочитан"
                                         << 0;
        QTest::newRow("dialog cancelled") << QByteArray("<cancel>") << controller_set << "" << 0;
    }

    void a_failed_comparison_changes_nothing()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, reply);
        QFETCH(int, requests);
        Window f;
        QVERIFY(f.identify());
        f.compare(f.dir.file_path("template.txt"));
        QTRY_COMPARE(f.status(), template_status);
        f.table(0)->item(count_row, 2)->setText(QStringLiteral("11"));
        f.check(0, time_row)->setChecked(true);
        const QList<Cell> checked = f.checked();
        const QString before = f.status();
        f.reply = reply;
        f.dir.write_file("other.txt", file);
        if (file == "<folder>")
            QDir(f.dir.path()).mkdir("folder");
        f.compare(file == "<cancel>" ? QString() : f.dir.file_path(file == "<folder>" ? "folder" : "other.txt"));
        QTRY_VERIFY(f.idle() && f.requests_after_identification().size() == 1 + requests);
        QTest::qWait(50);
        QFETCH(QString, status);
        QCOMPARE(f.status(), status.isEmpty() ? before : status);
        QCOMPARE(f.marks(), template_marks);
        QCOMPARE(f.checked(), checked);
        QCOMPARE(f.shown(0, count_row), QStringLiteral("11"));
    }

    void refused_once_a_read_is_aborted_and_the_link_shut()
    {
        Window f;
        QVERIFY(f.identify());
        f.find<QLineEdit>("interval_line")->setText(QStringLiteral("100"));
        f.controller.answer = [](const QByteArray &) { return QByteArray(); }; // a read left waiting
        f.click("read_param_btn");
        QTRY_COMPARE(f.requests_after_identification().size(), 1);
        f.click("abort_btn");
        QVERIFY(f.idle());
        // With the link shut, nothing is asked for.
        f.click("disconnect_eth_btn");
        f.click("compare_settings_btn");
        QCOMPARE(f.status(), QString::fromUtf8("\xD0\x9F"
                                               "o"
                                               "рт не открыт"));
    }

    void simulator_matches_the_template_after_the_differences_are_written_and_the_report_says_so()
    {
        if (harness::Simulator::program().isEmpty())
            QSKIP("the simulator was not built");
        Window f("parametrs.csv");
        harness::Simulator sim;
        QVERIFY(sim.start({"--listen", "127.0.0.1:0", "--serial-number", "KS/26:7", "--catalogue",
                           f.dir.file_path("parametrs.csv")}));
        QVERIFY(f.connect(QString::number(sim.tcp_port()), QStringLiteral("KS/26:7")));
        f.find<QTabWidget>("tabWidget")->setCurrentIndex(1);
        // The controller's own settings file, saved and compared right back:
        // its measured values are read-only and do not count.
        f.click("write_settings_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Настройки записаны"));
        f.compare(QDir(f.dir.path()).entryInfoList({"Считанные параметры_*"}).value(0).filePath());
        QTRY_VERIFY2(f.status().startsWith("Отличий нет"), qPrintable(f.status()));
        // Against the simulator's defaults: five differences on three
        // pages, the address and the name apart; uptime is read-only.
        f.dir.write_file("site.txt", R"({"object_name":"ТП-17 Садовая","tz_offset":5.0,"clock_drift":2.5,"uptime":0,)"
                                     R"("ip":"10.0.0.7","srv_port":4059,"uart1":"19200_7E2","itf1":"232"})");
        f.compare(f.dir.file_path("site.txt"));
        QTRY_VERIFY2(f.status().startsWith("Отличий: 5; ") && f.status().endsWith("свои для контроллера: 2"),
                     qPrintable(f.status()));
        for (int page : {0, 1, 2}) {
            f.find<QTabWidget>("tabWidget_2")->setCurrentIndex(page);
            f.click("write_param_btn");
            QTRY_VERIFY(f.idle());
            QCOMPARE(f.status(), QStringLiteral("Запись произведена"));
        }
        QCOMPARE(f.marks().size(), 2); // the rows of this controller's own
        f.compare(f.dir.file_path("site.txt"));
        QTRY_VERIFY2(f.status().startsWith("Отличий нет") && f.status().endsWith("свои для контроллера: 2"),
                     qPrintable(f.status()));
        QVERIFY(f.checked().isEmpty());

        // Typed values: one written and confirmed, one not written.
        f.find<QTabWidget>("tabWidget_2")->setCurrentIndex(0);
        f.click("clear_flags_btn");
        const auto type = [&](const char *name, const char *value) {
            const int row = f.table(0)->findItems(QString::fromUtf8(name), Qt::MatchExactly).first()->row();
            f.table(0)->item(row, 2)->setText(value);
            return row;
        };
        f.check(0, type("Часовой пояс, ч", "6"))->setChecked(true);
        type("Период опроса приборов, мин", "77");
        f.click("write_param_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Запись произведена"));

        // The report: nowhere to write it first, then the suggested name.
        f.find<QTabWidget>("tabWidget")->setCurrentIndex(2);
        f.click("read_dev_btn");
        QTRY_VERIFY(f.idle() && !f.find<QTableWidget>("tableWidget_2")->item(0, 2)->text().isEmpty());
        QDir(f.dir.path()).mkdir("taken.pdf"); // a folder of that name: no file can replace it
        harness::answer_next_file_dialog(f.dir.file_path("taken.pdf"));
        f.click("report_btn");
        QCOMPARE(f.status(), QStringLiteral("Отчёт не записан"));
        QString suggested;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                poll.stop();
                suggested = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
                harness::answer_file_dialog(dialog, f.dir.file_path("report.pdf"));
            }
        });
        poll.start(20);
        f.click("report_btn");
        QCOMPARE(f.status(), QStringLiteral("Отчёт записан"));
        QCOMPARE(suggested, "Отчёт_УСПД_KS_26_7_" + QDate::currentDate().toString("dd_MM_yyyy") + ".pdf");
        const QString pdf = f.dir.file_path("report.pdf");
        QVERIFY(run_tool("pdfinfo", {pdf}).contains("(A4)"));
        const QString text = run_tool("pdftotext", {"-layout", pdf, "-"}).simplified();
        for (const char *expected :
             {"Отчёт о настройке УСПД", "Серийный номер KS/26:7", "Версия ПО 1.4.2", "ID ПО A1B2C3D4", "Канал 8",
              "Часовой пояс, ч 6 записано", "Время работы, с 0 прочитано", "ip УСПД —", "только чтение",
              "Параметры порта канала 1 19200_7E2 прочитано", "Интерфейс канала 1 232 – интерфейс RS-232 прочитано",
              "Не записано в контроллер", "Основные: Период опроса приборов, мин 77 введено вручную", "10000002",
              "Щит 1", "site.txt", "Отличий нет"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(
            text.contains(QCryptographicHash::hash(f.dir.read_file("site.txt"), QCryptographicHash::Sha256).toHex()));
    }

    // The report's PDF read back: no word of a table broken over lines, no
    // heading apart from its table's first row, no row split over pages.
    void report_keeps_words_rows_and_headings_whole_data()
    {
        QTest::addColumn<int>("sections"); // after the device table, of `rows` rows each
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("words"); // in each value
        QTest::addColumn<int>("note");  // characters of one word in the devices' last column
        QTest::newRow("short rows") << 14 << 4 << 2 << 10;
        QTest::newRow("rows of several lines") << 5 << 14 << 60 << 10;
        QTest::newRow("a note wider than the page") << 3 << 3 << 2 << 400;
    }

    void report_keeps_words_rows_and_headings_whole()
    {
        QFETCH(int, sections);
        QFETCH(int, rows);
        QFETCH(int, words);
        QFETCH(int, note);
        report::Document document{"Отчёт", QDateTime::currentDateTime(), {}};
        report::Section devices{"Приборы",
                                {},
                                {"Номер устройства", "Модель", "Серийный номер", "Версия прибора", "Производитель",
                                 "Сетевой адрес", "Скорость обмена", "Примечание", "Успешность опроса"},
                                {},
                                {}};
        devices.rows = {{"1", "Счётчик-А3", "KS-2041-0117-DEV-99887766", "v2.10", "Завод-7", "231", "115200",
                         QString(note, QLatin1Char('x')), "Да"}};
        document.sections = {devices};
        for (int section = 1; section <= sections; ++section) {
            document.sections.append(
                {QString("Раздел %1:").arg(section), {}, {"Параметр", "Значение", "Примечание"}, {}, {}});
            for (int row = 1; row <= rows; ++row) {
                const QString id = QString("%1.%2").arg(section).arg(row);
                const QString value = "[" + id + QString(" слово").repeated(words) + " " + id + "]";
                document.sections.last().rows.append({"<" + id + ">", value, "—"});
            }
        }
        QTemporaryDir dir;
        QFile pdf(dir.filePath("report.pdf"));
        QVERIFY(pdf.open(QIODevice::WriteOnly) && pdf.write(report::render_pdf(document)) > 0);
        pdf.close();
        const QString text = run_tool("pdftotext", {"-layout", pdf.fileName(), "-"});
        const QStringList lines = text.split('\n');
        for (const char *whole : {"KS-2041-0117-DEV-99887766", "Серийный номер", "Производитель"})
            QVERIFY2(!lines.filter(QString::fromUtf8(whole)).isEmpty(), whole);
        const QStringList pages = text.split('\f');
        const auto page_of = [&](const QString &part) {
            return std::find_if(pages.begin(), pages.end(), [&](const QString &page) { return page.contains(part); })
                   - pages.begin();
        };
        for (int section = 1; section <= sections; ++section) {
            QCOMPARE(page_of(QString("Раздел %1:").arg(section)), page_of(QString("<%1.1>").arg(section)));
            for (int row = 1; row <= rows; ++row) {
                const QString id = QString("%1.%2").arg(section).arg(row);
                QVERIFY2(page_of("[" + id + " ") < pages.size(), qPrintable(id));
                QCOMPARE(page_of("[" + id + " "), page_of(" " + id + "]"));
            }
        }
    }
};

QTEST_MAIN(CommissioningTest)
#include "tst_commissioning.moc"
