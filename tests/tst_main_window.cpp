// The window as it comes up: the form, the start values, the auxiliary
// files read at start-up and the settings written at exit.

#include "app/mainwindow.h"
#include "app/plain_tip.h"
#include "link/serial_ports.h"
#include "support/harness.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

#include <memory>

using harness::find;

namespace {

struct Cell
{
    const char *layout;
    const char *widget;
    int row, column, row_span, column_span;
};

// Where the form puts each widget.
const Cell form_cells[] = {
    {"gridLayout_15", "tabWidget", 0, 0, 1, 1},
    {"gridLayout", "log_btn", 0, 0, 1, 1},
    {"gridLayout", "label", 0, 2, 1, 1},
    {"gridLayout_3", "radioButton", 0, 0, 1, 2},
    {"gridLayout_3", "radioButton_2", 0, 2, 1, 2},
    {"gridLayout_3", "label_2", 1, 0, 1, 1},
    {"gridLayout_3", "name_box", 1, 1, 1, 1},
    {"gridLayout_3", "label_3", 1, 2, 1, 1},
    {"gridLayout_3", "lineEdit", 1, 3, 1, 1},
    {"gridLayout_3", "label_6", 2, 0, 1, 1},
    {"gridLayout_3", "speed_box", 2, 1, 1, 1},
    {"gridLayout_3", "label_7", 2, 2, 1, 1},
    {"gridLayout_3", "lineEdit_2", 2, 3, 1, 1},
    {"gridLayout_3", "label_8", 3, 0, 1, 1},
    {"gridLayout_3", "bit_box", 3, 1, 1, 1},
    {"gridLayout_3", "label_9", 4, 0, 1, 1},
    {"gridLayout_3", "parity_box", 4, 1, 1, 1},
    {"gridLayout_3", "label_10", 5, 0, 1, 1},
    {"gridLayout_3", "interval_line", 5, 1, 1, 3},
    {"gridLayout_3", "connect_btn", 6, 0, 1, 1},
    {"gridLayout_3", "reload_btn", 7, 0, 1, 1},
    {"gridLayout_5", "label_12", 0, 0, 1, 2},
    {"gridLayout_5", "lineEdit_3", 1, 1, 1, 1},
    {"gridLayout_5", "lineEdit_4", 2, 1, 1, 1},
    {"gridLayout_5", "lineEdit_5", 3, 1, 1, 1},
    {"gridLayout_5", "groupBox_3", 4, 0, 1, 2},
    {"gridLayout_4", "listWidget", 0, 0, 1, 1},
    {"gridLayout_4", "res_btn", 1, 0, 1, 1},
    {"gridLayout_4", "connect_dev_btn", 2, 0, 1, 1},
    {"gridLayout_4", "disconnect_eth_btn", 3, 0, 1, 1},
    {"gridLayout_4", "status_Eth", 4, 0, 1, 1},
    {"gridLayout_2", "lineEdit_12", 0, 1, 1, 1},
    {"gridLayout_2", "lineEdit_13", 1, 1, 1, 1},
    {"gridLayout_2", "lineEdit_14", 2, 1, 1, 1},
    {"gridLayout_2", "lineEdit_15", 3, 1, 1, 1},
    {"gridLayout_7", "label_34", 1, 2, 1, 2},
    {"gridLayout_7", "label_33", 1, 7, 1, 1},
    {"gridLayout_7", "fiil_flags_btn", 2, 0, 1, 1},
    {"gridLayout_7", "read_param_btn", 2, 2, 1, 1},
    {"gridLayout_7", "synch_time", 2, 3, 1, 1},
    {"gridLayout_7", "write_settings_btn", 2, 7, 1, 1},
    {"gridLayout_7", "industrial_btn", 2, 8, 1, 1},
    {"gridLayout_7", "clear_flags_btn", 3, 0, 1, 1},
    {"gridLayout_7", "write_param_btn", 3, 2, 1, 1},
    {"gridLayout_7", "read_settings_btn", 3, 7, 1, 1},
    {"gridLayout_7", "compare_settings_btn", 3, 8, 1, 1},
    {"gridLayout_16", "tabWidget_2", 0, 1, 1, 1},
    {"gridLayout_14", "tableWidget_2", 1, 0, 1, 1},
    {"gridLayout_9", "comboBox", 0, 2, 1, 1},
    {"gridLayout_9", "groupBox", 0, 4, 6, 1},
    {"gridLayout_9", "groupBox_2", 0, 5, 6, 1},
    {"gridLayout_9", "req_all_dev", 0, 6, 1, 1},
    {"gridLayout_9", "read_dev_btn", 1, 1, 1, 2},
    {"gridLayout_9", "req_one_dev", 1, 6, 1, 1},
    {"gridLayout_9", "write_dev_btn", 2, 1, 1, 2},
    {"gridLayout_9", "req_ch_btn", 2, 6, 1, 1},
    {"gridLayout_9", "label_dev", 2, 7, 1, 1},
    {"gridLayout_9", "delete_dev_btn", 3, 1, 1, 2},
    {"gridLayout_9", "res_to_serv_btn", 3, 6, 1, 1},
    {"gridLayout_9", "read_file_dev_btn", 4, 1, 1, 2},
    {"gridLayout_9", "write_dev_file_btn", 5, 1, 1, 2},
    {"gridLayout_10", "comboBox_2", 0, 1, 1, 1},
    {"gridLayout_10", "comboBox_3", 5, 1, 1, 1},
    {"gridLayout_10", "lineEdit_6", 6, 1, 1, 1},
    {"gridLayout_10", "set_new_dev_btn", 7, 0, 1, 2},
    {"gridLayout_10", "del_dev_btn", 8, 0, 1, 2},
    {"gridLayout_10", "clear_table_btn", 9, 0, 1, 2},
    {"gridLayout_13", "comboBox_4", 0, 1, 1, 1},
    {"gridLayout_13", "comboBox_11", 7, 1, 1, 1},
    {"gridLayout_13", "label_27", 7, 0, 1, 1},
    {"gridLayout_13", "write_interf_btn", 8, 0, 1, 2},
    {"gridLayout_11", "load_in_btn", 0, 0, 1, 1},
    {"gridLayout_11", "load_out_btn", 1, 0, 1, 1},
    {"gridLayout_11", "lineEdit_7", 1, 1, 1, 1},
    {"gridLayout_11", "update_btn", 2, 0, 1, 1},
    {"gridLayout_11", "transmit_server_btn", 3, 0, 1, 1},
};

QStringList items_of(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; box && i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void form_places_every_widget()
    {
        harness::WorkingDirectory dir;
        MainWindow window;
        for (const Cell &cell : form_cells) {
            const auto *layout = find<QGridLayout>(&window, cell.layout);
            QVERIFY2(layout, cell.layout);
            auto *widget = find<QWidget>(&window, cell.widget);
            QVERIFY2(widget, cell.widget);
            const int index = layout->indexOf(widget);
            QVERIFY2(index >= 0, cell.widget);
            int row, column, row_span, column_span;
            layout->getItemPosition(index, &row, &column, &row_span, &column_span);
            QVERIFY2(row == cell.row && column == cell.column && row_span == cell.row_span
                         && column_span == cell.column_span,
                     qPrintable(QStringLiteral("%1 at (%2,%3) span %4x%5")
                                    .arg(cell.widget)
                                    .arg(row)
                                    .arg(column)
                                    .arg(row_span)
                                    .arg(column_span)));
        }
        // "Отчёт" right beside "Лог", before the spacer that pushes the status line right.
        const auto *bottom = find<QGridLayout>(&window, "gridLayout");
        auto *report = find<QHBoxLayout>(&window, "report_layout");
        int row, column, row_span, column_span;
        bottom->getItemPosition(bottom->indexOf(report), &row, &column, &row_span, &column_span);
        QCOMPARE(QPoint(column, row), QPoint(1, 0));
        QCOMPARE(report->itemAt(0)->widget(), find<QWidget>(&window, "report_btn"));
    }

    void start_state()
    {
        harness::Window w;
        w.start();

        QCOMPARE(w.window->windowTitle(), QStringLiteral("Конфигуратор УСПД-Kestrin версия 1.4"));
        QCOMPARE(w.window->objectName(), QStringLiteral("MainWindow"));
        const auto *tabs = w.find<QTabWidget>("tabWidget");
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Настройки портов"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Параметры УСПД"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Параметры приборов"));
        QCOMPARE(tabs->tabText(3), QStringLiteral("Файлы"));
        const auto *pages = w.find<QTabWidget>("tabWidget_2");
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(pages->widget(1)->objectName(), QStringLiteral("tab_7"));
        QCOMPARE(pages->tabText(1), QStringLiteral("Сеть"));
        QCOMPARE(pages->tabText(2), QStringLiteral("Интерфейсы"));
        QCOMPARE(pages->tabText(3), QStringLiteral("Сервис"));

        QVERIFY(w.find<QRadioButton>("radioButton_2")->isChecked());
        QVERIFY(!w.find<QRadioButton>("radioButton")->isChecked());
        QCOMPARE(w.find<QLineEdit>("lineEdit")->text(), QStringLiteral("192.168.100.129"));
        QCOMPARE(w.find<QLineEdit>("lineEdit_2")->text(), QStringLiteral("22"));
        QCOMPARE(w.find<QLineEdit>("interval_line")->text(), QStringLiteral("100"));
        QCOMPARE(w.find<QPushButton>("connect_btn")->text(), QStringLiteral("Открыть COM"));
        QCOMPARE(w.find<QLabel>("label_9")->text(), QStringLiteral("Проверка "));
        QCOMPARE(w.find<QPushButton>("req_ch_btn")->text(), QStringLiteral("Опросить канал "));
        QCOMPARE(w.find<QGroupBox>("groupBox_3")->title(), QStringLiteral("Параместры состояния Ethernet"));
        QVERIFY(w.find<QLabel>("label_dev")->text().isEmpty());
        QVERIFY(w.find<QLabel>("label")->text().isEmpty());
        for (const char *hidden : {"speed_box", "bit_box", "parity_box", "label_6", "label_8", "label_9"})
            QVERIFY2(w.find<QWidget>(hidden)->isHidden(), hidden);
        QCOMPARE(items_of(w.find<QComboBox>("speed_box")),
                 (QStringList{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
        QCOMPARE(items_of(w.find<QComboBox>("parity_box")), (QStringList{"Нет", "Нечетность", "Четность"}));
        QCOMPARE(items_of(w.find<QComboBox>("comboBox")).size(), 8);
        QCOMPARE(items_of(w.find<QComboBox>("comboBox_7")), (QStringList{"232", "485"}));

        // Styles draw the caption in WindowText, so that role must be red too.
        const QColor red(Qt::red);
        for (const char *radio : {"radioButton", "radioButton_2"}) {
            const QPalette palette = w.find<QRadioButton>(radio)->palette();
            QCOMPARE(palette.color(QPalette::Active, QPalette::Text), red);
            QCOMPARE(palette.color(QPalette::Active, QPalette::WindowText), red);
        }

        // Device entry defaults and the device table.
        QCOMPARE(w.find<QLineEdit>("lineEdit_6")->text(), QStringLiteral("1"));
        QCOMPARE(w.find<QLineEdit>("lineEdit_8")->text(), QStringLiteral("12345678"));
        QCOMPARE(w.find<QLineEdit>("lineEdit_11")->text(), QStringLiteral("1"));
        QCOMPARE(w.find<QComboBox>("comboBox_3")->currentText(), QStringLiteral("9600"));
        const auto *devices = w.find<QTableWidget>("tableWidget_2");
        QCOMPARE(devices->rowCount(), 256);
        QCOMPARE(devices->columnCount(), 9);
        QCOMPARE(devices->horizontalHeaderItem(8)->text(), QStringLiteral("Результат опроса"));
        QVERIFY(devices->item(255, 8));

        // The log window comes up with the main window.
        QWidget *log = harness::log_window();
        QVERIFY(log);
        QVERIFY(log->isVisible());
        QCOMPARE(log->windowTitle(), QStringLiteral("Лог"));
        QVERIFY(find<QPushButton>(log, "pushButton")->isHidden());
    }

    void working_directory_files()
    {
        harness::WorkingDirectory dir;
        dir.copy_data_file(QStringLiteral("style.css"));
        dir.copy_data_file(QStringLiteral("res/lumora.ico"));
        dir.write_file(QStringLiteral("Models.csv"), "7;Alpha;Maker A\n8;Beta;Maker B\n");
        dir.write_file(QStringLiteral("settings.txt"), "\n300\n2\n2\n5000\n");
        {
            MainWindow window;
            QVERIFY(!qApp->styleSheet().isEmpty());
            QCOMPARE(qApp->styleSheet().toUtf8(), dir.read_file(QStringLiteral("style.css")));
            QVERIFY(!window.windowIcon().isNull());
            QCOMPARE(items_of(find<QComboBox>(&window, "comboBox_2")), (QStringList{"Alpha", "Beta"}));
            QCOMPARE(find<QLineEdit>(&window, "lineEdit_10")->text(), QStringLiteral("Maker A"));
            QCOMPARE(find<QComboBox>(&window, "speed_box")->currentText(), QStringLiteral("9600"));
            QCOMPARE(find<QComboBox>(&window, "bit_box")->currentText(), QStringLiteral("2"));
            QCOMPARE(find<QComboBox>(&window, "parity_box")->currentIndex(), 2);
            QCOMPARE(find<QLineEdit>(&window, "interval_line")->text(), QStringLiteral("100"));
            find<QComboBox>(&window, "speed_box")->setCurrentIndex(7);
        }
        // Line 1 is whatever port the machine offers; the rest is ours.
        const QByteArray written = dir.read_file(QStringLiteral("settings.txt"));
        QCOMPARE(written.mid(written.indexOf('\n')), QByteArray("\n115200\n2\n2\n100\n"));
        qApp->setStyleSheet(QString());
    }

    void missing_files_are_created_empty()
    {
        harness::WorkingDirectory dir;
        {
            MainWindow window;
            QVERIFY(QFile::exists(dir.file_path("settings.txt")));
            QVERIFY(QFile::exists(dir.file_path("Models.csv")));
            QVERIFY(find<QLabel>(&window, "label")->text().isEmpty());
            QCOMPARE(find<QComboBox>(&window, "comboBox_2")->count(), 0);
            QVERIFY(find<QLineEdit>(&window, "lineEdit_10")->text().isEmpty());
            QCOMPARE(find<QComboBox>(&window, "speed_box")->currentText(), QStringLiteral("9600"));
            QCOMPARE(find<QComboBox>(&window, "bit_box")->currentText(), QStringLiteral("1"));
        }
        // Five lines at exit, the interval last.
        const QList<QByteArray> lines = dir.read_file("settings.txt").split('\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(1), QByteArray("9600"));
        QCOMPARE(lines.at(4), QByteArray("100"));
        QVERIFY(lines.at(5).isEmpty());
    }

    void unreadable_settings_are_reported()
    {
        harness::WorkingDirectory dir;
        // A directory of that name cannot be opened as a file, not even by root.
        QDir(dir.path()).mkdir(QStringLiteral("settings.txt"));
        QDir(dir.path()).mkdir(QStringLiteral("Models.csv"));
        MainWindow window;
        QCOMPARE(find<QLabel>(&window, "label")->text(), QStringLiteral("Модели не считаны"));
        QCOMPARE(find<QComboBox>(&window, "speed_box")->currentText(), QStringLiteral("38400"));
        QCOMPARE(find<QComboBox>(&window, "bit_box")->currentText(), QStringLiteral("2"));
    }

    void write_protected_settings_are_read()
    {
        harness::WorkingDirectory dir;
        dir.write_file(QStringLiteral("settings.txt"), "\n57600\n2\n1\n100\n");
        const harness::WriteProtection protection(dir.file_path("settings.txt"));
        if (!protection.holds())
            QSKIP("cannot make a file write-protected here");
        MainWindow window;
        QVERIFY(find<QLabel>(&window, "label")->text().isEmpty());
        QCOMPARE(find<QComboBox>(&window, "speed_box")->currentText(), QStringLiteral("57600"));
        QCOMPARE(find<QComboBox>(&window, "parity_box")->currentIndex(), 1);
    }

    void port_list_explains_each_adapter()
    {
        harness::WorkingDirectory dir;
        serial_ports::set_lister([] {
            return QVector<serial_ports::PortRecord>{
                {"ttyUSB0", "USB-RS485 converter", "Adapter Works", "AW-0042"},
                {"ttyUSB1", "", "", ""},
                {"ttyS0", "Built-in <b>port</b>", "", ""},
            };
        });
        MainWindow window;
        serial_ports::set_lister(nullptr);
        auto *ports = find<QComboBox>(&window, "name_box");
        QCOMPARE(items_of(ports), (QStringList{"ttyUSB0", "ttyUSB1", "ttyS0"}));
        QCOMPARE(
            ports->itemData(0, Qt::ToolTipRole).toString(),
            plain_tip("Описание: USB-RS485 converter\nПроизводитель: Adapter Works\nСерийный номер: AW-0042"));
        QVERIFY(!ports->itemData(1, Qt::ToolTipRole).isValid());
        QCOMPARE(ports->itemData(2, Qt::ToolTipRole).toString(), plain_tip("Описание: Built-in <b>port</b>"));
    }

    void request_buttons_refuse_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("serial");    // over COM, else over Ethernet
        QTest::addColumn<QString>("closed"); // the status while that link is not open
        QTest::addColumn<QString>("file");   // the answer to the file dialog it opens
        const QString latin = QString::fromUtf8("\xD0\x9F" "o" "рт не открыт");
        for (const char *button : {"status_Eth", "read_param_btn", "write_param_btn", "write_settings_btn", "read_dev_btn",
                                   "write_dev_btn", "delete_dev_btn", "req_all_dev", "req_one_dev", "req_ch_btn",
                                   "res_to_serv_btn", "write_interf_btn", "load_out_btn", "update_btn",
                                   "transmit_server_btn"})
            QTest::newRow(button) << button << false << latin << "";
        QTest::newRow("compare_settings_btn") << "compare_settings_btn" << false << latin << "template.txt";
        QTest::newRow("load_in_btn") << "load_in_btn" << false << latin << "upload.bin";
        // Over Ethernet the one connects and the other sweeps the network.
        for (const char *button : {"connect_dev_btn", "res_btn"})
            QTest::newRow(button) << button << true << QStringLiteral("Порт не открыт") << "";
    }

    // A request button is refused, with its text and nothing sent, while
    // the link is not open and while another operation waits for its reply;
    // once that one has ended, the same press sends.
    void request_buttons_refuse()
    {
        QFETCH(QString, button);
        QFETCH(bool, serial);
        QFETCH(QString, file);
        harness::quiet_file_dialog_warnings();
        harness::Window w;
        w.dir.write_file("Models.csv", "7;Alpha;Maker A\n");
        w.dir.write_file("parametrs.csv", "count;Счётчик;Int;RW;Основные\n");
        w.dir.write_file("template.txt", R"({"count":1})");
        w.dir.write_file("upload.bin", "x");
        w.start();
        // What the buttons that send rows need: a device row chosen, a
        // parameter row checked, with a value.
        w.click("set_new_dev_btn");
        w.find<QTableWidget>("tableWidget_2")->setCurrentCell(0, 2);
        w.check(0, 0)->setChecked(true);
        w.table(0)->item(0, 2)->setText("1");
        harness::FakeController ethernet;
        harness::set_ethernet_address(w.window.get(), ethernet.port());
        std::unique_ptr<harness::PtyPair> pty;
        std::unique_ptr<harness::SerialController> line;
        if (serial) {
            pty = std::make_unique<harness::PtyPair>();
            line = std::make_unique<harness::SerialController>(pty->controller_end());
            harness::click(w.find<QRadioButton>("radioButton"));
            QVERIFY(!w.find<QRadioButton>("radioButton_2")->isChecked());
        }
        harness::ControllerPeer *peer = serial ? line.get() : static_cast<harness::ControllerPeer *>(&ethernet);
        // The status a press leaves, and the requests sent so far.
        const auto press = [&] {
            w.find<QLabel>("label")->clear();
            harness::answer_next_file_dialog(QString()); // cancels a dialog that should not open
            w.click(button);
            harness::forget_file_dialog_answers();
            QTest::qWait(50);
            return w.status() + " | " + QString::number(peer->requests().size());
        };
        QFETCH(QString, closed);
        QCOMPARE(press(), closed + " | 0");
        QVERIFY(harness::log_text().isEmpty());
        QCOMPARE(ethernet.connection_count(), 0);
        QCOMPARE(w.table(0)->item(0, 2)->text(), QStringLiteral("1")); // values kept

        peer->answer = [](const QByteArray &) { return harness::identity_reply(); };
        QVERIFY(serial ? harness::open_serial_port(w.window.get(), pty->program_end())
                       : harness::connect_ethernet(w.window.get(), ethernet.port()));
        peer->answer = nullptr; // an identification left waiting
        const int sent = peer->requests().size() + 1;
        w.click("connect_dev_btn");
        QTRY_COMPARE(peer->requests().size(), sent);
        QCOMPARE(press(), "Дождитесь завершения операции | " + QString::number(sent));
        peer->send(harness::identity_reply());
        QTRY_VERIFY(w.idle());
        if (!file.isEmpty())
            harness::answer_next_file_dialog(w.dir.file_path(file));
        w.click(button);
        QTRY_COMPARE(peer->requests().size(), sent + 1);
    }

    void log_button_brings_back_a_closed_log()
    {
        harness::Window w;
        w.start();
        QWidget *log = harness::log_window();
        log->close();
        QVERIFY(!log->isVisible());
        w.click("log_btn");
        QVERIFY(log->isVisible());
        w.window->close();
        QVERIFY(!log->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
