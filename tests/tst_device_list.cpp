// The device list as plain data: device-list replies (untrusted), device
// arrays, the duplicate check, device-list files, one-device poll values
// and the export lines and names.

#include "devices/device_list.h"
#include "engine/requests.h"

#include <QBuffer>
#include <QDateTime>
#include <QJsonDocument>
#include <QTest>

using namespace device_list;

namespace {

const QVector<QString> codes = {"1", "7", "x", "12"};
const QVector<QString> names = {"Ловар-1Ф", "Брамиль 100", "Без кода", "Ольвен 4Т"};
const Models models{codes, names};

QVector<QStringList> rows_of(const QByteArray &content)
{
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    return rows_from_file(buffer);
}

} // namespace

class DeviceListTest : public QObject
{
    Q_OBJECT

private slots:
    void listed_devices_read_untrusted_replies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<bool>("polled");

        QTest::newRow("ten values, channel not shown")
            << QByteArray(R"({"devices":[[513,7,"S1",2,"Брамиль",12,3,9600,"two words",1]]})") << 1
            << QStringList{"513", "Брамиль 100", "S1", "2", "Брамиль", "12", "9600", "two words", "1"} << true;
        QTest::newRow("poll result 0") << QByteArray(R"({"devices":[[1,1,"",1,"",1,1,9600,"",0]]})") << 1
                                       << QStringList{"1", "Ловар-1Ф", "", "1", "", "1", "9600", "", "0"} << false;
        QTest::newRow("short array reads empty")
            << QByteArray(R"({"devices":[[5,12,"S"]]})") << 1
            << QStringList{"5", "Ольвен 4Т", "S", "", "", "", "", "", ""} << false;
        QTest::newRow("unknown code, code 0 matches no non-number")
            << QByteArray(R"({"devices":[[5,99],[6,0]]})") << 2
            << QStringList{"5", "", "", "", "", "", "", "", ""} << false;
        QTest::newRow("wrong types") << QByteArray(R"({"devices":[["12",[7],{"a":1},1e20,17,null,0,true,[["x"]],"3"]]})")
                                     << 1 << QStringList{"12", "", "", "0", "17", "0", "1", "", "3"} << true;
        QTest::newRow("element not an array") << QByteArray(R"({"devices":[7,[1]]})") << 2
                                              << QStringList{"", "", "", "", "", "", "", "", ""} << false;
        QTest::newRow("devices not an array") << QByteArray(R"({"devices":"all1"})") << 0 << QStringList() << false;
        QTest::newRow("not JSON") << QByteArray("devices}") << 0 << QStringList() << false;

