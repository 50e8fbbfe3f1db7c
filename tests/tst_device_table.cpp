// The device table without a controller: adding, deleting and clearing
// rows, the channel and model selectors, loading a device-list file and
// exporting the table, and the models list at start-up.

#include "app/mainwindow.h"
#include "support/harness.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

using harness::find;

namespace {

struct TableFixture
{
    harness::WorkingDirectory dir;
    std::unique_ptr<MainWindow> window;

    TableFixture()
    {
        dir.copy_data_file(QStringLiteral("Models.csv"));
        window = std::make_unique<MainWindow>();
        window->show();
    }
    QTableWidget *table() { return find<QTableWidget>(window.get(), "tableWidget_2"); }
    QString cell(int row, int column) { return table()->item(row, column)->text(); }
    QStringList row_cells(int row, int columns = 9)
    {
        QStringList cells;
        for (int column = 0; column < columns; ++column)
            cells << cell(row, column);
        return cells;
    }
    QStringList numbers()
    {
        QStringList texts;
        for (int row = 0; row < table()->rowCount() && !cell(row, 0).isEmpty(); ++row)
            texts << cell(row, 0);
        return texts;
    }
    QString status() { return find<QLabel>(window.get(), "label")->text(); }
    void click(const char *name) { harness::click(find<QPushButton>(window.get(), name)); }
    void choose_channel(int index)
    {
        auto *box = find<QComboBox>(window.get(), "comboBox");
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void add(int count)
    {
        for (int i = 0; i < count; ++i)
            click("set_new_dev_btn");
    }
};

} // namespace

class DeviceTableTest : public QObject
{
    Q_OBJECT

private slots:
    void add_and_delete_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("adds");
        QTest::addColumn<int>("deleted"); // -1: nothing deleted
        QTest::addColumn<QStringList>("numbers");

        QTest::newRow("channel 3 starts at 513") << 2 << 1 << -1 << QStringList{"513"};
        QTest::newRow("delete the first of three, add one") << 0 << 3 << 0 << QStringList{"2", "3", "3"};
        QTest::newRow("delete the middle of three, add one") << 7 << 3 << 1 << QStringList{"1793", "1795", "1795"};
        QTest::newRow("delete below the devices") << 0 << 2 << 5 << QStringList{"1", "2", "3"};
        QTest::newRow("delete from a full table, add one") << 1 << 257 << 0 << QStringList();
    }

    void add_and_delete()
    {
        QFETCH(int, channel);
        QFETCH(int, adds);
        QFETCH(int, deleted);
        TableFixture f;
        f.choose_channel(channel);
        f.add(adds);
        if (deleted >= 0) {
            f.table()->setCurrentCell(deleted, 3);
            f.click("del_dev_btn");
            f.add(1);
        }
        QFETCH(QStringList, numbers);
        if (adds <= 256) {
            QCOMPARE(f.numbers(), numbers);
            return;
        }
        // 256 rows of channel 2 (257..512); row 0 deleted, the rows moved up
        // and the freed last row takes 512 again.
        QCOMPARE(f.numbers().size(), 256);
        QCOMPARE(f.cell(0, 0), QStringLiteral("258"));
        QCOMPARE(f.cell(254, 0), QStringLiteral("512"));
        QCOMPARE(f.cell(255, 0), QStringLiteral("512"));
    }

    void entry_group_selectors_and_clear()
    {
        TableFixture f;
        auto *models = find<QComboBox>(f.window.get(), "comboBox_2");
        QCOMPARE(models->count(), 12);
        QCOMPARE(find<QLineEdit>(f.window.get(), "lineEdit_10")->text(), QStringLiteral("Ловарис"));
        models->setCurrentIndex(6);
        emit models->activated(6);
        QCOMPARE(find<QLineEdit>(f.window.get(), "lineEdit_10")->text(), QStringLiteral("Брамиль"));

        f.add(2);
        QCOMPARE(f.row_cells(0), (QStringList{"1", "Брамиль 100", "12345678", "1", "Брамиль", "1", "9600", "1", ""}));
        QCOMPARE(f.table()->item(0, 0)->textAlignment(), int(Qt::AlignRight));

        f.click("del_dev_btn");
        QCOMPARE(f.status(), QStringLiteral("Устройство не выбрано"));
        QCOMPARE(f.numbers().size(), 2);

        f.click("clear_table_btn");
        QVERIFY(f.numbers().isEmpty());
        QCOMPARE(f.table()->rowCount(), 256);

        f.add(1);
        f.choose_channel(4);
        QVERIFY(f.numbers().isEmpty());
        QCOMPARE(f.table()->horizontalHeaderItem(4)->text(), QStringLiteral("производитель"));
        QCOMPARE(f.table()->horizontalHeaderItem(8)->text(), QStringLiteral("Результат опроса"));
        QVERIFY(f.table()->item(255, 8));
    }

