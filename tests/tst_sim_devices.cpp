// The simulator's device lists, polls and channel interfaces, driven
// through its dispatcher: each case is a conversation with a fresh
// controller, one "request => reply" per line (' stands for ").

#include "simulated_controller.h"

#include <QTest>

class SimDevicesTest : public QObject
{
    Q_OBJECT

private slots:
    void conversation_data()
    {
        QTest::addColumn<QString>("steps");
        const char *seeded_channel_2 = "{'devices':[[257,5,'20000001',1,'Завод Сантелл',4,2,9600,'',%1],"
                                       "[258,11,'20000002',3,'Ольвен',6,2,4800,'Ввод 2',%2]]}";

        QTest::newRow("seeded lists") << QString("{'method':'get','devices':'all1'} => "
                                                 "{'devices':[[1,1,'10000001',1,'Ловарис',1,1,9600,'Щит 1',1],"
                                                 "[2,3,'10000002',2,'Квентор Энерго',2,1,9600,'Щит 1',1],"
                                                 "[3,7,'10000003',1,'Брамиль',3,1,19200,'Подвал',0]]}\n"
                                                 "{'method':'get','devices':'all5'} => {'devices':[]}\n"
                                                 "{'method':'get','devices':'all9'} => {'result':'error_value'}\n"
                                                 "{'method':'get','devices':'all'} => {'result':'error_value'}");
        QTest::newRow("write appends, malformed refused")
            << QString("{'devices':[[1025,7,'S',1,'two words',5,5,9600,'n']]} => {'result':'ok'}\n"
                       "{'devices':[[1026,7,'S',1,'M',5,5,9600]]} => {'result':'error_value'}\n"
                       "{'devices':[[1026,7,'S',1,'M',5,9,9600,'n']]} => {'result':'error_value'}\n"
                       "{'devices':[[1026,'7','S',1,'M',5,5,9600,'n']]} => {'result':'error_value'}\n"
                       "{'devices':[[1026,7,'S',1,'M',5,5,9600,'n'],3]} => {'result':'error_value'}\n"
                       "{'method':'get','devices':'all5'} => {'devices':[[1025,7,'S',1,'two words',5,5,9600,'n',0]]}");
        QTest::newRow("delete") << QString("{'method':'delete','devices':'all1'} => {'result':'ok'}\n"
                                           "{'method':'get','devices':'all1'} => {'devices':[]}\n"
                                           "{'method':'get','devices':'all2'} => " + QString(seeded_channel_2).arg(0).arg(0));
        QTest::newRow("channel poll marks its devices")
            << QString("{'method': 'poll', 'devices':'all2'} => {'result':'ok'}\n"
                       "{'method':'get','devices':'all2'} => " + QString(seeded_channel_2).arg(1).arg(0));
        QTest::newRow("poll of all and with transmission")
            << QString("{'method': 'poll', 'devices':'all'} => {'result':'ok'}\n"
                       "{'method':'delete','devices':'all2'} => {'result':'ok'}\n"
                       "{'method': 'poll_transmit'} => {'result':'ok'}\n"
                       "{'method': 'poll', 'devices':'all6'} => {'result':'ok'}");
        QTest::newRow("channel where no device answers")
            << QString("{'devices':[[1281,7,'S',1,'M',3,6,9600,'n']]} => {'result':'ok'}\n"
                       "{'method': 'poll', 'devices':'all6'} => {'result':'error_test'}");
        QTest::newRow("one device") << QString("{'method': 'poll', 'devices':[5,2,4,9600]} => {'result':'ok'}\n"
                                               "{'method': 'poll', 'devices':[11,2,6,4800]} => {'result':'error_test'}\n"
                                               "{'method': 'poll', 'devices':[5,2,4,1200]} => {'result':'error_test'}\n"
                                               "{'method': 'poll', 'devices':[1,2,4,9600]} => {'result':'error_value'}\n"
                                               "{'method': 'poll', 'devices':[2,4,9600]} => {'result':'error_value'}\n"
                                               "{'method':'get','devices':'all2'} => "
                                               + QString(seeded_channel_2).arg(0).arg(0));
        QTest::newRow("channel interfaces")
            << QString("{'rs_type':['485','485','232','232','232','232','232','485']} => {'result':'ok'}\n"
                       "{'method':'get','params':['rs_type']} => "
                       "{'rs_type':['485','485','232','232','232','232','232','485']}\n"
                       "{'rs_type':['485']} => {'result':'error_value'}\n"
                       "{'rs_type':['485','485','232','232','232','232','232',485]} => {'result':'error_value'}");
    }

    void conversation()
    {
        QFETCH(QString, steps);
        SimulatedController controller;
        for (const QString &step : steps.split('\n')) {
            const QStringList parts = step.split(" => ");
            QCOMPARE(parts.size(), 2);
            const QByteArray request = parts.at(0).toUtf8().replace('\'', '"');
            const QByteArray expected = parts.at(1).toUtf8().replace('\'', '"');
            QCOMPARE(controller.dispatcher().reply_to_text(request).bytes(), expected);
        }
    }

    void a_channel_holds_256_devices()
    {
        SimulatedController controller;
        for (int i = 0; i < 256; ++i) {
            const QByteArray request = "{\"devices\":[[" + QByteArray::number(1793 + i) + ",1,\"S\",1,\"M\",1,8,9600,\"\"]]}";
            QCOMPARE(controller.dispatcher().reply_to_text(request).bytes(), QByteArray(R"({"result":"ok"})"));
        }
        QCOMPARE(controller.dispatcher().reply_to_text(R"({"devices":[[1,1,"S",1,"M",1,8,9600,""]]})").bytes(),
                 QByteArray(R"({"result":"error_save"})"));
    }
};

QTEST_GUILESS_MAIN(SimDevicesTest)
#include "tst_sim_devices.moc"
