// The parameter rules that need no window: the catalogue, value conversions
// both ways, the splitting of long selections and the settings file names.

#include "engine/requests.h"
#include "params/catalogue.h"
#include "params/parameter_batches.h"
#include "params/parameter_values.h"
#include "params/settings_file.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(params::ValueKind)

namespace {

QJsonValue json_value(const QString &text)
{
    return QJsonDocument::fromJson("[" + text.toUtf8() + "]").array().first();
}

QStringList keys_asked(const QByteArray &read_request)
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
        QTest::addColumn<QVector<int>>("added"); // rows added to pages 0 to 3
        QTest::newRow("one page") << QByteArray("k;Имя;Float;RW;Основные") << QVector<int>{1, 0, 0, 0};
        QTest::newRow("two page words") << QByteArray("k;N;Int;R;Сеть, Сервис") << QVector<int>{0, 1, 0, 1};
        QTest::newRow("extra fields") << QByteArray("k;N;Itf;R;Интерфейсы;x") << QVector<int>{0, 0, 1, 0};
        QTest::newRow("header") << QByteArray("Ключ;Имя;Тип;Доступ;Вкладка") << QVector<int>{0, 0, 0, 0};
        QTest::newRow("four fields") << QByteArray("k;N;Int;Основные") << QVector<int>{0, 0, 0, 0};
        QTest::newRow("blank") << QByteArray("") << QVector<int>{0, 0, 0, 0};
    }

    void catalogue_lines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVector<int>, added);
        // Between two good lines, in UTF-8 with a byte-order mark and CRLF.
        QBuffer file;
        file.setData("\xEF\xBB\xBF" "a;Дата;String;RW;Осн\r\n" + line + "\r\nb;B;Int;W;Осн\r\n");
        file.open(QIODevice::ReadOnly | QIODevice::Text);
        const params::Catalogue catalogue = params::read_catalogue(file);
        QCOMPARE(catalogue[0].keys.first(), QStringLiteral("a"));
        QCOMPARE(catalogue[0].names.first(), QStringLiteral("Дата"));
        QCOMPARE(catalogue[0].access.last(), QStringLiteral("W"));
        for (int page = 0; page < params::page_count; ++page)
            QCOMPARE(catalogue[size_t(page)].size(), added[page] + (page == 0 ? 2 : 0));
    }

    void cell_texts_data()
    {
        QTest::addColumn<params::ValueKind>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("text");
        using K = params::ValueKind;
        QTest::newRow("Float, six digits") << K::Float << "1234567" << "1.23457e+06";
        QTest::newRow("Float as text") << K::Float << "\"2.5\"" << "0";
        QTest::newRow("Int[]") << K::IntArray << "[1,2,3]" << "1.2.3";
        QTest::newRow("Int[] of texts") << K::IntArray << "[\"10\",\"x\"]" << "10.x";
        QTest::newRow("Int[] not an array") << K::IntArray << "7" << "";
        QTest::newRow("Int beyond 32 bits") << K::Int << "3000000000" << "3000000000";
        QTest::newRow("Int with a fraction") << K::Int << "2.5" << "2.5";
        QTest::newRow("Int as text") << K::Int << "\"12\"" << "0";
        QTest::newRow("String as number") << K::String << "5" << "";
    }

    void cell_texts()
    {
        QFETCH(params::ValueKind, kind);
        QFETCH(QString, value);
        QFETCH(QString, text);
        QCOMPARE(params::cell_text(kind, json_value(value)), text);
    }

    void uart_values_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("decoded"); // speed, data bits, parity, stop bits
        QTest::newRow("19200_7E2") << "19200_7E2" << "19200 0 1 1";
        QTest::newRow("speed only") << "4800" << "4800 -1 -1 -1";
        QTest::newRow("empty frame") << "1200_" << "1200 -1 -1 -1";
    }

    void uart_values()
    {
        QFETCH(QString, value);
        QFETCH(QString, decoded);
        const params::UartSetting s = params::decode_uart(value);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(s.speed).arg(s.data_bits).arg(s.parity).arg(s.stop_bits), decoded);
    }

    void itf_choices()
    {
        const QStringList items = params::itf_items();
        QCOMPARE(params::itf_index(items, "485"), 1);
        QCOMPARE(params::itf_index(items, ""), 6); // the last item
        QCOMPARE(params::itf_index(items, "X25"), -1);
        QCOMPARE(params::itf_code(items[6]), QStringLiteral("USB"));
    }

    void write_values_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sent"); // JSON, empty for nothing
        QTest::newRow("Int[] as strings") << "Int[]" << "192.168.0.1" << R"(["192","168","0","1"])";
        QTest::newRow("Int") << "Int" << "3000000000" << "3000000000";
        QTest::newRow("Int not a number") << "Int" << "2.5" << "0";
        QTest::newRow("Float infinite") << "Float" << "inf" << "0";
        QTest::newRow("Itf") << "Itf" << "" << R"("485")";
        QTest::newRow("Uart") << "Uart" << "" << R"("9600_8N1")";
        QTest::newRow("no mark") << "Bool" << "1" << "";
    }

    void write_values()
    {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(QString, sent);
        const QJsonValue value = params::write_value(type, {text, params::itf_items()[1], "9600_8N1"});
        QCOMPARE(value, sent.isEmpty() ? QJsonValue(QJsonValue::Undefined) : json_value(sent));
    }

    void read_requests_split_after_149_characters_data()
    {
        QTest::addColumn<int>("key_count");
        QTest::addColumn<int>("key_length");
        QTest::addColumn<int>("requests");
        QTest::newRow("three short keys") << 3 << 4 << 1;
        QTest::newRow("25 keys") << 25 << 10 << 5;
        QTest::newRow("long keys") << 3 << 120 << 3;
    }

    void read_requests_split_after_149_characters()
    {
        QFETCH(int, key_count);
        QFETCH(int, key_length);
        QFETCH(int, requests);
        QStringList keys;
        QVector<int> queue;
        for (int i = 0; i < key_count; ++i) {
            keys << QStringLiteral("k%1").arg(i, key_length - 1, 10, QLatin1Char('0'));
            queue << i;
        }
        QStringList asked;
        int sent = 0;
        for (; !queue.isEmpty(); ++sent) {
            const params::ReadStep step = params::next_read_request(keys, queue);
            const QStringList step_keys = keys_asked(step.request);
            QCOMPARE(step_keys.size(), step.row_count);
            if (step.row_count < queue.size()) { // cut by the key that crossed the limit
                QVERIFY(step.request.size() > params::read_request_limit);
                QVERIFY(requests::parameter_read(step_keys.mid(0, step.row_count - 1)).size() <= 149);
            }
            asked << step_keys;
            queue.remove(0, step.row_count);
        }
        QCOMPARE(asked, keys);
        QCOMPARE(sent, requests);
        // Rows the page lacks (the page changed under a read) are taken, not asked.
        const params::ReadStep step = params::next_read_request({"a", "b"}, {1, 5, 0});
        QCOMPARE(step.row_count, 3);
        QCOMPARE(keys_asked(step.request), (QStringList{"b", "a"}));
        // A checked row that may not be read refuses the read and queues nothing.
        QCOMPARE(params::select_read_rows({"R", "W", "RW"}, {true, false, true}).rows, (QVector<int>{0, 2}));
        const params::ReadSelection refused = params::select_read_rows({"R", "W"}, {true, true});
        QVERIFY(refused.refused && refused.rows.isEmpty());
    }

    void write_request_refusal_and_empty_selection()
    {
        QVERIFY(params::next_write_request({{0, "a", true, 1}, {3, "b", false, 2}}, 5).refused);
        const params::WriteStep empty = params::next_write_request({}, 12);
        QCOMPARE(empty.request, QByteArray("{\n}\n"));
        QCOMPARE(empty.next_row, 12);
        // A request cut at the last checked row is the last: no empty one follows.
        const QString key(150, QLatin1Char('k'));
        QCOMPARE(params::next_write_request({{1, key, true, 1}, {3, key + "2", true, 2}}, 9).next_row, 2);
        QCOMPARE(params::next_write_request({{3, key + "2", true, 2}}, 9).next_row, 9);
    }

    void settings_files_are_read_within_a_limit()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("big.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(params::settings_file_limit + 1));
        file.close();
        QString text;
        QVERIFY(!params::read_settings_text(file.fileName(), &text));
        QVERIFY(!params::read_settings_text(QString(), &text));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("{}") == 2);
        file.close();
        QVERIFY(params::read_settings_text(file.fileName(), &text));
        QCOMPARE(text, QStringLiteral("{}"));
    }

    void settings_file_names_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("part");
        QTest::newRow("path") << "../../etc/x" << ".._.._etc_x";
        QTest::newRow("reserved and control") << QString("C:\\a*?\"<>|\n") + QChar(0) << "C__a________";
    }

    void settings_file_names()
    {
        QFETCH(QString, serial);
        QFETCH(QString, part);
        QCOMPARE(params::settings_file_name(serial, QDateTime(QDate(2026, 12, 6), QTime(23, 59))),
                 "Считанные параметры_УСПД_" + part + "_дата_06_12_2026.txt");
    }

    void clock_text_keeps_the_wall_clock()
    {
        const QDate day(2026, 12, 6);
        const QTime time(14, 5, 9, 750);
        for (const QDateTime &now : {QDateTime(day, time), QDateTime(day, time, Qt::OffsetFromUTC, 5 * 3600)})
            QCOMPARE(params::clock_text(now), QStringLiteral("2026-12-06 14:05:09"));
    }
};

QTEST_GUILESS_MAIN(ParamRulesTest)
#include "tst_param_rules.moc"