    void load_a_write_protected_file()
    {
        TableFixture f;
        f.add(1);
        const QString path = f.dir.file_path("list.csv");
        f.dir.write_file("list.csv", "7;Брамиль 100;S;1;Брамиль;3;9600;n\n8;;;;;;;\n");
        QFile::setPermissions(path, QFile::ReadOwner);
        // Root writes through permission bits; an immutable file it cannot.
        const bool immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
        harness::answer_next_file_dialog(path);
        f.click("read_file_dev_btn");
        QTRY_COMPARE(f.numbers(), (QStringList{"7", "8"}));
        QCOMPARE(f.row_cells(0), (QStringList{"7", "Брамиль 100", "S", "1", "Брамиль", "3", "9600", "n", ""}));
        QCOMPARE(f.table()->item(1, 5)->textAlignment(), int(Qt::AlignRight));
        QCOMPARE(f.table()->horizontalHeaderItem(4)->text(), QStringLiteral("производитель"));
        QVERIFY(f.status().isEmpty());
        if (immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});

        harness::answer_next_file_dialog(QString());
        f.click("read_file_dev_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Не удалось открыть файл"));
        QCOMPARE(f.numbers().size(), 2);
    }

    void export_replaces_and_loads_back()
    {
        TableFixture f;
        find<QLineEdit>(f.window.get(), "lineEdit_3")->setText(QStringLiteral("SN/../1"));
        f.choose_channel(1);
        f.add(3);
        f.table()->item(1, 7)->setText(QStringLiteral("two words"));
        f.table()->item(2, 8)->setText(QStringLiteral("1"));
        const QString folder = f.dir.file_path("out");
        QDir().mkpath(folder);
        // Files of the names the export may take in the next seconds.
        const QDateTime now = QDateTime::currentDateTime();
        for (int second = 0; second < 3; ++second) {
            const QString name = now.addSecs(second).toString("'USPD_№_SN_.._1'_dd_MM_yyyy_hh_mm_ss'_канал_2.csv'");
            f.dir.write_file("out/" + name, QByteArray(4096, 'x'));
        }

        harness::answer_next_file_dialog(folder);
        f.click("write_dev_file_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Файл записан"));
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
        QCOMPARE(files.size(), 3);
        QString exported;
        for (const QFileInfo &file : files) {
            if (file.size() != 4096)
                exported = file.filePath();
        }
        QVERIFY2(!exported.isEmpty(), "the export did not replace the file of its name");
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QCOMPARE(content.count('\n'), 3);
        QVERIFY(content.startsWith(QStringLiteral("257;Ловар-1Ф;12345678;1;Ловарис;1;9600;1\n").toLocal8Bit()));

        const QStringList before = f.row_cells(1, 8);
        f.click("clear_table_btn");
        harness::answer_next_file_dialog(exported);
        f.click("read_file_dev_btn");
        QTRY_COMPARE(f.numbers(), (QStringList{"257", "258", "259"}));
        QCOMPARE(f.row_cells(1, 8), before);
        QVERIFY(f.cell(2, 8).isEmpty());
    }

    void export_of_an_empty_table_and_a_cancelled_one()
    {
        TableFixture f;
        const QString folder = f.dir.file_path("empty");
        QDir().mkpath(folder);
        harness::answer_next_file_dialog(folder);
        f.click("write_dev_file_btn");
        QTRY_COMPARE(f.status(), QStringLiteral("Файл записан"));
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(files.first().fileName().startsWith(QStringLiteral("USPD_№__")));
        QCOMPARE(files.first().size(), 0);

        f.window->findChild<QLabel *>("label")->clear();
        harness::answer_next_file_dialog(QString());
        f.click("write_dev_file_btn");
        QTest::qWait(200);
        QVERIFY(f.status().isEmpty());
    }

    void write_protected_models_file_loads()
    {
        harness::WorkingDirectory dir;
        dir.write_file("Models.csv", "\xEF\xBB\xBF" "7;Брамиль 100;Брамиль\n8;Два поля\n9;Ольвен 2Т;Ольвен;лишнее\n");
        const QString path = dir.file_path("Models.csv");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const bool immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
        if (!immutable && QFileInfo(path).isWritable())
            QSKIP("cannot make a file write-protected here");
        {
            MainWindow window;
            auto *models = find<QComboBox>(&window, "comboBox_2");
            QCOMPARE(models->count(), 2);
            QCOMPARE(models->itemText(1), QStringLiteral("Ольвен 2Т"));
            QVERIFY(find<QLabel>(&window, "label")->text().isEmpty());
        }
        if (immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    }
};

QTEST_MAIN(DeviceTableTest)
#include "tst_device_table.moc"
