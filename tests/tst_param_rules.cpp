// The parameter rules that need no window: the catalogue, value conversions
// both ways, how long selections are split into requests, and the names of
// the settings files.

#include "params/catalogue.h"
#include "params/parameter_batches.h"
#include "params/parameter_values.h"
#include "params/settings_file.h"
#include "engine/requests.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

Q_DECLARE_METATYPE(params::ValueKind)

namespace {

params::Catalogue catalogue_of(const QByteArray &text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    return params::read_catalogue(buffer);
}

QJsonValue json_value(const char *text)
{
    // Wrapped in an array, since a bare value is not a JSON document.
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().first();
}

QStringList keys_of(const QByteArray &read_request)
{
    QStringList keys;
    for (const QJsonValue &key : QJsonDocument::fromJson(read_request).object().value("params").toArray())
        keys << key.toString();
    return keys;
}

} // namespace

class ParamRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void catalogue_lines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVector<int>>("page_sizes");
        QTest::newRow("one page") << QByteArray("k;Name;Float;RW;Основные") << QVector<int>{1, 0, 0, 0};
        QTest::newRow("two page words") << QByteArray("k;Name;Int;R;Сеть, Сервис") << QVector<int>{0, 1, 0, 1};
        QTest::newRow("tab title") << QByteArray("k;Name;Itf;RW;Интерфейсы") << QVector<int>{0, 0, 1, 0};
        QTest::newRow("extra fields") << QByteArray("k;Name;Int;R;Сервис;x;y") << QVector<int>{0, 0, 0, 1};
        QTest::newRow("header") << QByteArray("Ключ;Имя;Тип;Доступ;Вкладка") << QVector<int>{0, 0, 0, 0};
        QTest::newRow("four fields") << QByteArray("k;Name;Int;Основные") << QVector<int>{0, 0, 0, 0};
        QTest::newRow("blank line") << QByteArray("") << QVector<int>{0, 0, 0, 0};
        QTest::newRow("page word is case-sensitive") << QByteArray("k;N;Int;R;сеть") << QVector<int>{0, 0, 0, 0};
    }

    void catalogue_lines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVector<int>, page_sizes);
        // Between two good lines, so that a skipped line disturbs nothing.
        const params::Catalogue catalogue =
            catalogue_of("a;A;Int;R;Осн\n" + line + "\nb;B;Int;R;Осн\n");
        QCOMPARE(catalogue[0].size(), 2 + page_sizes[0]);
        for (int page = 1; page < params::page_count; ++page)
            QCOMPARE(catalogue[size_t(page)].size(), page_sizes[page]);
        QCOMPARE(catalogue[0].keys.first(), QStringLiteral("a"));
        QCOMPARE(catalogue[0].keys.last(), QStringLiteral("b"));
    }

    void catalogue_with_byte_order_mark_and_crlf()
    {
        const params::Catalogue catalogue =
            catalogue_of("\xEF\xBB\xBFtime;Дата и время;String;RW;Основные\r\nip;Адрес;Int[];W;Сеть\r\n");
        QCOMPARE(catalogue[0].keys, QStringList{"time"});
        QCOMPARE(catalogue[0].names, QStringList{"Дата и время"});
        QCOMPARE(catalogue[0].types, QStringList{"String"});
        QCOMPARE(catalogue[0].access, QStringList{"RW"});
        QCOMPARE(catalogue[1].keys, QStringList{"ip"});
        QCOMPARE(catalogue[1].access, QStringList{"W"});
    }

    void cell_texts_data()
    {
        QTest::addColumn<params::ValueKind>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        using K = params::ValueKind;
        QTest::newRow("float, six digits") << K::Float << "1234567" << "1.23457e+06";
        QTest::newRow("float 0.1") << K::Float << "0.1" << "0.1";
        QTest::newRow("float 2.5") << K::Float << "2.5" << "2.5";
        QTest::newRow("float given as text") << K::Float << "\"2.5\"" << "0";
        QTest::newRow("int[] numbers") << K::IntArray << "[192,168,0,1]" << "192.168.0.1";
        QTest::newRow("int[] 1 2 3") << K::IntArray << "[1,2,3]" << "1.2.3";
        QTest::newRow("int[] empty") << K::IntArray << "[]" << "";
        QTest::newRow("int[] texts") << K::IntArray << "[\"10\",\"x\"]" << "10.x";
        QTest::newRow("int[] not an array") << K::IntArray << "7" << "";
        QTest::newRow("int") << K::Int << "42" << "42";
        QTest::newRow("int negative") << K::Int << "-5" << "-5";
        QTest::newRow("int beyond 32 bits") << K::Int << "3000000000" << "3000000000";
        QTest::newRow("int with a fraction") << K::Int << "2.5" << "2.5";
        QTest::newRow("int given as text") << K::Int << "\"12\"" << "0";
        QTest::newRow("int null") << K::Int << "null" << "0";
        QTest::newRow("string") << K::String << "\"abc\"" << "abc";
        QTest::newRow("string given as number") << K::String << "5" << "";
    }

    void cell_texts()
    {
        QFETCH(params::ValueKind, kind);
        QFETCH(QString, value);
        QFETCH(QString, text);
        QCOMPARE(params::cell_text(kind, json_value(value.toUtf8().constData())), text);
    }

    void missing_values_read_as_empty()
    {
        const QJsonValue missing = QJsonObject().value("k");
        QCOMPARE(params::cell_text(params::ValueKind::String, missing), QString());
        QCOMPARE(params::cell_text(params::ValueKind::Int, missing), QStringLiteral("0"));
        QCOMPARE(params::cell_text(params::ValueKind::Float, missing), QStringLiteral("0"));
        QCOMPARE(params::cell_text(params::ValueKind::IntArray, missing), QString());
        // A huge array is joined whole, without a limit of its own.
        QJsonArray many;
        for (int i = 0; i < 100000; ++i)
            many.append(1);
        QCOMPARE(params::cell_text(params::ValueKind::IntArray, many).size(), 2 * 100000 - 1);
    }

    void kinds_by_type_text()
    {
        using K = params::ValueKind;
        QCOMPARE(params::value_kind("String"), K::String);
        QCOMPARE(params::value_kind("Int[]"), K::IntArray);
        QCOMPARE(params::value_kind("Int"), K::Int);
        QCOMPARE(params::value_kind("Float"), K::Float);
        QCOMPARE(params::value_kind("Uart"), K::Uart);
        QCOMPARE(params::value_kind("Itf"), K::Itf);
        QCOMPARE(params::value_kind("Bool"), K::Int);
        QCOMPARE(params::editor_kind("Uart"), params::EditorKind::Uart);
        QCOMPARE(params::editor_kind("Itf"), params::EditorKind::Itf);
        QCOMPARE(params::editor_kind("Int[]"), params::EditorKind::Plain);
    }

    void uart_values_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<int>("data_bits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stop_bits");
        QTest::newRow("19200_7E2") << "19200_7E2" << "19200" << 0 << 1 << 1;
        QTest::newRow("9600_8N1") << "9600_8N1" << "9600" << 1 << 0 << 0;
        QTest::newRow("9600_8O2") << "9600_8O2" << "9600" << 1 << 2 << 1;
        QTest::newRow("speed only") << "4800" << "4800" << -1 << -1 << -1;
        QTest::newRow("empty") << "" << "" << -1 << -1 << -1;
        QTest::newRow("empty frame") << "1200_" << "1200" << -1 << -1 << -1;
        QTest::newRow("more parts") << "1200_7N1_x" << "1200" << 0 << 0 << 0;
    }

    void uart_values()
    {
        QFETCH(QString, value);
        QFETCH(QString, speed);
        QFETCH(int, data_bits);
        QFETCH(int, parity);
        QFETCH(int, stop_bits);
        const params::UartSetting setting = params::decode_uart(value);
        QCOMPARE(setting.speed, speed);
        QCOMPARE(setting.data_bits, data_bits);
        QCOMPARE(setting.parity, parity);
        QCOMPARE(setting.stop_bits, stop_bits);
    }

    void uart_and_itf_round_trip()
    {
        const QStringList bits = params::uart_bits_items();
        const QStringList parity = params::uart_parity_items();
        const QStringList stop = params::uart_stop_items();
        QCOMPARE(params::encode_uart("9600", bits[1], parity[0], stop[0]), QStringLiteral("9600_8N1"));
        QCOMPARE(params::encode_uart("", bits[0], parity[1], stop[1]), QStringLiteral("_7E2"));
        QCOMPARE(params::encode_uart("57600", bits[0], parity[2], stop[1]), QStringLiteral("57600_7O2"));

        const QStringList items = params::itf_items();
        QCOMPARE(items.size(), 7);
        QCOMPARE(params::itf_index(items, "485"), 1);
        QCOMPARE(params::itf_index(items, "232"), 2);
        QCOMPARE(params::itf_index(items, ""), 6);
        QCOMPARE(params::itf_index(items, "RS-4"), 1);
        QCOMPARE(params::itf_index(items, "X25"), -1);
        QStringList codes;
        for (const QString &item : items)
            codes << params::itf_code(item);
        QCOMPARE(codes, (QStringList{"NON", "485", "232", "CAN", "ETH", "GSM", "USB"}));
    }

    void write_values_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // JSON, "undefined" for none
        QTest::newRow("Int[] as strings") << "Int[]" << "192.168.0.1" << R"(["192","168","0","1"])";
        QTest::newRow("Int[] empty parts kept") << "Int[]" << "1..2" << R"(["1","","2"])";
        QTest::newRow("Int") << "Int" << "42" << "42";
        QTest::newRow("Int beyond 32 bits") << "Int" << "3000000000" << "3000000000";
        QTest::newRow("Int not a number") << "Int" << "abc" << "0";
        QTest::newRow("Int with a fraction") << "Int" << "2.5" << "0";
        QTest::newRow("Float") << "Float" << "2.5" << "2.5";
        QTest::newRow("Float not a number") << "Float" << "x" << "0";
        QTest::newRow("Float infinite") << "Float" << "inf" << "0";
        QTest::newRow("String") << "String" << "ТП-1 \"A\"" << "\"ТП-1 \\\"A\\\"\"";
        QTest::newRow("Itf") << "Itf" << "ignored" << R"("485")";
        QTest::newRow("Uart") << "Uart" << "ignored" << R"("9600_8N1")";
        QTest::newRow("unknown type") << "Bool" << "1" << "undefined";
    }

    void write_values()
    {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const params::WriteSource source{text, QStringLiteral("485 – интерфейс RS-485"), QStringLiteral("9600_8N1")};
        const QJsonValue value = params::write_value(type, source);
        if (expected == QLatin1String("undefined"))
            QVERIFY(value.isUndefined());
        else
            QCOMPARE(value, json_value(expected.toUtf8().constData()));
    }

    void read_selection()
    {
        const QStringList access{"R", "W", "RW", "R"};
        params::ReadSelection selection = params::select_read_rows(access, {true, false, true, true});
        QCOMPARE(selection.rows, (QVector<int>{0, 2, 3}));
        QVERIFY(!selection.refused);
        // A checked row that may not be read refuses the read and queues nothing.
        selection = params::select_read_rows(access, {true, true, true, false});
        QVERIFY(selection.refused);
        QVERIFY(selection.rows.isEmpty());
        QVERIFY(params::select_read_rows(access, {}).rows.isEmpty());
    }

    void read_requests_split_at_149_characters_data()
    {
        QTest::addColumn<int>("key_count");
        QTest::addColumn<int>("key_length");
        QTest::newRow("three short keys") << 3 << 4;
        QTest::newRow("25 keys") << 25 << 10;
        QTest::newRow("long keys") << 6 << 120;
        QTest::newRow("none") << 0 << 4;
    }

    void read_requests_split_at_149_characters()
    {
        QFETCH(int, key_count);
        QFETCH(int, key_length);
        QStringList keys;
        QVector<int> queue;
        for (int i = 0; i < key_count; ++i) {
            keys << QStringLiteral("k%1").arg(i, key_length - 1, 10, QLatin1Char('0'));
            queue << i;
        }
        QStringList asked;
        int requests = 0;
        do {
            const params::ReadStep step = params::next_read_request(keys, queue);
            const QStringList step_keys = keys_of(step.request);
            QCOMPARE(step_keys.size(), step.row_count);
            // Every request but the last is cut by the key that crossed the limit.
            if (step.row_count < queue.size()) {
                QVERIFY(step.request.size() > params::read_request_limit);
                QVERIFY(requests::parameter_read(step_keys.mid(0, step_keys.size() - 1)).size()
                        <= params::read_request_limit);
            }
            asked << step_keys;
            queue.remove(0, step.row_count);
            ++requests;
        } while (!queue.isEmpty());
        QCOMPARE(asked, keys);
        if (key_count == 3)
            QCOMPARE(requests, 1);
    }

    void read_request_with_rows_beyond_the_page()
    {
        // After a change of page the queue may name rows the page lacks.
        const params::ReadStep step = params::next_read_request({"a", "b"}, {1, 5, 0});
        QCOMPARE(step.row_count, 3);
        QCOMPARE(keys_of(step.request), (QStringList{"b", "a"}));
    }

    void write_requests_split_at_150_characters()
    {
        QVector<params::WriteRow> rows;
        for (int row = 0; row < 30; ++row) {
            if (row % 3 != 1) // unchecked rows are not offered
                rows.append({row, QStringLiteral("value_%1").arg(row, 2, 10, QLatin1Char('0')), true, 1000 + row});
        }
        QStringList written;
        int from = 0;
        int requests = 0;
        while (from < 30) {
            QVector<params::WriteRow> remaining;
            for (const params::WriteRow &row : rows) {
                if (row.row >= from)
                    remaining.append(row);
            }
            const params::WriteStep step = params::next_write_request(remaining, 30);
            QVERIFY(!step.refused);
            const QJsonObject values = QJsonDocument::fromJson(step.request).object();
            QVERIFY(!values.isEmpty()); // no empty request at the end
            if (step.next_row < 30)
                QVERIFY(step.request.size() >= params::write_request_limit);
            written << values.keys();
            QVERIFY(step.next_row > from);
            from = step.next_row;
            ++requests;
        }
        QStringList expected;
        for (const params::WriteRow &row : rows)
            expected << row.key;
        QCOMPARE(written, expected);
        QVERIFY(requests > 1);
    }

    void write_request_refusals_and_empty_selection()
    {
        const params::WriteStep empty = params::next_write_request({}, 12);
        QCOMPARE(empty.request, QByteArray("{\n}\n"));
        QCOMPARE(empty.next_row, 12);

        const params::WriteStep refused =
            params::next_write_request({{0, "a", true, 1}, {3, "b", false, 2}, {4, "c", true, 3}}, 5);
        QVERIFY(refused.refused);

        // A type without a mark adds nothing for its row.
        const params::WriteStep nothing = params::next_write_request({{2, "a", true, QJsonValue(QJsonValue::Undefined)}}, 5);
        QVERIFY(!nothing.refused);
        QCOMPARE(nothing.request, QByteArray("{\n}\n"));
    }

    void settings_file_names_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "123" << "Считанные параметры_УСПД_123_дата_06_12_2026.txt";
        QTest::newRow("empty") << "" << "Считанные параметры_УСПД__дата_06_12_2026.txt";
        QTest::newRow("path") << "../../etc/x" << "Считанные параметры_УСПД_.._.._etc_x_дата_06_12_2026.txt";
        QTest::newRow("windows path") << "C:\\a*?\"<>|" << "Считанные параметры_УСПД_C__a_______дата_06_12_2026.txt";
        QTest::newRow("control") << QString("a\nb") + QChar(0) << "Считанные параметры_УСПД_a_b__дата_06_12_2026.txt";
    }

    void settings_file_names()
    {
        QFETCH(QString, serial);
        QFETCH(QString, name);
        const QDateTime now(QDate(2026, 12, 6), QTime(23, 59, 1));
        QCOMPARE(params::settings_file_name(serial, now), name);
        QCOMPARE(params::factory_file_name(), QStringLiteral("Заводские настройки.txt"));
    }

    void clock_text_keeps_the_wall_clock()
    {
        const QDate day(2026, 12, 6);
        const QTime time(14, 5, 9, 750);
        QCOMPARE(params::clock_text(QDateTime(day, time)), QStringLiteral("2026-12-06 14:05:09"));
        QCOMPARE(params::clock_text(QDateTime(day, time, Qt::OffsetFromUTC, 5 * 3600)),
                 QStringLiteral("2026-12-06 14:05:09"));
        QCOMPARE(params::clock_text(QDateTime(day, time, Qt::UTC)), QStringLiteral("2026-12-06 14:05:09"));
    }
};

QTEST_GUILESS_MAIN(ParamRulesTest)
#include "tst_param_rules.moc"
