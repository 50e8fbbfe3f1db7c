// The "files" tab against real peers: uploads and downloads through the
// controller simulator over TCP and over a pseudo-terminal, error results
// and save rules against a stand-in controller, a transfer that stalls, and
// the progress bar while a slow line holds an upload up.

#include "app/mainwindow.h"
#include "engine/requests.h"
#include "link/log.h"
#include "support/harness.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTimer>

#include <memory>

using harness::find;

namespace {

const QByteArray identity = R"({"serial":"1","fw_ver":"1","fw_id":"1","rs_type":[]})";
const QByteArray ok = R"({"result":"ok"})";

// A file as a controller keeps it: text, then binary bytes, braces and the
// text of a result, so that neither the framing nor the result test may
// look inside.
QByteArray image(int size)
{
    QByteArray bytes("FIRMWARE-IMAGE");
    bytes += '\0';
    bytes += "\xff\xfe{\"result\":\"error_key\"}";
    while (bytes.size() < size)
        bytes += char(bytes.size() * 7 % 256);
    return bytes.left(size);
}

// The window of one test, set to talk to a controller on loopback.
struct Session
{
    harness::WorkingDirectory dir;
    MainWindow window;

    Session() { window.show(); }

    QPushButton *button(const char *name) { return find<QPushButton>(&window, name); }
    QLineEdit *edit(const char *name) { return find<QLineEdit>(&window, name); }
    QString status() { return find<QLabel>(&window, "label")->text(); }
    void click(const char *name) { harness::click(button(name)); }
    QWidget *bar() { return find<QWidget>(&window, "transfer_progress"); }
    QString log() { return static_cast<Log *>(harness::log_window())->plain_text(); }

    bool connect_ethernet(quint16 port)
    {
        edit("lineEdit")->setText(QStringLiteral("127.0.0.1"));
        edit("lineEdit_2")->setText(QString::number(port));
        click("connect_dev_btn");
        return QTest::qWaitFor([this] { return button("connect_dev_btn")->text() == "Связь по Eth установлена"; });
    }

    bool open_serial(const QString &path)
    {
        harness::click(find<QRadioButton>(&window, "radioButton"));
        auto *ports = find<QComboBox>(&window, "name_box");
        ports->addItem(path);
        ports->setCurrentIndex(ports->count() - 1);
        click("connect_btn");
        return button("connect_btn")->text() == QStringLiteral("Включено ") + path;
    }

    void upload(const QString &path)
    {
        harness::answer_next_file_dialog(path);
        click("load_in_btn");
    }

    void download(const QString &name, const QString &save_as)
    {
        edit("lineEdit_7")->setText(name);
        harness::answer_next_file_dialog(save_as);
        click("load_out_btn");
    }
};

// A stand-in controller on TCP whose answers the test gives per request;
// the identification is answered for it.
struct StandIn : Session
{
    harness::FakeController controller;
    std::function<QByteArray(const QByteArray &)> answer;

    StandIn()
    {
        controller.answer = [this](const QByteArray &request) {
            return request.contains("fw_id") ? identity : (answer ? answer(request) : QByteArray());
        };
    }
    bool connect() { return connect_ethernet(controller.port()); }
};

// The controller's end of a serial line, read 1 KiB every 20 ms; while
// held, nothing is read and the line fills up. It answers the upload header
// and then the content once `content_size` bytes of it came.
struct SlowSerialPeer
{
    SlowSerialPeer(const QString &path, qint64 size) : port(path), content_size(size)
    {
        port.setReadBufferSize(1024);
        port.open(QIODevice::ReadWrite);
        QObject::connect(&pace, &QTimer::timeout, [this] {
            const QByteArray bytes = held ? QByteArray() : port.read(1024);
            received += bytes.size();
            const bool header_now = header == 0 && bytes.contains('}');
            if (header_now)
                header = received;
            if (header_now || (!bytes.isEmpty() && received == header + content_size))
                port.write(ok);
        });
        pace.start(20);
    }
    qint64 content() const { return received - header; }

    QSerialPort port;
    QTimer pace;
    const qint64 content_size;
    qint64 received = 0, header = 0;
    bool held = false;
};

const QString latin_guard = QString::fromUtf8("\xD0\x9F" "o" "рт не открыт");

} // namespace

