// The simulator's file store: raw content after an upload header, the
// download reply, transmit and update. (The window's tests drive it as a
// program.)

#include "file_store.h"
#include "request_framer.h"
#include "simulated_controller.h"

#include "support/harness.h"

#include <QTest>

using harness::json;
using harness::ok_reply;

class SimFileStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void framer_takes_announced_content_raw()
    {
        RequestFramer framer;
        // Content with braces and quotes, and a request behind it, in one chunk.
        framer.append(json("{'file':'a','fl_size':5}\r\n{'x}\"{'method':'ipconfig'}"));
        QVERIFY(framer.has_request());
        QCOMPARE(framer.take_request(), json("{'file':'a','fl_size':5}"));
        framer.expect_raw(5);
        QVERIFY(framer.has_request());
        QCOMPARE(framer.take_request(), json("{'x}\""));
        QVERIFY(framer.has_request());
        QCOMPARE(framer.take_request(), json("{'method':'ipconfig'}"));

        // Content in pieces; given up half way, reading requests goes on.
        framer.expect_raw(10);
        framer.append("abc");
        QVERIFY(!framer.has_request());
        QVERIFY(framer.expecting_raw());
        QCOMPARE(framer.abandon_raw(), QByteArray("abc"));
        framer.append("de{}");
        QVERIFY(framer.has_request());
        QCOMPARE(framer.take_request(), QByteArray("{}"));
    }

    void upload_header_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<qint64>("content_size");
        QTest::newRow("good") << json("{'file':'fw.bin','fl_size':1234}") << ok_reply << qint64(1234);
        QTest::newRow("empty file") << json("{'file':'e','fl_size':0}") << ok_reply << qint64(0);
        QTest::newRow("negative") << json("{'file':'a','fl_size':-1}") << json("{'result':'error_value'}") << qint64(0);
        QTest::newRow("fraction") << json("{'file':'a','fl_size':1.5}") << json("{'result':'error_value'}")
                                  << qint64(0);
        QTest::newRow("text size") << json("{'file':'a','fl_size':'5'}") << json("{'result':'error_value'}")
                                   << qint64(0);
        QTest::newRow("too large") << json("{'file':'a','fl_size':1e12}") << json("{'result':'error_value'}")
                                   << qint64(0);
        QTest::newRow("empty name") << json("{'file':'','fl_size':3}") << json("{'result':'error_value'}") << qint64(0);
    }

    void upload_header()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, reply);
        QFETCH(qint64, content_size);
        SimulatedController controller;
        const Reply answer = controller.dispatcher().reply_to_text(header);
        QCOMPARE(answer.bytes(), reply);
        QCOMPARE(answer.content_size(), content_size);
    }

    void stored_file_downloads_with_its_result()
    {
        SimulatedController controller;
        const RequestDispatcher &dispatcher = controller.dispatcher();
        const Reply header = dispatcher.reply_to_text(json("{'file':'d.csv','fl_size':4}"));
        QCOMPARE(header.content_reader()("12").bytes(), json("{'result':'error_save'}"));
        QVERIFY(controller.state().files.files.isEmpty());
        QCOMPARE(header.content_reader()(QByteArray("a\0b}", 4)).bytes(), ok_reply);

        const QByteArray download = json("{'method':'get','file':'d.csv'}");
        QCOMPARE(dispatcher.reply_to_text(download).bytes(), QByteArray("a\0b}", 4) + ok_reply);
        QCOMPARE(dispatcher.reply_to_text(json("{'method':'get','file':'none'}")).bytes(),
                 json("{'result':'error_get'}"));

        controller.state().files.stop_download_halfway = true;
        QCOMPARE(dispatcher.reply_to_text(download).bytes(), (QByteArray("a\0b}", 4) + ok_reply).left(9));

        QCOMPARE(dispatcher.reply_to_text(json("{'method':'transmit'}")).bytes(), ok_reply);
        QVERIFY(!dispatcher.reply_to_text(json("{'method':'transmit'}")).hangs_up());
        const Reply update = dispatcher.reply_to_text(json("{\n    'method': 'update'\n}\n"));
        QCOMPARE(update.bytes(), ok_reply);
        QVERIFY(update.hangs_up());
    }
};

QTEST_GUILESS_MAIN(SimFileStoreTest)
#include "tst_sim_file_store.moc"
