// The configurator against the controller simulator running as a separate
// process, once over TCP on 127.0.0.1 and once over a pseudo-terminal.

#include "app/mainwindow.h"
#include "support/harness.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using harness::find;

class SimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void identifies_over_tcp()
    {
        harness::WorkingDirectory dir;
        harness::Simulator sim;
        QVERIFY2(sim.start({"--listen", "127.0.0.1:0", "--serial-number", "SIM-TCP-1", "--rs-type",
                            "485,485,485,485,485,485,485,232"}),
                 qPrintable(sim.output()));
        MainWindow window;
        window.show();
        QVERIFY(harness::connect_ethernet(&window, sim.tcp_port()));
        QCOMPARE(find<QLineEdit>(&window, "lineEdit_3")->text(), QStringLiteral("SIM-TCP-1"));
        QVERIFY(!find<QLineEdit>(&window, "lineEdit_4")->text().isEmpty());
        QCOMPARE(find<QComboBox>(&window, "comboBox_4")->currentIndex(), 1);
        QCOMPARE(find<QComboBox>(&window, "comboBox_11")->currentIndex(), 0);

        harness::click(find<QPushButton>(&window, "status_Eth"));
        QTRY_VERIFY(!find<QLineEdit>(&window, "lineEdit_12")->text().isEmpty());
    }

    void identifies_over_a_serial_line()
    {
        harness::WorkingDirectory dir;
        harness::PtyPair pty;
        harness::Simulator sim;
        QVERIFY2(sim.start({"--serial", pty.controller_end(), "--serial-number", "SIM-COM-2"}),
                 qPrintable(sim.output()));
        MainWindow window;
        window.show();
        QVERIFY(harness::open_serial_port(&window, pty.program_end()));
        harness::click(find<QPushButton>(&window, "connect_dev_btn"));
        QTRY_COMPARE(find<QLineEdit>(&window, "lineEdit_3")->text(), QStringLiteral("SIM-COM-2"));
    }
};

QTEST_MAIN(SimulatorTest)
#include "tst_simulator_e2e.moc"