class FileTransferTest : public QObject
{
    Q_OBJECT

private slots:
    void upload_and_download_over_tcp()
    {
        Session s;
        harness::Simulator sim;
        QVERIFY2(sim.start({"--listen", "127.0.0.1:0"}), qPrintable(sim.output()));
        QVERIFY(s.connect_ethernet(sim.tcp_port()));

        // A read-only file in a nested folder uploads, announced by its bare name.
        const QByteArray content = image(100 * 1024);
        s.dir.write_file(QStringLiteral("in/fw.bin"), content);
        QVERIFY(QFile::setPermissions(s.dir.file_path("in/fw.bin"), QFile::ReadOwner | QFile::ReadGroup));
        s.upload(s.dir.file_path("in/fw.bin"));
        QTRY_VERIFY(s.bar()->isVisible());
        QTRY_COMPARE(s.status(), QStringLiteral("Файл записан"));
        QVERIFY(!s.bar()->isVisible());

        // Command, its reply, the content as a sent record, the final reply.
        const QString log = s.log();
        const int header = log.indexOf(QString::fromUtf8(requests::upload_header("fw.bin", content.size())).trimmed());
        const int first_ok = log.indexOf(QStringLiteral("\n{\"result\":\"ok\"}"), header);
        const int content_hex = log.indexOf(QStringLiteral("\n-> 46 49 52 4d"), first_ok);
        const int content_text = log.indexOf(QStringLiteral("Количество байт: 102400\nFIRMWARE-IMAGE\n<- "), content_hex);
        QVERIFY2(header > 0 && first_ok > header && content_hex > first_ok && content_text > content_hex,
                 qPrintable(QStringLiteral("%1 %2 %3 %4").arg(header).arg(first_ok).arg(content_hex).arg(content_text)));
        QVERIFY(log.endsWith(QStringLiteral("\n{\"result\":\"ok\"}")));

        // Back again: saved under the chosen name with the controller's
        // extension, without the closing result.
        s.download(QStringLiteral("fw.bin"), s.dir.file_path("copy"));
        QTRY_COMPARE(s.status(), QStringLiteral("Файл записан"));
        QCOMPARE(s.dir.read_file("copy.bin"), content);
        QVERIFY(!s.bar()->isVisible());
        QVERIFY(!QFile::exists(s.dir.file_path("copy")));

        s.click("transmit_server_btn");
        QTRY_COMPARE(s.status(), QStringLiteral("Передача запущена"));

        // A file nobody may write, not even the super-user the tests may run
        // as, uploads too; then the update drops the link.
        const QString read_only = QStringLiteral("/sys/devices/system/cpu/possible");
        QFile probe(read_only);
        if (!probe.open(QIODevice::ReadWrite) && probe.open(QIODevice::ReadOnly)) {
            const QByteArray cpus = probe.readAll();
            s.upload(read_only);
            QTRY_COMPARE(s.status(), QStringLiteral("Файл записан"));
            s.download(QStringLiteral("possible"), s.dir.file_path("cpus"));
            QTRY_COMPARE(s.status(), QStringLiteral("Файл записан"));
            QCOMPARE(s.dir.read_file("cpus"), cpus);
        }

        s.click("update_btn");
        QTRY_COMPARE(s.status(), QStringLiteral("Связь по Eth отключена"));
        QCOMPARE(s.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));
        s.click("transmit_server_btn");
        QCOMPARE(s.status(), latin_guard);
    }

    void upload_over_a_serial_line_logs_the_content_as_hex_only()
    {
        Session s;
        harness::PtyPair pty;
        QTRY_VERIFY(pty.ready());
        harness::Simulator sim;
        QVERIFY2(sim.start({"--serial", pty.controller_end()}), qPrintable(sim.output()));
        QVERIFY(s.open_serial(pty.program_end()));

        s.dir.write_file(QStringLiteral("small.bin"), image(3000));
        s.upload(s.dir.file_path("small.bin"));
        QTRY_COMPARE(s.status(), QStringLiteral("Файл записан"));
        const QString log = s.log();
        QVERIFY(log.contains(QStringLiteral("\n-> 46 49 52 4d")));
        QVERIFY(log.contains(QStringLiteral("Количество байт: 3000\n<- ")));
        QVERIFY(!log.contains(QStringLiteral("FIRMWARE-IMAGE")));

        // The update drops the serial link.
        s.click("update_btn");
        QTRY_COMPARE(s.button("connect_btn")->text(), QStringLiteral("Выключено"));
        QCOMPARE(s.status(), QStringLiteral("Обновление запущено"));
        QCOMPARE(s.button("connect_btn")->styleSheet(), QStringLiteral("QPushButton {color:red;}"));
        s.click("transmit_server_btn");
        QCOMPARE(s.status(), latin_guard);
    }

    void error_results_end_the_exchange_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("upload refused") << "load_in_btn" << QByteArray(R"({"result":"error_key"})")
                                        << "Неизвестный ключ";
        QTest::newRow("upload, error anywhere") << "load_in_btn" << QByteArray(R"({"result":"ok","n":"error_save"})")
                                                << "Ошибка сохранения параметра или файла";
        QTest::newRow("download refused") << "load_out_btn" << QByteArray(R"({"result":"error_get"})")
                                          << "Ошибка обработки запроса на чтение";
        QTest::newRow("transmit") << "transmit_server_btn" << QByteArray(R"({"result":"error_test"})")
                                  << "Ошибка тестирования канала";
        QTest::newRow("update") << "update_btn" << QByteArray(R"({"result":"error_value"})")
                                << "Ошибка значения ключа";
    }

    void error_results_end_the_exchange()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, reply);
        QFETCH(QString, text);
        StandIn s;
        QVERIFY(s.connect());
        s.answer = [&](const QByteArray &) { return reply; };
        s.dir.write_file(QStringLiteral("f.bin"), "0123456789");
        if (button == QLatin1String("load_in_btn"))
            harness::answer_next_file_dialog(s.dir.file_path("f.bin"));
        s.edit("lineEdit_7")->setText(QStringLiteral("f.bin"));
        const QStringList before = QDir(s.dir.path()).entryList(QDir::Files);
        s.click(qPrintable(button));
        QTRY_COMPARE(s.status(), text);

        // Nothing more is sent or saved, the bar is gone and the link kept.
        QTest::qWait(300);
        QCOMPARE(s.controller.requests().size(), 2);
        QVERIFY(!s.controller.received().endsWith("0123456789"));
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), before);
        QVERIFY(!s.bar()->isVisible());
        QCOMPARE(s.button("connect_dev_btn")->text(), QStringLiteral("Связь по Eth установлена"));
        s.answer = [](const QByteArray &) { return ok; };
        s.click("transmit_server_btn");
        QTRY_COMPARE(s.status(), QStringLiteral("Передача запущена"));
    }

    void download_save_rules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("saved_as");
        QTest::addColumn<QString>("status");
        const QString saved = QStringLiteral("Файл записан");
        QTest::newRow("extension from the name") << "data.csv" << "report" << QByteArray("a;b\r\n1;2\r\n")
                                                 << "report.csv" << saved;
        QTest::newRow("no dot: as chosen") << "journal" << "report" << QByteArray("text") << "report" << saved;
        QTest::newRow("binary, NUL, invalid UTF-8") << "b.bin" << "b" << image(5000) << "b.bin" << saved;
        QTest::newRow("a quote in the name") << "q\".log" << "q" << QByteArray("x") << "q.log" << saved;
        QTest::newRow("cancelled: nothing") << "data.csv" << "" << QByteArray("a") << "" << "Файл скачен";
        QTest::newRow("a folder in the way") << "data.csv" << "taken" << QByteArray("a") << ""
                                             << "не удалось записать файл";
    }

    void download_save_rules()
    {
        QFETCH(QString, name);
        QFETCH(QString, chosen);
        QFETCH(QByteArray, content);
        QFETCH(QString, saved_as);
        QFETCH(QString, status);
        StandIn s;
        QVERIFY(s.connect());
        s.dir.write_file(QStringLiteral("taken.csv/kept"), "kept");
        const QStringList before = QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden);
        s.answer = [&](const QByteArray &) { return content + ok; };
        s.download(name, chosen.isEmpty() ? QString() : s.dir.file_path(chosen));
        QTRY_VERIFY(!s.bar()->isVisible());
        QCOMPARE(s.status(), status);
        QCOMPARE(s.controller.requests().last().toUtf8(), requests::download(name));
        QStringList files = QDir(s.dir.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &file : before)
            files.removeOne(file);
        QCOMPARE(files, saved_as.isEmpty() ? QStringList() : QStringList{saved_as});
        if (!saved_as.isEmpty())
            QCOMPARE(s.dir.read_file(saved_as), content);
        QCOMPARE(s.dir.read_file("taken.csv/kept"), QByteArray("kept"));
    }

    void stalled_and_unanswered_downloads_end()
    {
        // Both run side by side: each ends after ten seconds.
        Session stalled;
        auto *stalled_log = static_cast<Log *>(harness::log_window());
        harness::Simulator sim;
        QVERIFY2(sim.start({"--listen", "127.0.0.1:0", "--stall-download"}), qPrintable(sim.output()));
        QVERIFY(stalled.connect_ethernet(sim.tcp_port()));
        stalled.dir.write_file(QStringLiteral("big.bin"), image(20000));
        const QStringList files_before = QDir(stalled.dir.path()).entryList(QDir::Files);
        stalled.upload(stalled.dir.file_path("big.bin"));
        QTRY_COMPARE(stalled.status(), QStringLiteral("Файл записан"));

        StandIn silent;
        QVERIFY(silent.connect());
        silent.edit("lineEdit_7")->setText(QStringLiteral("x.bin"));
        silent.click("load_out_btn");
        stalled.edit("lineEdit_7")->setText(QStringLiteral("big.bin"));
        stalled.click("load_out_btn");

        // The busy bar counts the bytes that came.
        auto *count = find<QLabel>(&stalled.window, "transfer_count");
        QTRY_COMPARE(count->text(), QStringLiteral("%1 байт").arg((20000 + 15) / 2));
        QCOMPARE(find<QProgressBar>(&stalled.window, "transfer_bar")->maximum(), 0);
        QVERIFY(stalled.status().startsWith(QStringLiteral("Время загрузки: ")));

        QTRY_COMPARE_WITH_TIMEOUT(stalled.status(), QStringLiteral("Недостаточно данных"), 16000);
        QVERIFY(!stalled.bar()->isVisible());
        QVERIFY2(stalled_log->plain_text().endsWith(QStringLiteral("Количество байт: 10007\nFIRMWARE-IMAGE")),
                 qPrintable(stalled_log->plain_text().right(100)));
        QCOMPARE(QDir(stalled.dir.path()).entryList(QDir::Files), files_before);

        QTRY_COMPARE_WITH_TIMEOUT(silent.status(), QStringLiteral("Устройство не отвечает"), 6000);
        QVERIFY(!silent.bar()->isVisible());
    }

    void upload_progress_while_a_slow_line_holds_it_up()
    {
        Session s;
        harness::PtyPair pty;
        QTRY_VERIFY(pty.ready());
        const int size = 700 * 1024;
        SlowSerialPeer peer(pty.controller_end(), size);
        QVERIFY(peer.port.isOpen());
        QVERIFY(s.open_serial(pty.program_end()));

        // The bar sits beside the status line, which keeps its cell.
        auto *grid = find<QGridLayout>(&s.window, "gridLayout");
        int row, column, rows, columns;
        grid->getItemPosition(grid->indexOf(s.bar()), &row, &column, &rows, &columns);
        QCOMPARE(QPoint(column, row), QPoint(3, 0));
        grid->getItemPosition(grid->indexOf(find<QLabel>(&s.window, "label")), &row, &column, &rows, &columns);
        QCOMPARE(QPoint(column, row), QPoint(2, 0));

        // About 15 s at the peer's pace: longer than the ten seconds a
        // controller has to answer, which count once all is written.
        s.dir.write_file(QStringLiteral("fw.img"), image(size));
        auto *bar = find<QProgressBar>(&s.window, "transfer_bar");
        s.upload(s.dir.file_path("fw.img"));
        QTRY_VERIFY(bar->maximum() == size && bar->value() > 0);
        peer.held = true;
        QTest::qWait(500);
        const int held_at = bar->value();
        QVERIFY2(held_at > 0 && held_at < size, qPrintable(QString::number(held_at)));
        QTest::qWait(500);
        QCOMPARE(bar->value(), held_at);
        QVERIFY(s.bar()->isVisible());
        QVERIFY(s.status().startsWith(QStringLiteral("Время загрузки: ")));

        peer.held = false;
        QTRY_COMPARE_WITH_TIMEOUT(s.status(), QStringLiteral("Файл записан"), 40000);
        QCOMPARE(peer.content(), qint64(size));
        QVERIFY(!s.bar()->isVisible());
    }

    void download_beyond_the_largest_file_ends()
    {
        // A reply that never closes must not grow until memory runs out.
        StandIn s;
        QVERIFY(s.connect());
        s.answer = [&](const QByteArray &) {
            const QByteArray junk(1 << 20, 'j');
            for (int i = 0; i < 33; ++i)
                s.controller.send(junk);
            return QByteArray();
        };
        s.edit("lineEdit_7")->setText(QStringLiteral("big.bin"));
        s.click("load_out_btn"); // no save dialog may open
        QTRY_COMPARE_WITH_TIMEOUT(s.status(), QStringLiteral("Недостаточно данных"), 60000);
        QVERIFY(!s.bar()->isVisible());
    }

    void upload_needs_a_link_and_a_readable_file()
    {
        StandIn s;
        for (const char *name : {"load_in_btn", "load_out_btn", "transmit_server_btn", "update_btn"}) {
            s.window.findChild<QLabel *>("label")->clear();
            s.click(name);
            QCOMPARE(s.status(), latin_guard);
        }
        QVERIFY(s.connect());
        s.upload(QString()); // cancelled
        QTRY_COMPARE(s.status(), QStringLiteral("Не удалось открыть файл"));
        for (const char *name : {"missing.bin", "huge.bin"}) {
            QFile(s.dir.file_path("huge.bin")).resize(32 * 1024 * 1024 + 1); // beyond the largest file
            s.window.findChild<QLabel *>("label")->clear();
            s.upload(s.dir.file_path(name));
            QTRY_COMPARE(s.status(), QStringLiteral("Не удалось открыть файл"));
        }
        QCOMPARE(s.controller.requests().size(), 1);
        QVERIFY(!s.bar()->isVisible());
    }
};

QTEST_MAIN(FileTransferTest)
#include "tst_file_transfer.moc"
