// Every file the program writes, written where it cannot be: on a disk
// that is full and into a folder mounted read-only. Each write fails with a
// text that says so, the user's earlier file of that name stays as it was,
// and no half-written or temporary file is left behind.
//
// Run through with_small_disks.sh, which mounts the two places and names
// them in the environment; run alone, the test is skipped.

#include "app/mainwindow.h"
#include "devices/device_list.h"
#include "link/log.h"
#include "link/log_store.h"
#include "link/traffic_format.h"
#include "params/settings_file_rules.h"
#include "support/harness.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTextEdit>

#include <memory>

using harness::find;

namespace {

// Every file of a folder (hidden ones too) with its content.
QMap<QString, QByteArray> files_of(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(info.filePath());
        files.insert(info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)"));
    }
    return files;
}

void put(const QString &folder, const QString &name, const QByteArray &content)
{
    QFile file(folder + QLatin1Char('/') + name);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush(),
             qPrintable(file.fileName()));
}

// Takes every free block of the file system `folder` is on.
void fill_up(const QString &folder)
{
    QFile filler(folder + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
}

// The file open in `folder` as /proc names it (the log's nameless one).
QString open_file_in(const QString &folder)
{
    for (const QFileInfo &open : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System))
        if (open.symLinkTarget().startsWith(QDir(folder).canonicalPath() + QLatin1Char('/')))
            return open.filePath();
    return QString();
}

} // namespace

class FileWritesTest : public QObject
{
    Q_OBJECT

private slots:
    void failed_writes_keep_the_old_files_data()
    {
        QTest::addColumn<QString>("place");   // where the program writes
        QTest::addColumn<QString>("prepare"); // where the test puts the old files
        QTest::newRow("full disk") << qEnvironmentVariable("FULL_DISK_DIR") << qEnvironmentVariable("FULL_DISK_DIR");
        QTest::newRow("read-only folder")
            << qEnvironmentVariable("READ_ONLY_DIR") << qEnvironmentVariable("READ_ONLY_SOURCE");
    }

    void failed_writes_keep_the_old_files()
    {
        QFETCH(QString, place);
        QFETCH(QString, prepare);
        if (place.isEmpty())
            QSKIP("needs the file systems that with_small_disks.sh mounts");
        harness::WorkingDirectory home; // the user's preferences, and the way back

        // The program's own files, and an old file under every name a write
        // may take in the next minute (the log and the export are named by
        // the second).
        for (const QString name : {"parametrs.csv", "Models.csv"})
            QVERIFY(QFile::copy(qEnvironmentVariable("CONFIGURATOR_DATA_DIR") + '/' + name, prepare + '/' + name));
        put(prepare, QStringLiteral("settings.txt"), "old port\n1200\n2\n1\n500\n");
        put(prepare, QStringLiteral("copy.bin"), "old download");
        put(prepare, params::settings_file_name(QStringLiteral("77"), QDateTime::currentDateTime()), "old settings");
        const QString channel = QStringLiteral("1");
        for (const QString &name : harness::names_from_now(traffic_format::log_file_name, -1, 59))
            put(prepare, name, "old log");
        const auto export_name = [&](const QDateTime &moment) {
            return device_list::export_file_name(QStringLiteral("77"), moment, channel);
        };
        for (const QString &name : harness::names_from_now(export_name, -1, 59))
            put(prepare, name, "old export");
        if (place == prepare)
            fill_up(place);
        const QMap<QString, QByteArray> before = files_of(prepare);

        QDir::setCurrent(place);
        auto window = std::make_unique<MainWindow>();
        window->show();
        const auto status = [&] { return find<QLabel>(window.get(), "label")->text(); };
        const auto click = [&](const char *name) { harness::click(find<QPushButton>(window.get(), name)); };
        QCOMPARE(find<QComboBox>(window.get(), "comboBox")->currentText(), channel);
        harness::FakeController controller;
        controller.answer = [](const QByteArray &request) {
            if (request.contains("fw_id"))
                return harness::identity_reply({{"serial", "77"}});
            if (request.contains("\"file\""))
                return "new download" + harness::ok_reply;
            return QByteArray(R"({"time":"new settings","result":"ok"})");
        };
        QVERIFY(harness::connect_ethernet(window.get(), controller.port()));

        // The controller's settings saved to a file.
        find<QTabWidget>(window.get(), "tabWidget")->setCurrentIndex(1);
        click("write_settings_btn");
        QTRY_COMPARE(status(), QStringLiteral("Настройки не записаны"));

        // The device list exported (one device: an empty file would fit
        // even on a full disk).
        find<QLineEdit>(window.get(), "lineEdit_8")->setText(QStringLiteral("S1"));
        find<QLineEdit>(window.get(), "lineEdit_11")->setText(QStringLiteral("1"));
        click("set_new_dev_btn");
        harness::answer_next_file_dialog(place);
        click("write_dev_file_btn");
        QTRY_COMPARE(status(), QStringLiteral("Файл не создан"));

        // A file downloaded from the controller.
        find<QLineEdit>(window.get(), "lineEdit_7")->setText(QStringLiteral("fw.bin"));
        harness::answer_next_file_dialog(place + QStringLiteral("/copy"));
        click("load_out_btn");
        QTRY_COMPARE(status(), QStringLiteral("не удалось записать файл"));

        // The traffic log.
        harness::click(find<QPushButton>(harness::log_window(), "write_file_btn"));
        QVERIFY(harness::log_text().endsWith(QStringLiteral("\nНе удалось записать файл!")));

        // The session settings, at exit: no window is left to tell.
        QTest::ignoreMessage(QtWarningMsg, "settings.txt could not be written; the previous one is kept");
        window.reset();

        QCOMPARE(files_of(prepare).keys(), before.keys());
        QCOMPARE(files_of(prepare), before);
    }

