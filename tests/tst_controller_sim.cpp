// The controller simulator: its framing and dispatching as code, and the
// real program (path in CONTROLLER_SIM) over TCP on 127.0.0.1 and over a
// pseudo-terminal pair made by socat.

#include "reply_writer.h"
#include "request_dispatcher.h"
#include "request_framer.h"
#include "simulated_controller.h"
#include "simulator_options.h"

#include "engine/requests.h"
#include "support/harness.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSerialPort>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using harness::json;

namespace {

const QByteArray default_identification_reply =
    json("{'fw_id':'A1B2C3D4','fw_ver':'1.4.2','rs_type':['232','232','485','485','232','485','232','485'],"
         "'serial':'00012345'}");

QJsonObject parse_object(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

QList<QByteArray> frame_all(RequestFramer &framer)
{
    QList<QByteArray> requests;
    while (framer.has_request())
        requests.append(framer.take_request());
    return requests;
}

// A configurator stand-in on TCP that notes every arrival of reply bytes.
class TcpClient
{
public:
    explicit TcpClient(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            received += socket.readAll();
            arrivals.append(received);
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }

    QTcpSocket socket;
    QByteArray received;
    QList<QByteArray> arrivals; // the whole of `received` after each read
};

} // namespace

class ControllerSimTest : public QObject
{
    Q_OBJECT

private slots:
    void framer_joins_a_request_that_arrives_byte_by_byte()
    {
        RequestFramer framer;
        const QByteArray request = requests::identification();
        for (int i = 0; i < request.size() - 2; ++i)
            framer.append(request.mid(i, 1));
        QVERIFY(!framer.has_request());
        QVERIFY(!framer.pending().isEmpty());
        framer.append(request.right(2)); // the closing brace and the line feed
        QCOMPARE(frame_all(framer), QList<QByteArray>{request.trimmed()});
        QVERIFY(framer.pending().isEmpty());
    }

    void framer_separates_requests_in_one_chunk()
    {
        RequestFramer framer;
        framer.append(json("\r\n  {'method':'ipconfig'}{'method':'get','params':'serial'}\n{'a':{'b':"));
        QCOMPARE(frame_all(framer),
                 (QList<QByteArray>{json("{'method':'ipconfig'}"), json("{'method':'get','params':'serial'}")}));
        framer.append("{}}}");
        QCOMPARE(frame_all(framer), QList<QByteArray>{json("{'a':{'b':{}}}")});
    }

    void framer_reads_strings_whole_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("closing brace in a string") << json("{'file':'a}b'}");
        QTest::newRow("opening braces in a string") << json("{'file':'{{'}");
        QTest::newRow("escaped quote before a brace") << json("{'file':'x\\'}'}");
        QTest::newRow("escaped backslash ends the string") << json("{'file':'x\\\\'}");
        QTest::newRow("multi-byte text") << json("{'note':'Счётчик }'}");
    }

    void framer_reads_strings_whole()
    {
        QFETCH(QByteArray, request);
        RequestFramer framer;
        framer.append(request + request.left(3));
        QCOMPARE(frame_all(framer), QList<QByteArray>{request});
        framer.append(request.mid(3));
        QCOMPARE(frame_all(framer), QList<QByteArray>{request});
    }

    void dispatcher_answers_identity_keys_asked_for()
    {
        SimulatedController controller;
        const RequestDispatcher &dispatcher = controller.dispatcher();
        QCOMPARE(dispatcher.reply_to_text(requests::identification()).bytes(), default_identification_reply);

        // Only what is asked, unknown keys left out; later changes show.
        controller.state().serial = QStringLiteral("777");
        const QJsonObject some =
            dispatcher.reply_to_text(json("{'method':'get','params':['serial','no_such','rs_type']}")).object();
        QCOMPARE(some.keys(), (QStringList{"rs_type", "serial"}));
        QCOMPARE(some.value("serial").toString(), QStringLiteral("777"));
        QCOMPARE(some.value("rs_type").toArray().size(), 8);
    }