        QJsonArray many;
        for (int i = 0; i < 300; ++i)
            many.append(QJsonArray{i + 1, 7, "S", 1, "M", 1, 1, 9600, "", 1});
        QTest::newRow("300 devices fill 256 rows")
            << QJsonDocument(QJsonObject{{"devices", many}}).toJson() << 256
            << QStringList{"1", "Брамиль 100", "S", "1", "M", "1", "9600", "", "1"} << true;
    }

    void listed_devices_read_untrusted_replies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        const QVector<ListedDevice> devices = listed_devices(QJsonDocument::fromJson(reply).object(), models);
        QCOMPARE(devices.size(), count);
        for (const ListedDevice &device : devices)
            QCOMPARE(device.cells.size(), table_columns);
        if (count > 0) {
            QTEST(devices.first().cells, "first");
            QTEST(devices.first().polled, "polled");
        }
    }

    void device_write_request()
    {
        // A row from the entry defaults on channel 3, model code 7.
        const QStringList row{"513", "Брамиль 100", "12345678", "1", "", "1", "9600", "1", "ignored"};
        QCOMPARE(requests::device_list_write(QJsonArray{device_array(row, 7, 3)}),
                 QByteArray(R"({"devices":[[513,7,"12345678",1,"",1,3,9600,"1"]]})"));
        // Not numbers go out as 0; texts keep their blanks.
        const QStringList odd{"x", "", "", "v", "two words", "", "fast", "a b"};
        QCOMPARE(requests::device_list_write(QJsonArray{device_array(odd, 1, 8)}),
                 QByteArray(R"({"devices":[[0,1,"",0,"two words",0,8,0,"a b"]]})"));
        int code = 0;
        QVERIFY(models.code_of_name("Ольвен 4Т", &code));
        QCOMPARE(code, 12);
        QVERIFY(!models.code_of_name("Без кода", &code));
        QVERIFY(!models.code_of_name("ольвен 4т", &code));
    }

    void duplicate_rows_data()
    {
        QTest::addColumn<QVector<QStringList>>("rows");
        QTest::addColumn<QVector<int>>("marked");
        const QStringList a{"1", "M", "S1", "1", "P", "1", "9600", "x"};
        QStringList other_address = a;
        other_address[AddressColumn] = "2";
        other_address[NumberColumn] = "2";
        QStringList other_case = a;
        other_case[SerialColumn] = "s1";
        QStringList b = a;
        b[SerialColumn] = "S2";

        QTest::newRow("none") << QVector<QStringList>{a, b, other_case} << QVector<int>{};
        QTest::newRow("same device at another address") << QVector<QStringList>{b, a, other_address}
                                                        << QVector<int>{1, 2};
        QTest::newRow("first group only") << QVector<QStringList>{b, a, b, a, a} << QVector<int>{0, 2};
        QTest::newRow("serial contained in another is no match")
            << QVector<QStringList>{a, QStringList{"2", "M", "S10", "1", "P"}} << QVector<int>{};
        QTest::newRow("empty") << QVector<QStringList>{} << QVector<int>{};
    }

    void duplicate_rows()
    {
        QFETCH(QVector<QStringList>, rows);
        QTEST(device_list::duplicate_rows(rows), "marked");
    }

    void rows_from_file_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("row0");
        QTest::addColumn<QStringList>("row1");

        QTest::newRow("two devices") << QByteArray("1;A;S1;1;P;1;9600;n1\n2;B;S2;2;Q;2;4800;two words\n") << 2
                                     << QStringList{"1", "A", "S1", "1", "P", "1", "9600", "n1"}
                                     << QStringList{"2", "B", "S2", "2", "Q", "2", "4800", "two words"};
        QTest::newRow("nine fields shift the next row")
            << QByteArray("1;A;S1;1;P;1;9600;n1;extra\n2;B;S2;2;Q;2;4800;n2\n") << 2
            << QStringList{"1", "A", "S1", "1", "P", "1", "9600", "n1"}
            << QStringList{"extra", "2", "B", "S2", "2", "Q", "2", "4800"};
        QTest::newRow("short line, missing fields empty")
            << QByteArray("1;A\n2;B;S2\n") << 2 << QStringList{"1", "A", "2", "B", "S2", "", "", ""}
            << QStringList{"", "", "", "", "", "", "", ""};
        QTest::newRow("empty line counts") << QByteArray("\n1;A;S;1;P;1;1;n") << 2
                                           << QStringList{"", "1", "A", "S", "1", "P", "1", "1"}
                                           << QStringList{"n", "", "", "", "", "", "", ""};
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" "1;Ловар-1Ф;S;1;Ловарис;1;1;n\n") << 1
                                         << QStringList{"1", "Ловар-1Ф", "S", "1", "Ловарис", "1", "1", "n"}
                                         << QStringList();
        QTest::newRow("empty file") << QByteArray() << 0 << QStringList() << QStringList();
        QByteArray many;
        for (int i = 0; i < 300; ++i)
            many += QByteArray::number(i + 1) + ";A;S;1;P;1;9600;\n";
        QTest::newRow("300 lines fill 256 rows") << many << 256 << QStringList{"1", "A", "S", "1", "P", "1", "9600", ""}
                                                 << QStringList{"2", "A", "S", "1", "P", "1", "9600", ""};
    }

    void rows_from_file()
    {
        QFETCH(QByteArray, content);
        const QVector<QStringList> rows = rows_of(content);
        QTEST(rows.size(), "count");
        if (rows.size() > 0)
            QTEST(rows.at(0), "row0");
        if (rows.size() > 1)
            QTEST(rows.at(1), "row1");
    }

    void export_lines_load_back()
    {
        const QStringList row{"1", "Ловар-1Ф", "S 1", "1", "Ловарис", "1", "9600", "line\r\nbreak", "1"};
        QCOMPARE(export_line(row), QStringLiteral("1;Ловар-1Ф;S 1;1;Ловарис;1;9600;line  break\n"));
        const QVector<QStringList> back = rows_of((export_line(row) + export_line(row)).toLocal8Bit());
        QCOMPARE(back.size(), 2);
        QCOMPARE(back.at(1), (QStringList{"1", "Ловар-1Ф", "S 1", "1", "Ловарис", "1", "9600", "line  break"}));
    }

    void export_file_name_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("name");
        QTest::newRow("serial") << "12345678" << "USPD_№_12345678_06_12_2026_14_05_09_канал_2.csv";
        QTest::newRow("not identified") << "" << "USPD_№__06_12_2026_14_05_09_канал_2.csv";
        QTest::newRow("path characters") << "../a\\b:c*?\"<>|\n" << "USPD_№_.._a_b_c________06_12_2026_14_05_09_канал_2.csv";
    }

    void export_file_name()
    {
        QFETCH(QString, serial);
        const QDateTime moment(QDate(2026, 12, 6), QTime(14, 5, 9));
        QTEST(device_list::export_file_name(serial, moment, "2"), "name");
    }

    void poll_values_data()
    {
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<int>("refusal");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("device") << QStringList{"513", "Брамиль 100", "S", "1", "P", "12", "9600", "", ""}
                                << int(PollRefusal::None) << QStringList{"7", "3", "12", "9600"};
        QTest::newRow("empty row") << QStringList{"", "", "", "", "", "", "", "", ""} << int(PollRefusal::EmptyRow)
                                   << QStringList();
        QTest::newRow("unknown model") << QStringList{"1", "Чужая", "S", "1", "P", "12", "9600", "", ""}
                                       << int(PollRefusal::UnknownModel) << QStringList();
        QTest::newRow("model without a number code") << QStringList{"1", "Без кода", "S", "1", "P", "1", "1", ""}
                                                      << int(PollRefusal::UnknownModel) << QStringList();
        QTest::newRow("address typed as text") << QStringList{"1", "Ловар-1Ф", "S", "1", "P", "1]}", "9600", ""}
                                               << int(PollRefusal::NotNumbers) << QStringList();
        QTest::newRow("short row") << QStringList{"1"} << int(PollRefusal::UnknownModel) << QStringList();
    }

    void poll_values()
    {
        QFETCH(QStringList, row);
        QStringList values;
        QTEST(int(device_list::poll_values(row, models, "3", &values)), "refusal");
        QTEST(values, "values");
    }
};

QTEST_GUILESS_MAIN(DeviceListTest)
#include "tst_device_list.moc"
