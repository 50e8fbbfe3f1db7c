// The parameter rules that need no window: the catalogue, value conversions
// both ways, the splitting of long selections and the settings files.

#include "params/catalogue.h"
#include "params/comparison_rules.h"
#include "params/parameter_batches.h"
#include "params/parameter_values.h"
#include "params/settings_file_rules.h"
#include "support/harness.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QStringList keys_asked(const QByteArray &read_request)
{
    return QJsonDocument::fromJson(read_request).object().value("params").toVariant().toStringList();
}

// Every rule as text in, text out, so that one table holds them all.
QString apply(const QString &rule, const QString &input)
{
    const QString type = rule.section(QLatin1Char(' '), 1);
    if (rule == "catalogue") { // the line between two good lines, in UTF-8 with a byte-order mark and CRLF
        QBuffer file;
        file.setData("\xEF\xBB\xBF"
                     "a;Дата;String;RW;Осн\r\n"
                     + input.toUtf8() + "\r\nb;B;Int;W;Осн\r\n");
        file.open(QIODevice::ReadOnly | QIODevice::Text);
        const params::Catalogue catalogue = params::read_catalogue(file);
        // Fields of the good lines, then the rows of pages 0 to 3.
        const ParamPage &first = catalogue[0];
        QString text = first.keys.first() + ' ' + first.names.first() + ' ' + first.access.last() + ':';
        for (const ParamPage &page : catalogue)
            text += ' ' + QString::number(page.size());
        return text;
    }
    if (rule.startsWith("cell")) // a reply's value in a plain cell of `type`
        return params::cell_text(params::value_kind(type), QJsonDocument::fromJson("[" + input.toUtf8() + "]")[0]);
    if (rule.startsWith("write")) { // the row's text sent as `type`; Itf box on "485", Uart editor on 9600_8N1
        const QJsonValue value = params::write_value(type, {input, params::itf_items()[1], "9600_8N1"});
        return value.isUndefined() ? "nothing" : QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    }
    if (rule == "uart") { // speed, data bits, parity, stop bits
        const params::UartSetting s = params::decode_uart(input);
        return QStringLiteral("%1 %2 %3 %4").arg(s.speed).arg(s.data_bits).arg(s.parity).arg(s.stop_bits);
    }
    if (rule == "itf") { // the item chosen and its code
        const QStringList items = params::itf_items();
        const int index = params::itf_index(items, input);
        return QString::number(index) + (index < 0 ? QString() : ' ' + params::itf_code(items[index]));
    }
    if (rule == "read") { // "25x10": 25 keys of 10 characters; the rows each request takes
        QStringList keys, asked, taken;
        QVector<int> queue;
        for (int i = 0; i < input.section('x', 0, 0).toInt(); ++i) {
            keys << QStringLiteral("k%1").arg(i, input.section('x', 1).toInt() - 1, 10, QLatin1Char('0'));
            queue << i;
        }
        while (!queue.isEmpty()) {
            const params::ReadStep step = params::next_read_request(keys, queue);
            const QStringList step_keys = keys_asked(step.request);
            // "!": a request that does not ask for the rows it takes.
            const bool right = step.row_count > 0 && step_keys.size() == step.row_count;
            taken << QString::number(step.row_count) + (right ? "" : "!");
            if (!right)
                return taken.join(' ');
            asked << step_keys;
            queue.remove(0, step.row_count);
        }
        return (asked == keys ? "" : "not each key once in order: ") + taken.join(' ');
    }
    if (rule == "tally") { // "file | controller" objects: the status line over rows of every kind
        const auto side = [&](int n) { return QJsonDocument::fromJson(input.section('|', n, n).toUtf8()).object(); };
        params::Catalogue catalogue;
        const QStringList keys = {"time", "ip", "ro", "wo", "n", "m", "f"};
        catalogue[0] = {keys, keys, QString("String Int[] Int Int Int Int Float").split(' '),
                        QString("RW RW R W RW RW RW").split(' ')};
        return params::comparison_text(params::compare_settings(catalogue, side(0), side(1)));
    }
    if (rule.startsWith("compare")) { // "file value | controller value", "-" for none, in a row of `type` [key]
        const QString key = type.section(' ', 2).isEmpty() ? "k" : type.section(' ', 2);
        const auto member = [&](int side, QJsonObject *object) { // parsed whole: an insert rounds to a double
            const QString value = input.section(QLatin1Char('|'), side, side).trimmed();
            if (value != QLatin1String("-"))
                *object = QJsonDocument::fromJson(QString("{\"%1\":%2}").arg(key, value).toUtf8()).object();
        };
        QJsonObject file, controller;
        member(0, &file);
        member(1, &controller);
        params::Catalogue catalogue;
        catalogue[2] = {
            {"other", key}, {"Другой", "Ключ"}, {"Int", type.section(' ', 0, 0)}, {"RW", type.section(' ', 1, 1)}};
        const params::Comparison comparison = params::compare_settings(catalogue, file, controller);
        if (comparison.differences.isEmpty())
            return params::comparison_text(comparison);
        const params::Difference &d = comparison.differences.first();
        return QStringLiteral("%1 %2 %3: %4 / %5")
                   .arg(d.page)
                   .arg(d.row)
                   .arg(d.name, d.file_value, params::difference_tip(d))
               + (d.to_write() ? " +flag" : "");
    }
    if (rule == "file name")
        return params::settings_file_name(input, QDateTime(QDate(2026, 12, 6), QTime(23, 59)));
    return params::clock_text(QDateTime::fromString(input, Qt::ISODateWithMs));
}

} // namespace

class ParamRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("catalogue: one page") << "catalogue"
                                             << "k;Имя;Float;RW;Основные"
                                             << "a Дата W: 3 0 0 0";
        QTest::newRow("catalogue: two page words") << "catalogue"
                                                   << "k;N;Int;R;Сеть, Сервис"
                                                   << "a Дата W: 2 1 0 1";
        QTest::newRow("catalogue: extra fields") << "catalogue"
                                                 << "k;N;Itf;R;Интерфейсы;x"
                                                 << "a Дата W: 2 0 1 0";
        QTest::newRow("catalogue: header") << "catalogue"
                                           << "Ключ;Имя;Тип;Доступ;Вкладка"
                                           << "a Дата W: 2 0 0 0";
        QTest::newRow("catalogue: four fields") << "catalogue"
                                                << "k;N;Int;Основные"
                                                << "a Дата W: 2 0 0 0";
        QTest::newRow("catalogue: blank") << "catalogue"
                                          << ""
                                          << "a Дата W: 2 0 0 0";
        QTest::newRow("cell: Float, six digits") << "cell Float"
                                                 << "1234567"
                                                 << "1.23457e+06";
        QTest::newRow("cell: Float as text") << "cell Float"
                                             << "\"2.5\""
                                             << "0";
        QTest::newRow("cell: Int[]") << "cell Int[]"
                                     << "[1,2,3]"
                                     << "1.2.3";
        QTest::newRow("cell: Int[] of texts") << "cell Int[]"
                                              << "[\"10\",\"x\"]"
                                              << "10.x";
        QTest::newRow("cell: Int[] not an array") << "cell Int[]"
                                                  << "7"
                                                  << "";
        QTest::newRow("cell: Int[] as dotted text") << "cell Int[]"
                                                    << "\"192.168.0.1\""
                                                    << "192.168.0.1";
        QTest::newRow("cell: Int beyond 32 bits") << "cell Int"
                                                  << "3000000000"
                                                  << "3000000000";
        QTest::newRow("cell: Int with a fraction") << "cell Int"
                                                   << "2.5"
                                                   << "2.5";
        QTest::newRow("cell: Int as text") << "cell Int"
                                           << "\"12\""
                                           << "0";
        QTest::newRow("cell: String as number") << "cell String"
                                                << "5"
                                                << "";
        QTest::newRow("uart: 19200_7E2") << "uart"
                                         << "19200_7E2"
                                         << "19200 0 1 1";
        QTest::newRow("uart: speed only") << "uart"
                                          << "4800"
                                          << "4800 -1 -1 -1";
        QTest::newRow("uart: empty frame") << "uart"
                                           << "1200_"
                                           << "1200 -1 -1 -1";
        QTest::newRow("itf: the last item containing it") << "itf"
                                                          << "485"
                                                          << "1 485";
        QTest::newRow("itf: empty, the last item") << "itf"
                                                   << ""
                                                   << "6 USB";
        QTest::newRow("itf: none") << "itf"
                                   << "X25"
                                   << "-1";
        QTest::newRow("write: Int[] as strings") << "write Int[]"
                                                 << "192.168.0.1"
                                                 << R"([["192","168","0","1"]])";
        QTest::newRow("write: Int") << "write Int"
                                    << "3000000000"
                                    << "[3000000000]";
        QTest::newRow("write: Int not a number") << "write Int"
                                                 << "2.5"
                                                 << "[0]";
        QTest::newRow("write: Float infinite") << "write Float"
                                               << "inf"
                                               << "[0]";
        QTest::newRow("write: Itf") << "write Itf"
                                    << ""
                                    << R"(["485"])";
        QTest::newRow("write: Uart") << "write Uart"
                                     << ""
                                     << R"(["9600_8N1"])";
        QTest::newRow("write: no mark") << "write Bool"
                                        << "1"
                                        << "nothing";
        // The controller against a settings file, as the pages show both.
        const QString same = "Отличий нет";
        QTest::newRow("compare: Int[] array and dotted text") << "compare Int[] RW"
                                                              << R"([192,168,0,1] | "192.168.0.1")" << same;
        QTest::newRow("compare: Int[] of texts") << "compare Int[] RW"
                                                 << R"(["10","0","0","7"] | [10,0,0,7])" << same;
        QTest::newRow("compare: Int 5 and 5.0") << "compare Int RW"
                                                << "5.0 | 5" << same;
        QTest::newRow("compare: Float to six digits") << "compare Float RW"
                                                      << "1234567 | 1234571"
                                                      << "2 1 Ключ: 1234567 / В контроллере: 1234571 +flag";
        QTest::newRow("compare: Float at full precision") << "compare Float RW"
                                                          << "1.0023456 | 1.0023461"
                                                          << "2 1 Ключ: 1.0023456 / В контроллере: 1.0023461 +flag";
        QTest::newRow("compare: Int exact to 64 bits")
            << "compare Int RW"
            << "9007199254740993 | 9007199254740992"
            << "2 1 Ключ: 9007199254740993 / В контроллере: 9007199254740992 +flag";
        QTest::newRow("compare: Int as digits in the file") << "compare Int RW"
                                                            << R"("-12" | -12)" << same;
        QTest::newRow("compare: Uart by its boxes") << "compare Uart RW"
                                                    << R"("9600_N81" | "9600_8N1")" << same;
        QTest::newRow("compare: Itf by its item") << "compare Itf RW"
                                                  << R"("485" | "RS-485")" << same;
        const QString no_key = "В файле нет параметров этого контроллера";
        QTest::newRow("compare: key only in the controller") << "compare Int RW"
                                                             << "- | 5" << no_key;
        QTest::newRow("compare: key in neither") << "compare Int RW"
                                                 << "- | -" << no_key;
        const QString nothing = "Нечего сравнивать: в файле только время и параметры для записи";
        QTest::newRow("compare: the clock") << "compare String RW time"
                                            << R"("1" | "2")" << nothing;
        QTest::newRow("compare: write-only") << "compare Int W"
                                             << "1 | 2" << nothing;
        QTest::newRow("compare: per-unit") << "compare Int[] RW ip"
                                           << R"("10.0.0.7" | [10,0,0,8])"
                                           << "2 1 Ключ: 10.0.0.7 / Свой для каждого контроллера: не записывается "
                                              "из шаблона\nВ файле: 10.0.0.7";
        // A value the row cannot take: marked as it stands in the file, never flagged.
        const QString unfit = "2 1 Ключ: %1 / Значение в файле не подходит: %1";
        QTest::newRow("compare: Int a word") << "compare Int RW"
                                             << R"("thirty" | 5)" << unfit.arg("\"thirty\"");
        QTest::newRow("compare: Int a fraction") << "compare Int RW"
                                                 << "2.5 | 2" << unfit.arg("2.5");
        QTest::newRow("compare: Int past 64 bits") << "compare Int RW"
                                                   << "1e19 | 5" << unfit.arg("10000000000000000000");
        QTest::newRow("compare: Float as text") << "compare Float RW"
                                                << R"("2.5" | 2.5)" << unfit.arg("\"2.5\"");
        QTest::newRow("compare: Int[] of a word") << "compare Int[] RW"
                                                  << R"([1,"x"] | [1,2])" << unfit.arg("[1,\"x\"]");
        QTest::newRow("compare: Int[] dotted with a word") << "compare Int[] RW"
                                                           << R"("10.0.x" | [1])" << unfit.arg("\"10.0.x\"");
        QTest::newRow("compare: Itf a number") << "compare Itf RW"
                                               << R"(485 | "485")" << unfit.arg("485");
        QTest::newRow("compare: String a number") << "compare String RW"
                                                  << R"(5 | "5")" << unfit.arg("5");
        // The status line: flagged rows, then the other kinds that occur.
        QTest::newRow("tally: every kind")
            << "tally"
            << R"({"time":"x","ip":"1.2.3.4","ro":1,"wo":1,"n":2,"m":3,"f":"x"} | {"time":"y","ip":[1,2,3,5],"ro":2,"n":3,"m":4,"f":1})"
            << "Отличий: 2; только для чтения: 1; свои для контроллера: 1; не подходят: 1";
        QTest::newRow("tally: read-only apart") << "tally"
                                                << R"({"n":3,"ro":1} | {"n":3,"ro":2})"
                                                << "Отличий нет; только для чтения: 1";
        QTest::newRow("tally: only unusable") << "tally"
                                              << R"({"n":"x"} | {"n":3})"
                                              << "Отличий: 0; не подходят: 1";
        QTest::newRow("compare: Int differs") << "compare Int RW"
                                              << "5 | 6"
                                              << "2 1 Ключ: 5 / В контроллере: 6 +flag";
        QTest::newRow("compare: Int as text") << "compare Int RW"
                                              << R"(5 | "5")"
                                              << "2 1 Ключ: 5 / В контроллере: 0 +flag";
        QTest::newRow("compare: String differs") << "compare String RW"
                                                 << R"("ТП-1" | "ТП-2")"
                                                 << "2 1 Ключ: ТП-1 / В контроллере: ТП-2 +flag";
        QTest::newRow("compare: Int[] differs") << "compare Int[] RW"
                                                << R"("10.0.0.7" | [10,0,0,8])"
                                                << "2 1 Ключ: 10.0.0.7 / В контроллере: 10.0.0.8 +flag";
        QTest::newRow("compare: Uart differs") << "compare Uart RW"
                                               << R"("9600_8N1" | "19200_7E2")"
                                               << "2 1 Ключ: 9600_8N1 / В контроллере: 19200_7E2 +flag";
        QTest::newRow("compare: Uart speed only") << "compare Uart RW"
                                                  << R"("4800" | "4800_8N1")" << unfit.arg("\"4800\"");
        QTest::newRow("compare: Itf differs") << "compare Itf RW"
                                              << R"("232" | "485")"
                                              << "2 1 Ключ: 232 – интерфейс RS-232 / "
                                                 "В контроллере: 485 – интерфейс RS-485 +flag";
        QTest::newRow("compare: Itf no item") << "compare Itf RW"
                                              << R"("232" | 7)"
                                              << "2 1 Ключ: 232 – интерфейс RS-232 / В контроллере: 7 +flag";
        QTest::newRow("compare: read-only differs, no flag") << "compare Int R"
                                                             << "1 | 2"
                                                             << "2 1 Ключ: 1 / Только для чтения\nВ контроллере: 2";
        QTest::newRow("compare: missing in the reply, no flag") << "compare Int RW"
                                                                << "1 | -"
                                                                << "2 1 Ключ: 1 / Нет в ответе контроллера";
        QTest::newRow("compare: null against a missing key") << "compare String RW"
                                                             << "null | -" << unfit.arg("null");
        QTest::newRow("read: three short keys") << "read"
                                                << "3x4"
                                                << "3";
        QTest::newRow("read: 25 keys") << "read"
                                       << "25x10"
                                       << "5 5 5 5 5";
        QTest::newRow("read: long keys") << "read"
                                         << "3x120"
                                         << "1 1 1";
        // A request of one key of 91 characters is 149 characters long: not past the limit.
        QTest::newRow("read: 149 characters") << "read"
                                              << "3x91"
                                              << "2 1";
        QTest::newRow("read: 150 characters") << "read"
                                              << "3x92"
                                              << "1 1 1";
        QTest::newRow("file name: path") << "file name"
                                         << "../../etc/x"
                                         << "Считанные параметры_УСПД_.._.._etc_x_дата_06_12_2026.txt";
        QTest::newRow("file name: reserved and control") << "file name" << QString("C:\\a*?\"<>|\n") + QChar(0)
                                                         << "Считанные параметры_УСПД_C__a_________дата_06_12_2026.txt";
        // The wall clock as it is, with no time-zone conversion.
        QTest::newRow("clock: local") << "clock"
                                      << "2026-12-06T14:05:09.750"
                                      << "2026-12-06 14:05:09";
        QTest::newRow("clock: UTC+5") << "clock"
                                      << "2026-12-06T14:05:09.750+05:00"
                                      << "2026-12-06 14:05:09";
    }

    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(apply(rule, input), output);
    }

    void selection_edges()
    {
        // Rows the page lacks (the page changed under a read) are taken, not asked.
        const params::ReadStep step = params::next_read_request({"a", "b"}, {1, 5, 0});
        QCOMPARE(step.row_count, 3);
        QCOMPARE(keys_asked(step.request), (QStringList{"b", "a"}));
        // A checked row the operation may not touch refuses it and takes nothing.
        using params::Use;
        QCOMPARE(params::select_rows(Use::Read, {"R", "W", "RW"}, {true, false, true}).rows, (QVector<int>{0, 2}));
        QCOMPARE(params::select_rows(Use::Write, {"R", "W", "RW"}, {false, true, true}).rows, (QVector<int>{1, 2}));
        for (const Use use : {Use::Read, Use::Write}) {
            const params::Selection refused = params::select_rows(use, {"R", "W"}, {true, true});
            QVERIFY(refused.refused && refused.rows.isEmpty());
        }
        const params::WriteStep empty = params::next_write_request({}, 12);
        QCOMPARE(empty.request, QByteArray("{\n}\n"));
        QCOMPARE(empty.next_row, 12);
        // A request cut at the last checked row is the last: no empty one follows.
        const QString key(150, QLatin1Char('k'));
        QCOMPARE(params::next_write_request({{1, key, 1}, {3, key + "2", 2}}, 9).next_row, 2);
        QCOMPARE(params::next_write_request({{3, key + "2", 2}}, 9).next_row, 9);
    }

    void settings_files_are_read_within_a_limit()
    {
        harness::WorkingDirectory dir;
        QFile big(dir.file_path("big.txt"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(params::settings_file_limit + 1));
        big.close();
        dir.write_file("small.txt", "{}");
        QString text;
        QVERIFY(!params::read_settings_text(dir.file_path("big.txt"), &text));
        QVERIFY(!params::read_settings_text(QString(), &text));
        QVERIFY(params::read_settings_text(dir.file_path("small.txt"), &text));
        QCOMPARE(text, QStringLiteral("{}"));
    }
};

QTEST_GUILESS_MAIN(ParamRulesTest)
#include "tst_param_rules.moc"
