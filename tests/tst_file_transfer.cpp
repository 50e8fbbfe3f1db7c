// The "files" tab against real peers: uploads and downloads through the
// controller simulator over TCP and over a pseudo-terminal, error results
// and save rules against a stand-in controller, a transfer that stalls, and
// the progress bar while a slow line holds an upload up.

#include "app/mainwindow.h"
#include "engine/exchange.h"
#include "engine/requests.h"
#include "link/log.h"
#include "support/harness.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QTimer>

using harness::find;
using harness::ok_reply;

namespace {

const QString written = QStringLiteral("Файл записан");
const QString load_in = QStringLiteral("load_in_btn"), load_out = QStringLiteral("load_out_btn");
const QByteArray pause = QByteArrayLiteral("<pause>"); // where a stand-in reply stops for a while

// A file as a controller keeps it: text, then binary bytes, braces and the
// text of a result, so that neither the framing nor the result test may
// look inside.
QByteArray image(int size)
{
    static const char head[] = "FIRMWARE-IMAGE\0\xff\xfe{\"result\":\"error_key\"}";
    QByteArray bytes(head, sizeof head - 1);
    while (bytes.size() < size)
        bytes += char(bytes.size() * 7 % 256);
    return bytes.left(size);
}

// The window of one test, and a stand-in controller on loopback whose
// answers the test gives per request; the identification is answered for it.
struct Session : harness::Window
{
    harness::FakeController controller;
    std::function<QByteArray(const QByteArray &)> answer;

    Session()
    {
        start();
        controller.answer = [this](const QByteArray &request) {
            return request.contains("fw_id") ? harness::identity_reply() : answer ? answer(request) : QByteArray();
        };
    }

    QWidget *bar() { return find<QWidget>("transfer_progress"); }
    QStringList files() { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    // To the stand-in unless another port is given.
    bool connect_ethernet(quint16 port = 0)
    {
        return harness::connect_ethernet(window.get(), port ? port : controller.port());
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
                port.write(ok_reply);
        });
        pace.start(20);
    }

    QSerialPort port;
    QTimer pace;
    const qint64 content_size;
    qint64 received = 0, header = 0;
    bool held = false;
};

} // namespace

