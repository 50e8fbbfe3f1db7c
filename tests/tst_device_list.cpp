// The device list as plain data, fed what a controller or a file may hold:
// device-list replies, device-list files, the duplicate rule and the
// export names.

#include "devices/device_list.h"

#include <QBuffer>
#include <QDateTime>
#include <QJsonDocument>
#include <QTest>

using namespace device_list;

class DeviceListTest : public QObject
{
    Q_OBJECT

private slots:
    // Table rows from a device-list reply ("reply:" rows) or file ("file:" rows).
    void table_rows_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("rows"); // the first two, joined by "/", cells by "|"; "+": a reply's "polled"

        QTest::newRow("reply: ten values, channel not shown")
            << QByteArray(R"({"devices":[[513,7,"S1",2,"P",12,3,9600,"two words",1]]})") << 1
            << "513|Брамиль 100|S1|2|P|12|9600|two words|1+";
        QTest::newRow("reply: short array reads empty")
            << QByteArray(R"({"devices":[[5,12,"S"]]})") << 1 << "5|Ольвен 4Т|S||||||";
        QTest::newRow("reply: unknown code; code 0 matches no non-number code")
            << QByteArray(R"({"devices":[[5,99],[6,0]]})") << 2 << "5||||||||/6||||||||";
        QTest::newRow("reply: wrong types")
            << QByteArray(R"({"devices":[["12",[7],{"a":1},1e20,17,null,0,true,[["x"]],"3"]]})") << 1
            << "12|||0|17|0|1||3+";
        QTest::newRow("reply: element not an array")
            << QByteArray(R"({"devices":[7,[1]]})") << 2 << "||||||||/1||||||||";
        QTest::newRow("reply: devices not an array") << QByteArray(R"({"devices":"all1"})") << 0 << "";
        QJsonArray devices;
        for (int i = 0; i < 300; ++i)
            devices.append(QJsonArray{i + 1, 1, "S", 1, "M", 1, 1, 9600, "", 0});
        QTest::newRow("reply: 300 devices, 256 kept") << QJsonDocument(QJsonObject{{"devices", devices}}).toJson()
                                                      << 256 << "1|Ловар-1Ф|S|1|M|1|9600||0/2|Ловар-1Ф|S|1|M|1|9600||0";

        QTest::newRow("file: nine fields shift the next row")
            << QByteArray("1;A;S1;1;P;1;9600;n1;extra\n2;B;S2;2;Q;2;4800;n2\n") << 2
            << "1|A|S1|1|P|1|9600|n1/extra|2|B|S2|2|Q|2|4800";
        QTest::newRow("file: short lines, empty line") << QByteArray("1;A\n\n2;B;S2") << 3 << "1|A||2|B|S2||/|||||||";
        QTest::newRow("file: byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                             "1;Ловар-1Ф;S;1;Ловарис;1;1;n\n")
                                               << 1 << "1|Ловар-1Ф|S|1|Ловарис|1|1|n";
        QTest::newRow("file: empty") << QByteArray() << 0 << "";
        QByteArray lines;
        for (int i = 0; i < 300; ++i)
            lines += QByteArray::number(i + 1) + ";A;S;1;P;1;9600;\n";
        QTest::newRow("file: 300 lines") << lines << 256 << "1|A|S|1|P|1|9600|/2|A|S|1|P|1|9600|";
    }

    void table_rows()
    {
        QFETCH(QByteArray, content);
        QStringList rows;
        if (QByteArray(QTest::currentDataTag()).startsWith("file:")) {
            QBuffer buffer(&content);
            buffer.open(QIODevice::ReadOnly | QIODevice::Text);
            for (const QStringList &cells : device_list::rows_from_file(buffer))
                rows << cells.join('|');
        } else {
            device_list::Models models;
            models.codes = {"1", "7", "x", "12"};
            models.names = {"Ловар-1Ф", "Брамиль 100", "Без кода", "Ольвен 4Т"};
            const QJsonObject reply = QJsonDocument::fromJson(content).object();
            for (const ListedDevice &device : listed_devices(reply, models)) {
                QCOMPARE(device.cells.size(), table_columns);
                rows << device.cells.join('|') + (device.polled ? "+" : "");
            }
        }
        QTEST(int(rows.size()), "count");
        QTEST(rows.mid(0, 2).join('/'), "rows");
    }

    void duplicate_rows()
    {
        const QStringList a{"1", "M", "S1", "1", "P", "1"}, b{"2", "M", "S2", "1", "P", "1"};
        QStringList a_elsewhere = a, a_lower = a;
        a_elsewhere[AddressColumn] = "2";
        a_lower[SerialColumn] = "s1";
        QCOMPARE(device_list::duplicate_rows({a, b, a_lower}), QVector<int>());
        QCOMPARE(device_list::duplicate_rows({b, a, a_elsewhere}), (QVector<int>{1, 2}));
        QCOMPARE(device_list::duplicate_rows({b, a, b, a, a}), (QVector<int>{0, 2})); // the first group only
    }

    void export_names_and_lines()
    {
        const QDateTime moment(QDate(2026, 12, 6), QTime(14, 5, 9));
        QCOMPARE(export_file_name("12345678", moment, "2"),
                 QStringLiteral("USPD_№_12345678_06_12_2026_14_05_09_канал_2.csv"));
        QCOMPARE(export_file_name("../a\\b:c*?\"<>|\n", moment, "2"),
                 QStringLiteral("USPD_№_.._a_b_c________06_12_2026_14_05_09_канал_2.csv"));
        QCOMPARE(export_line({"1", "M", "S 1", "1", "P", "1", "9600", "line\r\nbreak", "1"}),
                 QStringLiteral("1;M;S 1;1;P;1;9600;line  break\n"));
    }
};

QTEST_GUILESS_MAIN(DeviceListTest)
#include "tst_device_list.moc"