    void dispatcher_answers_serial_search_and_network_status()
    {
        ControllerState state;
        state.serial = QStringLiteral("A-1");
        state.ipconfig = {{10, 0, 0, 2}, {10, 0, 0, 1}};
        SimulatedController controller(state);
        const RequestDispatcher &dispatcher = controller.dispatcher();

        QCOMPARE(dispatcher.reply_to_text(requests::serial_search()).bytes(), json("{'serial':'A-1'}"));
        QCOMPARE(dispatcher.reply_to_text(json("{'method':'ipconfig'}")).bytes(),
                 json("{'ipconfig':[[10,0,0,2],[10,0,0,1]]}"));
    }

    void dispatcher_refuses_unknown_requests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("unknown method") << json("{'method': 'reboot', 'devices':'all'}");
        QTest::newRow("unknown params string") << json("{'method':'get','params':'nothing'}");
        QTest::newRow("get without params") << json("{'method':'get'}");
        QTest::newRow("params of the wrong type") << json("{'method':'get','params':7}");
        QTest::newRow("no method") << json("{'unknown_key':['232']}");
        QTest::newRow("not JSON") << json("{'method':'get',}");
    }

    void dispatcher_refuses_unknown_requests()
    {
        QFETCH(QByteArray, request);
        SimulatedController controller;
        QCOMPARE(controller.dispatcher().reply_to_text(request).bytes(), json("{'result':'error_key'}"));
    }

    void dispatcher_forced_result_replaces_every_reply()
    {
        SimulatedController controller;
        RequestDispatcher &dispatcher = controller.dispatcher();
        dispatcher.force_result(QStringLiteral("error_save"));
        for (const QByteArray &request : {requests::identification(), json("{'method':'ipconfig'}"),
                                          json("{'method':'nothing'}"), QByteArray("{broken}")})
            QCOMPARE(dispatcher.reply_to_text(request).bytes(), json("{'result':'error_save'}"));
        dispatcher.force_result(QString());
        QCOMPARE(dispatcher.reply_to_text(json("{'method':'get','params':'serial'}")).object().value("serial"),
                 QJsonValue("00012345"));
    }

    void split_reply_keeps_every_byte_in_order()
    {
        const QByteArray reply = default_identification_reply;
        for (int pieces : {0, 1, 3, 7, int(reply.size()), int(reply.size()) + 5}) {
            const QList<QByteArray> parts = split_reply(reply, pieces);
            QCOMPARE(parts.size(), qBound(1, pieces, int(reply.size())));
            QCOMPARE(parts.join(), reply);
            for (const QByteArray &part : parts)
                QVERIFY(!part.isEmpty());
        }
        QCOMPARE(split_reply(QByteArray(), 3), QList<QByteArray>{QByteArray()});
    }

    void command_line_reads_controller_data()
    {
        SimulatorCommandLine command_line;
        QVERIFY(command_line.parse({"controller_sim"}));
        QVERIFY(command_line.options().tcp);
        QCOMPARE(command_line.options().listen_host, QStringLiteral("127.0.0.1"));
        QCOMPARE(command_line.options().listen_port, quint16(2200));

        QVERIFY2(command_line.parse({"controller_sim", "--serial", "/dev/ttyX", "--rs-type", "485,232,485",
                                     "--ipconfig", "127.1.2.3", "--chunks", "4", "--raw-reply", ""}),
                 qPrintable(command_line.error_text()));
        const SimulatorOptions &options = command_line.options();
        QVERIFY(!options.tcp); // a serial line alone opens no TCP port
        QCOMPARE(options.controller.rs_type, (QStringList{"485", "232", "485"}));
        QCOMPARE(options.controller.ipconfig, (QVector<AddressQuad>{{127, 1, 2, 3}}));
        QCOMPARE(options.faults.chunks, 4);
        QVERIFY(options.faults.replace_reply);
        QVERIFY(options.faults.raw_reply.isEmpty());

        QVERIFY(command_line.parse({"controller_sim", "--serial", "/dev/ttyX", "--listen", "127.0.0.1:0"}));
        QVERIFY(command_line.options().tcp);
        QCOMPARE(command_line.options().listen_port, quint16(0));
    }

    void command_line_rejects_mistakes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("listen without port") << QStringList{"--listen", "127.0.0.1"};
        QTest::newRow("port too large") << QStringList{"--listen", "127.0.0.1:70000"};
        QTest::newRow("short quad") << QStringList{"--ipconfig", "1.2.3.4,1.2.3"};
        QTest::newRow("quad out of range") << QStringList{"--ipconfig", "1.2.3.256"};
        QTest::newRow("no chunks") << QStringList{"--chunks", "0"};
        QTest::newRow("negative delay") << QStringList{"--delay", "-5"};
        QTest::newRow("baud not a number") << QStringList{"--baud", "fast"};
        QTest::newRow("stray argument") << QStringList{"extra"};
        QTest::newRow("key error without code") << QStringList{"--key-error", "time="};
        QTest::newRow("key error without key") << QStringList{"--key-error", "=error_key"};
        QTest::newRow("catalogue missing") << QStringList{"--catalogue", "/nonexistent/parametrs.csv"};
        QTest::newRow("seed not a number") << QStringList{"--seed", "x"};
    }

    void command_line_rejects_mistakes()
    {
        QFETCH(QStringList, arguments);
        SimulatorCommandLine command_line;
        QVERIFY(!command_line.parse(QStringList{"controller_sim"} + arguments));
        QVERIFY(!command_line.error_text().isEmpty());
    }

    void parameter_store_answers_gets_and_writes()
    {
        ControllerState state;
        QBuffer catalogue;
        catalogue.setData("Ключ;Имя;Тип;Доступ;Вкладка\ntime;T;String;RW;Осн\ncount;N;Int;RW;Осн\nk;K;Float;R;Сеть\n"
                          "ip;A;Int[];RW;Сеть\nu1;U;Uart;RW;Интер\ni1;I;Itf;RW;Интер\nshort;S;Int\n");
        catalogue.open(QIODevice::ReadOnly);
        QCOMPARE(state.parameters.add_catalogue(catalogue), 6);
        SimulatedController controller(state);
        RequestDispatcher &dispatcher = controller.dispatcher();
        // Listed keys: identity and parameters alike, only those asked, in their JSON types.
        QCOMPARE(dispatcher.reply_to_text(json("{'method':'get','params':['serial','count','ip','u1','no']}")).bytes(),
                 json("{'count':0,'ip':[0,0,0,0],'serial':'00012345','u1':'9600_8N1'}"));
        QCOMPARE(
            dispatcher.reply_to_text(json("{'count':7,'ip':['10','0','0','9'],'u1':'19200_7E2','i1':'232'}")).bytes(),
            json("{'result':'ok'}"));
        QCOMPARE(dispatcher.reply_to_text(json("{'method':'get','params':'all'}")).bytes(),
                 json("{'count':7,'i1':'232','ip':[10,0,0,9],'k':0,'result':'ok','time':'','u1':'19200_7E2'}"));
        // A write with one bad member stores nothing.
        const struct
        {
            const char *write, *result;
        } refused[] = {{"{'count':1,'nothing':2}", "error_key"},   {"{'count':1.5}", "error_value"},
                       {"{'time':5,'count':1}", "error_value"},    {"{'ip':['10','x']}", "error_value"},
                       {"{'u1':'_8N1'}", "error_value"},           {"{'i1':'RS'}", "error_value"},
                       {"{'method':'set','count':1}", "error_key"}};
        for (const auto &write : refused)
            QCOMPARE(dispatcher.reply_to_text(json(write.write)).object().value("result").toString(), write.result);
        QCOMPARE(controller.state().parameters.value("count"), QJsonValue(7));

        // A failed key fails every request that names it.
        dispatcher.fail_key("count", "error_get");
        for (const char *request :
             {"{'method':'get','params':['k','count']}", "{'method':'get','params':'all'}", "{'count':1}"})
            QCOMPARE(dispatcher.reply_to_text(json(request)).bytes(), json("{'result':'error_get'}"));
        QCOMPARE(dispatcher.reply_to_text(json("{'k':1.5}")).bytes(), json("{'result':'ok'}"));
        SimulatorCommandLine command_line;
        QVERIFY(command_line.parse({"controller_sim", "--key-error", "time=error_value", "--key-error", "a=b=c"}));
        QCOMPARE(command_line.options().key_errors, (QMap<QString, QString>{{"time", "error_value"}, {"a", "b=c"}}));
    }

    void plausible_controller_runs_its_clock_and_drifts()
    {
        SimulatorCommandLine command_line;
        QVERIFY(command_line.parse({"controller_sim", "--plausible", "--seed", "7", "--catalogue",
                                    qEnvironmentVariable("CONFIGURATOR_DATA_DIR") + "/parametrs.csv"}));
        SimulatedController controller(command_line.options().controller);
        const auto read = [&controller](const QByteArray &key) {
            const QByteArray request = "{'method':'get','params':['" + key + "']}";
            return controller.dispatcher().reply_to_text(json(request.constData())).object().value(key);
        };
        QCOMPARE(read("serial"), QJsonValue("KS-2041-0117"));
        const QDateTime clock = QDateTime::fromString(read("time").toString(), "yyyy-MM-dd hh:mm:ss");
        QVERIFY(qAbs(clock.secsTo(QDateTime::currentDateTime())) <= 5);
        QSet<double> voltages;
        for (int i = 0; i < 20; ++i) {
            const double volts = read("supply_voltage").toDouble();
            QVERIFY2(volts >= 11.9 && volts <= 12.1, qPrintable(QString::number(volts)));
            voltages.insert(volts);
        }
        QVERIFY(voltages.size() > 1);
        // Written values stay as written; a written clock runs on from there.
        QCOMPARE(
            controller.dispatcher().reply_to_text(json("{'board_temp':40.5,'time':'2030-01-01 00:00:00'}")).bytes(),
            json("{'result':'ok'}"));
        QCOMPARE(read("board_temp"), QJsonValue(40.5));
        QCOMPARE(read("board_temp"), QJsonValue(40.5));
        QVERIFY(read("time").toString().startsWith("2030-01-01 00:00:0"));
    }

    void program_answers_over_tcp()
    {
        harness::Simulator sim;
        QVERIFY2(sim.start({"--listen", "127.0.0.1:0", "--log-requests"}), qPrintable(sim.output()));
        QVERIFY(sim.tcp_port() != 0);

        // One client after another, each with its own receive buffer: the
        // first leaves half a request behind.
        {
            TcpClient first(sim.tcp_port());
            QVERIFY(first.socket.waitForConnected(5000));
            const QByteArray request = requests::identification();
            first.socket.write(request.left(20));
            QVERIFY(!first.socket.waitForReadyRead(200)); // half a request is not answered
            first.socket.write(request.mid(20));
            QTRY_COMPARE(first.received, default_identification_reply);
            first.socket.write(json("{'method':"));
            QVERIFY(first.socket.waitForBytesWritten(5000));
        }
        TcpClient second(sim.tcp_port());
        QVERIFY(second.socket.waitForConnected(5000));
        second.socket.write(json("{'method':'ipconfig'}{'method':'get','params':'serial'}"));
        QTRY_COMPARE(second.received,
                     json("{'ipconfig':[[192,168,100,129],[192,168,100,1],[255,255,255,0],[192,168,100,1]]}"
                          "{'serial':'00012345'}"));
        QTRY_VERIFY(sim.output().contains(R"(request {"method":"get","params":"serial"})"
                                          "\n"));
        QVERIFY(sim.output().contains(R"(request {"method":"get","params":["serial","fw_ver","fw_id","rs_type"]})"));
    }

    void program_answers_over_a_serial_line()
    {
        harness::PtyPair pty;
        harness::Simulator sim;
        QVERIFY2(sim.start({"--serial", pty.controller_end(), "--serial-number", "SIM-COM", "--rs-type", "485,232"}),
                 qPrintable(sim.output()));
        QVERIFY(sim.output().contains("serial " + pty.controller_end()));
        QVERIFY(!sim.output().contains("listening")); // the serial line alone

        QSerialPort port(pty.program_end());
        QVERIFY(port.open(QIODevice::ReadWrite));
        port.setBaudRate(9600);
        QByteArray received;
        QObject::connect(&port, &QSerialPort::readyRead, [&] { received += port.readAll(); });
        port.write(requests::identification());
        QTRY_COMPARE(received,
                     json("{'fw_id':'A1B2C3D4','fw_ver':'1.4.2','rs_type':['485','232'],'serial':'SIM-COM'}"));
    }

    void program_paces_replies()
    {
        {
            harness::Simulator sim;
            QVERIFY(sim.start({"--listen", "127.0.0.1:0", "--chunks", "3", "--chunk-pause", "150"}));
            TcpClient client(sim.tcp_port());
            QVERIFY(client.socket.waitForConnected(5000));
            QElapsedTimer clock;
            clock.start();
            client.socket.write(json("{'method':'ipconfig'}"));
            QTRY_VERIFY(client.received.endsWith('}') && client.received.count('}') == 1);
            QVERIFY2(clock.elapsed() >= 280, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(client.arrivals.size() >= 3);
            QVERIFY(!client.arrivals.first().endsWith('}'));
            QCOMPARE(parse_object(client.received).value("ipconfig").toArray().size(), 4);
        }
        {
            harness::Simulator sim;
            QVERIFY(sim.start({"--listen", "127.0.0.1:0", "--delay", "400"}));
            TcpClient client(sim.tcp_port());
            QVERIFY(client.socket.waitForConnected(5000));
            QElapsedTimer clock;
            clock.start();
            client.socket.write(json("{'method':'get','params':'serial'}"));
            QTRY_COMPARE(client.received, json("{'serial':'00012345'}"));
            QVERIFY2(clock.elapsed() >= 390, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(client.arrivals.size(), 1);
        }
    }

    void program_fault_options_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("closes");
        QTest::newRow("result code") << QStringList{"--result", "error_value"} << json("{'result':'error_value'}")
                                     << false;
        QTest::newRow("raw reply") << QStringList{"--raw-reply", QString::fromUtf8(json("{'serial':'1'"))}
                                   << json("{'serial':'1'") << false;
        QTest::newRow("no reply") << QStringList{"--no-reply"} << QByteArray() << false;
        QTest::newRow("close after request") << QStringList{"--close-after-request"} << QByteArray() << true;
    }

    void program_fault_options()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, reply);
        QFETCH(bool, closes);
        harness::Simulator sim;
        QVERIFY(sim.start(QStringList{"--listen", "127.0.0.1:0", "--log-requests"} + options));
        TcpClient client(sim.tcp_port());
        QVERIFY(client.socket.waitForConnected(5000));
        client.socket.write(requests::identification());
        // The request is logged before any reply is written.
        QTRY_VERIFY(sim.output().contains(R"(request {"method":"get")"));
        if (closes)
            QTRY_COMPARE(client.socket.state(), QAbstractSocket::UnconnectedState);
        else if (!reply.isEmpty())
            QTRY_COMPARE(client.received, reply);
        else
            QVERIFY(!client.socket.waitForReadyRead(300));
        QCOMPARE(client.received, reply);
    }

    void program_exits_when_the_serial_line_does_not_open()
    {
        QTemporaryDir dir;
        QProcess sim;
        sim.start(harness::Simulator::program(), {"--serial", dir.filePath(QStringLiteral("missing"))});
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(!sim.readAllStandardError().isEmpty());
        QVERIFY(sim.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(ControllerSimTest)
#include "tst_controller_sim.moc"
