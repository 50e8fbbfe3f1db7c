// The simulator's device lists, polls and channel interfaces through its
// dispatcher: each case is a conversation with a fresh controller, one
// "request => reply" per line (' stands for ").

#include "simulated_controller.h"

#include <QTest>

class SimDevicesTest : public QObject
{
    Q_OBJECT

private slots:
    void conversation_data()
    {
        QTest::addColumn<QString>("steps");
        const QString channel_2 =
            "{'method':'get','devices':'all2'} => {'devices':[[257,5,'20000001',1,'Завод Сантелл',"
            "4,2,9600,'',%1],[258,11,'20000002',3,'Ольвен',6,2,4800,'Ввод 2',%2]]}";
        QTest::newRow("lists") << "{'method':'get','devices':'all5'} => {'devices':[]}\n"
                                  "{'method':'get','devices':'all9'} => {'result':'error_value'}\n"
                                  "{'method':'delete','devices':'all2'} => {'result':'ok'}\n"
                                  "{'method':'get','devices':'all2'} => {'devices':[]}";
        QTest::newRow("write appends, malformed refused")
            << "{'devices':[[1025,7,'S',1,'two words',5,5,9600,'n']]} => {'result':'ok'}\n"
               "{'devices':[[1026,7,'S',1,'M',5,5,9600]]} => {'result':'error_value'}\n"
               "{'devices':[[1026,7,'S',1,'M',5,9,9600,'n']]} => {'result':'error_value'}\n"
               "{'devices':[[1026,'7','S',1,'M',5,5,9600,'n'],3]} => {'result':'error_value'}\n"
               "{'method':'get','devices':'all5'} => {'devices':[[1025,7,'S',1,'two words',5,5,9600,'n',0]]}";
        // Every one of the 256 is taken, the next refused.
        const QString add = "{'devices':[[1,1,'S',1,'M',1,8,9600,'']]} => {'result':";
        QTest::newRow("a channel holds 256") << (add + "'ok'}\n").repeated(256) + add + "'error_save'}";
        QTest::newRow("group polls") << "{'method': 'poll', 'devices':'all'} => {'result':'ok'}\n"
                                            + channel_2.arg(1).arg(0)
                                            + "\n{'method': 'poll_transmit'} => {'result':'ok'}\n"
                                              "{'devices':[[1281,7,'S',1,'M',3,6,9600,'n']]} => {'result':'ok'}\n"
                                              "{'method': 'poll', 'devices':'all6'} => {'result':'error_test'}";
        QTest::newRow("one device") << "{'method': 'poll', 'devices':[5,2,4,9600]} => {'result':'ok'}\n"
                                       "{'method': 'poll', 'devices':[5,2,4,1200]} => {'result':'error_test'}\n"
                                       "{'method': 'poll', 'devices':[1,2,4,9600]} => {'result':'error_value'}\n"
                                       "{'method': 'poll', 'devices':[2,4,9600]} => {'result':'error_value'}\n"
                                           + channel_2.arg(0).arg(0);
        QTest::newRow("interfaces")
            << "{'rs_type':['485','232','232','232','232','232','232','485']} => {'result':'ok'}\n"
               "{'method':'get','params':['rs_type']} => "
               "{'rs_type':['485','232','232','232','232','232','232','485']}\n"
               "{'rs_type':['485']} => {'result':'error_value'}";
    }

    void conversation()
    {
        QFETCH(QString, steps);
        SimulatedController controller;
        for (const QString &step : steps.split('\n')) {
            const QByteArray request = step.section(" => ", 0, 0).toUtf8().replace('\'', '"');
            const QByteArray expected = step.section(" => ", 1).toUtf8().replace('\'', '"');
            QCOMPARE(controller.dispatcher().reply_to_text(request).bytes(), expected);
        }
    }
};

QTEST_GUILESS_MAIN(SimDevicesTest)
#include "tst_sim_devices.moc"