class FileTransferTest : public QObject
{
    Q_OBJECT

private slots:
    void round_trip_through_the_simulator_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::newRow("tcp") << false;
        QTest::newRow("serial") << true;
    }

    void round_trip_through_the_simulator()
    {
        QFETCH(bool, serial);
        Session s;
        harness::PtyPair pty;
        harness::Simulator sim;
        if (serial) {
            QVERIFY2(sim.start({"--serial", pty.controller_end()}), qPrintable(sim.output()));
            QVERIFY(harness::open_serial_port(s.window.get(), pty.program_end()));
        } else {
            QVERIFY2(sim.start({"--listen", "127.0.0.1:0"}), qPrintable(sim.output()));
            QVERIFY(s.connect_ethernet(sim.tcp_port()));
        }

        // A read-only file in a nested folder uploads, announced by its bare name.
        const QByteArray content = image(serial ? 3000 : 100 * 1024);
        s.dir.write_file(QStringLiteral("in/fw.bin"), content);
        QVERIFY(QFile::setPermissions(s.dir.file_path("in/fw.bin"), QFile::ReadOwner | QFile::ReadGroup));
        s.upload(s.dir.file_path("in/fw.bin"));
        QTRY_VERIFY(s.bar()->isVisible());
        QTRY_COMPARE(s.status(), written);
        QVERIFY(!s.bar()->isVisible());

        // Command, its reply, the content as a sent record (over the slow
        // line as hex only), the final reply.
        const QString log = static_cast<Log *>(harness::log_window())->plain_text();
        int at = 0;
        for (const QString &record :
             {QString::fromUtf8(requests::upload_header("fw.bin", content.size())).trimmed(),
              QStringLiteral("\n{\"result\":\"ok\"}"), QStringLiteral("\n-> 46 49 52 4d"),
              QStringLiteral("Количество байт: %1\n%2<- ").arg(content.size()).arg(serial ? "" : "FIRMWARE-IMAGE\n")}) {
            at = log.indexOf(record, at);
            QVERIFY2(at > 0, qPrintable(record));
        }
        QVERIFY(log.endsWith(QStringLiteral("\n{\"result\":\"ok\"}")));
        QCOMPARE(log.contains(QStringLiteral("FIRMWARE-IMAGE")), !serial);

        // Back again: saved under the chosen name with the controller's
        // extension, without the closing result.
        s.download(QStringLiteral("fw.bin"), s.dir.file_path("copy"));
        QTRY_COMPARE(s.status(), written);
        QCOMPARE(s.dir.read_file("copy.bin"), content);
        QVERIFY(!s.bar()->isVisible());

        s.click("transmit_server_btn");
        QTRY_COMPARE(s.status(), QStringLiteral("Передача запущена"));

        // A file nobody may write, not even the super-user the tests may run
        // as, uploads too.
        const QString read_only = QStringLiteral("/sys/devices/system/cpu/possible");
        QFile probe(read_only);
        if (!probe.open(QIODevice::ReadWrite) && probe.open(QIODevice::ReadOnly)) {
            const QByteArray cpus = probe.readAll();
            s.upload(read_only);
            QTRY_COMPARE(s.status(), written);
            s.download(QStringLiteral("possible"), s.dir.file_path("cpus"));
            QTRY_COMPARE(s.status(), written);
            QCOMPARE(s.dir.read_file("cpus"), cpus);
        }

        // The update drops the link.
        s.click("update_btn");
        if (serial) {
            QTRY_COMPARE(s.button("connect_btn")->text(), QStringLiteral("Выключено"));
            QCOMPARE(s.status(), QStringLiteral("Обновление запущено"));
            QCOMPARE(s.button("connect_btn")->styleSheet(), QStringLiteral("QPushButton {color:red;}"));
        } else {
            QTRY_COMPARE(s.status(), QStringLiteral("Связь по Eth отключена"));
            QCOMPARE(s.button("connect_dev_btn")->text(), QStringLiteral("Установить связь"));
        }
        s.click("transmit_server_btn");
        QCOMPARE(s.status(), exchange::guard_text_latin());
    }

    void stand_in_replies_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("name");     // of the file on the controller
        QTest::addColumn<QByteArray>("reply"); // to every request but the identification
        QTest::addColumn<QString>("chosen");   // in the file dialog (empty cancels)
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("saved_as");
        // Error results end the exchange.
        QTest::newRow("upload refused") << load_in << "" << QByteArray(R"({"result":"error_key"})") << "f.bin"
                                        << "Неизвестный ключ"
                                        << "";
        QTest::newRow("upload, error anywhere")
            << load_in << "" << QByteArray(R"({"result":"ok","n":"error_save"})") << "f.bin"
            << "Ошибка сохранения параметра или файла"
            << "";
        QTest::newRow("download refused") << load_out << "f.bin" << QByteArray(R"({"result":"error_get"})") << ""
                                          << "Ошибка обработки запроса на чтение"
                                          << "";
        QTest::newRow("transmit") << "transmit_server_btn"
                                  << "" << QByteArray(R"({"result":"error_test"})") << ""
                                  << "Ошибка тестирования канала"
                                  << "";
        QTest::newRow("update") << "update_btn"
                                << "" << QByteArray(R"({"result":"error_value"})") << ""
                                << "Ошибка значения ключа"
                                << "";
        // Nothing goes on without "ok", and the file is not sent.
        QTest::newRow("upload header not confirmed") << load_in << "" << QByteArray(R"({"result":"okay"})") << "f.bin"
                                                     << "Запись файла не подтверждена"
                                                     << "";
        QTest::newRow("download, okay is not ok") << load_out << "f.bin"
                                                  << "a" + QByteArray(R"({"result":"okay"})") << ""
                                                  << "Скачивание не подтверждено"
                                                  << "";
        QTest::newRow("update not confirmed") << "update_btn"
                                              << "" << QByteArray("{}") << ""
                                              << "Команда не подтверждена"
                                              << "";
        // An empty file is whole with its header.
        QTest::newRow("empty upload") << load_in << "" << ok_reply << "empty.bin" << written << "";
        // A reply that never closes must not grow until memory runs out.
        QTest::newRow("beyond the largest file") << load_out << "big.bin" << QByteArray(33 << 20, 'j') << ""
                                                 << "Недостаточно данных"
                                                 << "";
        // Where a confirmed download is saved.
        QTest::newRow("extension from the name") << load_out << "data.csv"
                                                 << "a;b\r\n1;2\r\n" + ok_reply << "report" << written << "report.csv";
        QTest::newRow("no dot: as chosen") << load_out << "journal"
                                           << "text" + ok_reply << "report" << written << "report";
        QTest::newRow("binary, NUL, invalid UTF-8")
            << load_out << "b.bin" << image(5000) + ok_reply << "b" << written << "b.bin";
        // The file holds its own closing result, and the controller pauses
        // after it: the download waits for the link to stay quiet.
        QTest::newRow("an ok inside the file, then a pause")
            << load_out << "data.csv"
            << "a" + ok_reply + pause + "b" + ok_reply << "report" << written << "report.csv";
        QTest::newRow("a quote in the name") << load_out << "q\".log"
                                             << "x" + ok_reply << "q" << written << "q.log";
        QTest::newRow("cancelled: nothing") << load_out << "data.csv"
                                            << "a" + ok_reply << ""
                                            << "Файл скачен"
                                            << "";
        QTest::newRow("a folder in the way") << load_out << "data.csv"
                                             << "a" + ok_reply << "taken"
                                             << "не удалось записать файл"
                                             << "";
    }

    void stand_in_replies()
    {
        QFETCH(QString, button);
        QFETCH(QString, name);
        QFETCH(QByteArray, reply);
        QFETCH(QString, chosen);
        QFETCH(QString, text);
        QFETCH(QString, saved_as);
        Session s;
        QVERIFY(s.connect_ethernet());
        s.dir.write_file(QStringLiteral("f.bin"), "0123456789");
        s.dir.write_file(QStringLiteral("empty.bin"), QByteArray());
        s.dir.write_file(QStringLiteral("taken.csv/kept"), "kept");
        const QStringList before = s.files();
        // A reply with a pause: its second part comes 200 ms after the first.
        const int paused_at = reply.indexOf(pause);
        s.answer = [&](const QByteArray &) {
            if (paused_at >= 0)
                QTimer::singleShot(200, [&] { s.controller.send(reply.mid(paused_at + pause.size())); });
            return paused_at < 0 ? reply : reply.left(paused_at);
        };
        s.edit("lineEdit_7")->setText(name);
        if (button == load_in || reply.endsWith(ok_reply)) // a dialog opens
            harness::answer_next_file_dialog(chosen.isEmpty() ? QString() : s.dir.file_path(chosen));
        s.click(qPrintable(button));
        QTRY_COMPARE_WITH_TIMEOUT(s.status(), text, 60000); // the flood's 33 MiB take long

        // Nothing more is sent or shown, only a confirmed download is saved,
        // the bar is gone and the link kept.
        QTest::qWait(300);
        QCOMPARE(s.status(), text);
        QCOMPARE(s.controller.requests().size(), 2);
        if (button == load_out)
            QCOMPARE(s.controller.requests().last().toUtf8(), requests::download(name));
        QVERIFY(!s.controller.received().endsWith("0123456789"));
        QStringList files = s.files();
        for (const QString &file : before)
            files.removeOne(file);
        QCOMPARE(files, saved_as.isEmpty() ? QStringList() : QStringList{saved_as});
        if (!saved_as.isEmpty())
            QCOMPARE(s.dir.read_file(saved_as), QByteArray(reply).replace(pause, "").chopped(ok_reply.size()));
        QCOMPARE(s.dir.read_file("taken.csv/kept"), QByteArray("kept"));
        QVERIFY(!s.bar()->isVisible());
        QCOMPARE(s.button("connect_dev_btn")->text(), QStringLiteral("Связь по Eth установлена"));
        s.answer = [](const QByteArray &) { return ok_reply; };
        s.click("transmit_server_btn");
        QTRY_COMPARE(s.status(), QStringLiteral("Передача запущена"));
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
        const QStringList files_before = stalled.files();
        stalled.upload(stalled.dir.file_path("big.bin"));
        QTRY_COMPARE(stalled.status(), written);

        Session silent;
        QVERIFY(silent.connect_ethernet());
        silent.edit("lineEdit_7")->setText(QStringLiteral("x.bin"));
        silent.click("load_out_btn");
        stalled.edit("lineEdit_7")->setText(QStringLiteral("big.bin"));
        stalled.click("load_out_btn");

        // The busy bar counts the bytes that came.
        auto *count = stalled.find<QLabel>("transfer_count");
        QTRY_COMPARE(count->text(), QStringLiteral("%1 байт").arg((20000 + 15) / 2));
        QCOMPARE(stalled.find<QProgressBar>("transfer_bar")->maximum(), 0);
        QTRY_VERIFY(stalled.status().startsWith(QStringLiteral("Время загрузки: ")));

        QTRY_COMPARE_WITH_TIMEOUT(stalled.status(), QStringLiteral("Недостаточно данных"), 16000);
        QVERIFY(!stalled.bar()->isVisible());
        QVERIFY2(stalled_log->plain_text().endsWith(QStringLiteral("Количество байт: 10007\nFIRMWARE-IMAGE")),
                 qPrintable(stalled_log->plain_text().right(100)));
        QCOMPARE(stalled.files(), files_before);

        QTRY_COMPARE_WITH_TIMEOUT(silent.status(), QStringLiteral("Устройство не отвечает"), 6000);
        QVERIFY(!silent.bar()->isVisible());
    }

    void upload_progress_while_a_slow_line_holds_it_up()
    {
        Session s;
        harness::PtyPair pty;
        const int size = 700 * 1024;
        SlowSerialPeer peer(pty.controller_end(), size);
        QVERIFY(peer.port.isOpen());
        QVERIFY(harness::open_serial_port(s.window.get(), pty.program_end()));

        // The bar sits beside the status line, which keeps its cell.
        auto *grid = s.find<QGridLayout>("gridLayout");
        const auto cell = [grid](QWidget *widget) {
            int row, column, rows, columns;
            grid->getItemPosition(grid->indexOf(widget), &row, &column, &rows, &columns);
            return QPoint(column, row);
        };
        QCOMPARE(cell(s.bar()), QPoint(3, 0));
        QCOMPARE(cell(s.find<QLabel>("label")), QPoint(2, 0));

        // About 15 s at the peer's pace: longer than the ten seconds a
        // controller has to answer, which count once all is written.
        s.dir.write_file(QStringLiteral("fw.img"), image(size));
        auto *bar = s.find<QProgressBar>("transfer_bar");
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
        QTRY_COMPARE_WITH_TIMEOUT(s.status(), written, 40000);
        QCOMPARE(peer.received - peer.header, qint64(size));
        QVERIFY(!s.bar()->isVisible());
    }

    void upload_needs_a_readable_file()
    {
        Session s;
        QVERIFY(s.connect_ethernet());
        s.dir.write_file(QStringLiteral("huge.bin"), "x");
        QVERIFY(QFile(s.dir.file_path("huge.bin")).resize(32 * 1024 * 1024 + 1)); // beyond the largest file
        for (const char *name : {"", "missing.bin", "huge.bin"}) {                // the first cancelled
            s.find<QLabel>("label")->clear();
            s.upload(*name ? s.dir.file_path(name) : QString());
            QTRY_COMPARE(s.status(), QStringLiteral("Не удалось открыть файл"));
        }
        QCOMPARE(s.controller.requests().size(), 1);
        QVERIFY(!s.bar()->isVisible());
    }
};

QTEST_MAIN(FileTransferTest)
#include "tst_file_transfer.moc"