    // The 1 MiB disk that with_small_disks.sh mounts, emptied of what the
    // test before left on it; empty where there is none.
    static QString emptied_full_disk()
    {
        const QString full_disk = qEnvironmentVariable("FULL_DISK_DIR");
        if (full_disk.isEmpty()) // (an empty name is the working directory)
            return full_disk;
        for (const QFileInfo &file : QDir(full_disk).entryInfoList(QDir::Files | QDir::Hidden))
            QFile::remove(file.filePath());
        return full_disk;
    }

    void log_goes_on_when_its_temporary_file_fills_the_disk()
    {
        const QString full_disk = emptied_full_disk();
        if (full_disk.isEmpty())
            QSKIP("needs the file systems that with_small_disks.sh mounts");
        harness::WorkingDirectory home; // where the log is saved
        const auto free_bytes = [&] { return QStorageInfo(full_disk).bytesAvailable(); };
        const qint64 free_at_start = free_bytes();
        QVERIFY(free_at_start > 512 * 1024);
        harness::TemporaryDirectoryAt temporary(full_disk);
        auto log = std::make_unique<Log>();

        // More than the disk holds: the temporary file fills it, and the
        // records that follow are kept in memory.
        QStringList lines;
        for (int i = 0; i < 40; ++i) {
            const QByteArray bytes = QByteArray::number(i) + QByteArray(20000, char('a' + i % 26));
            log->add_traffic(1, bytes);
            log->append_text(bytes);
            lines << traffic_format::hex_record(1, bytes) << traffic_format::byte_count_line(bytes.size())
                  << QString::fromLatin1(bytes);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!log->has_pending_display(), 60000);
        // (A batch that got in only in part is cut off again.)
        QVERIFY(free_bytes() < free_at_start / 2);
        const auto save = [&] { return QString::fromUtf8(harness::save_log(log.get())); };
        // While memory holds the rest, nothing is lost: what the file got and
        // what came after make the log whole.
        const QString expected = lines.join(QLatin1Char('\n'));
        QCOMPARE(save(), expected);
        QVERIFY(!harness::log_text().contains(QStringLiteral("временный файл")));

        // Past the memory limit the oldest records go, and the file with
        // them, which gives the disk back; the window says so once.
        log->set_saved_memory_limit(100000);
        QTRY_COMPARE(find<QTextEdit>(log.get(), "textEdit")->toPlainText().count(QStringLiteral("временный файл")), 1);
        QVERIFY(free_bytes() > free_at_start - 64 * 1024);
        const QStringList kept = save().split(QLatin1Char('\n'));
        QVERIFY(kept.size() > 3);
        QVERIFY(kept.contains(QStringLiteral("Файл логов записан!")));
        QVERIFY(expected.endsWith(
            QLatin1Char('\n')
            + kept.mid(0, kept.indexOf(QStringLiteral("Файл логов записан!"))).join(QLatin1Char('\n'))));
    }

    void log_store_outlasts_a_full_disk_data()
    {
        QTest::addColumn<bool>("room_again"); // the disk is emptied before memory would overflow
        QTest::addColumn<bool>("cut");        // the temporary file loses its lines meanwhile
        QTest::newRow("room again before memory overflows") << true << false;
        QTest::newRow("temporary file cut short") << false << true;
    }

    void log_store_outlasts_a_full_disk()
    {
        QFETCH(bool, room_again);
        QFETCH(bool, cut);
        const QString full_disk = emptied_full_disk();
        if (full_disk.isEmpty())
            QSKIP("needs the file systems that with_small_disks.sh mounts");
        harness::WorkingDirectory home; // where the log is saved
        LogStore store(full_disk);
        store.set_memory_limit(512 * 1024);
        QStringList lines;
        const auto log_lines = [&](int count) {
            for (int i = 0; i < count; ++i) {
                lines << QString::number(lines.size()) + QString(1000, QLatin1Char('x'));
                store.begin_line();
                store.append(lines.last().toUtf8());
            }
        };
        log_lines(200);
        store.write_out();
        fill_up(full_disk);
        log_lines(300); // kept in memory
        if (room_again) {
            QVERIFY(QFile::remove(full_disk + QStringLiteral("/filler")));
            log_lines(400); // more than memory keeps: the file takes them all
        }
        if (cut) {
            QVERIFY(QFile::resize(open_file_in(full_disk), 0));
            fill_up(full_disk);
            lines.replace(199, QStringLiteral("Не удалось прочитать временный файл лога: часть записей журнала до "
                                              "этого места утеряна."));
            lines = lines.mid(199);
        }
        QVERIFY(store.take_copy()->save_to(QStringLiteral("log.txt")));
        QFile saved(QStringLiteral("log.txt"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), lines.join(QLatin1Char('\n')));
        QVERIFY(!store.take_loss());
    }
};

QTEST_MAIN(FileWritesTest)
#include "tst_file_writes.moc"
