// The rules of the request/reply cycle and the request texts, without a window.

#include "app/safe_files.h"
#include "app/session_settings.h"
#include "devices/models.h"
#include "engine/exchange.h"
#include "engine/requests.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

Q_DECLARE_METATYPE(exchange::WaitState)

class ExchangeRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void request_texts_are_byte_exact()
    {
        QCOMPARE(requests::identification(), QByteArray("{\n"
                                                        "    \"method\": \"get\",\n"
                                                        "    \"params\": [\n"
                                                        "        \"serial\",\n"
                                                        "        \"fw_ver\",\n"
                                                        "        \"fw_id\",\n"
                                                        "        \"rs_type\"\n"
                                                        "    ]\n"
                                                        "}\n"));
        QCOMPARE(requests::serial_search(), QByteArray("{\n    \"method\": \"get\",\n    \"params\": \"serial\"\n}\n"));
        QCOMPARE(requests::network_status(), QByteArray("{\n    \"method\": \"ipconfig\"\n}\n"));
    }

    void request_forms_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("parameter read")
            << requests::parameter_read({"time", "ip"})
            << QByteArray(
                   "{\n    \"method\": \"get\",\n    \"params\": [\n        \"time\",\n        \"ip\"\n    ]\n}\n");
        QTest::newRow("empty read") << requests::parameter_read({})
                                    << QByteArray("{\n    \"method\": \"get\",\n    \"params\": [\n    ]\n}\n");
        QTest::newRow("write, keys sorted") << requests::parameter_write({{"b", 1}, {"a", "x"}})
                                            << QByteArray("{\n    \"a\": \"x\",\n    \"b\": 1\n}\n");
        QTest::newRow("empty write") << requests::parameter_write({}) << QByteArray("{\n}\n");
        QTest::newRow("settings dump") << requests::settings_dump()
                                       << QByteArray("{\n    \"method\": \"get\",\n    \"params\": \"all\"\n}\n");
        QTest::newRow("interfaces") << requests::channel_interfaces(
            {"232", "485"}) << QByteArray("{\n    \"rs_type\": [\n        \"232\",\n        \"485\"\n    ]\n}\n");
        QTest::newRow("list read") << requests::device_list_read("8")
                                   << QByteArray("{\"method\":\"get\",\"devices\":\"all8\"}");
        QTest::newRow("list delete") << requests::device_list_delete("3")
                                     << QByteArray("{\"method\":\"delete\",\"devices\":\"all3\"}");
        QTest::newRow("poll all") << requests::poll_all() << QByteArray("{\"method\": \"poll\", \"devices\":\"all\"}");
        QTest::newRow("poll channel") << requests::poll_channel("3")
                                      << QByteArray("{\"method\": \"poll\", \"devices\":\"all3\"}");
        QTest::newRow("poll device") << requests::poll_device({"7", "3", "12", "9600"})
                                     << QByteArray("{\"method\": \"poll\", \"devices\":[7,3,12,9600]}");
        QTest::newRow("poll transmit") << requests::poll_transmit() << QByteArray("{\"method\": \"poll_transmit\"}");
        QTest::newRow("upload header") << requests::upload_header("a.bin", 1234)
                                       << QByteArray("{\n    \"file\": \"a.bin\",\n    \"fl_size\": 1234\n}\n");
        QTest::newRow("download") << requests::download("data.csv")
                                  << QByteArray("{\"method\":\"get\",\"file\":\"data.csv\"}");
        QTest::newRow("download, escaped") << requests::download(QStringLiteral("a\"b\\с\n.txt"))
                                           << QByteArray("{\"method\":\"get\",\"file\":\"a\\\"b\\\\\xD1\x81\\n.txt\"}");
        QTest::newRow("transmit") << requests::transmit() << QByteArray("{\n    \"method\": \"transmit\"\n}\n");
        QTest::newRow("update") << requests::update() << QByteArray("{\n    \"method\": \"update\"\n}\n");
        // The compact form; texts with blanks arrive whole.
        const QJsonArray plain{QJsonArray{513, 7, "12345678", 1, "", 1, 3, 9600, "1"}};
        const QJsonArray spaced{QJsonArray{1, 7, "1", 1, "a b", 1, 1, 9600, "two words"}};
        QTest::newRow("device write") << requests::device_list_write(plain)
                                      << QByteArray(R"({"devices":[[513,7,"12345678",1,"",1,3,9600,"1"]]})");
        QTest::newRow("device write, blanks") << requests::device_list_write(spaced)
                                              << QByteArray(R"({"devices":[[1,7,"1",1,"a b",1,1,9600,"two words"]]})");
    }

    void request_forms()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        QCOMPARE(request, expected);
    }

    void guard_texts_differ_in_one_letter()
    {
        // "Порт не открыт", the first with a Latin "o".
        const QByteArray rest = " \xD0\xBD\xD0\xB5 \xD0\xBE\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82";
        QCOMPARE(exchange::guard_text_latin().toUtf8(), "\xD0\x9F"
                                                        "o"
                                                        "\xD1\x80\xD1\x82"
                                                            + rest);
        QCOMPARE(exchange::guard_text_cyrillic().toUtf8(), "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82" + rest);
    }

    void completion_is_the_closing_brace_with_nothing_left_open_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("whole"); // one JSON object and nothing else
        QTest::newRow("empty") << QByteArray() << false << false;
        QTest::newRow("no closing brace") << QByteArray("{\"a\":1") << false << false;
        QTest::newRow("a line feed after it") << QByteArray("{\"a\":1}\n") << false << true;
        QTest::newRow("paused after a nested object") << QByteArray("{\"a\":{\"b\":1}") << false << false;
        QTest::newRow("paused after a brace in a value") << QByteArray("{\"a\":\"x}") << false << false;
        QTest::newRow("an escaped quote keeps the value open") << QByteArray("{\"a\":\"\\\"}") << false << false;
        QTest::newRow("an array still open") << QByteArray("{\"a\":[{}") << false << false;
        QTest::newRow("closing brackets open nothing") << QByteArray("]]{\"a\":{}") << false << false;
        QTest::newRow("whole") << QByteArray("{\"a\":{\"b\":\"}{[\"}}") << true << true;
        QTest::newRow("an escaped backslash ends the value") << QByteArray("{\"a\":\"\\\\\"}") << true << true;
        QTest::newRow("two objects back to back") << QByteArray("{\"a\":1}{\"b\":2}") << true << false;
        QTest::newRow("no JSON: a brace alone") << QByteArray("}") << true << false;
        QTest::newRow("no JSON: a value") << QByteArray("null}") << true << false;
        QTest::newRow("a NUL inside") << QByteArray("{\"a\":\0}", 7) << true << false;
    }

    void completion_is_the_closing_brace_with_nothing_left_open()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, complete);
        QFETCH(bool, whole);
        QCOMPARE(exchange::reply_complete(reply), complete);
        QCOMPARE(exchange::whole_object(reply), whole);
    }

    void time_out_budgets()
    {
        using exchange::timed_out;
        QVERIFY(!timed_out(99, 100, exchange::standard_budget_ms));
        QVERIFY(timed_out(100, 100, exchange::standard_budget_ms));
        QVERIFY(!timed_out(9, 1000, exchange::standard_budget_ms));
        QVERIFY(timed_out(10, 1000, exchange::standard_budget_ms));
        QVERIFY(!timed_out(29, 100, exchange::identification_budget_ms));
        QVERIFY(timed_out(30, 100, exchange::identification_budget_ms));
        QVERIFY(!timed_out(19, 100, exchange::device_list_budget_ms));
        QVERIFY(timed_out(20, 100, exchange::device_list_budget_ms));
        // Large products must not wrap round to "not yet".
        QVERIFY(timed_out(3, 2000000000, exchange::standard_budget_ms));
    }

    void waiting_verdicts_data()
    {
        // A wait of the standard budget, 100 bytes gathered of 1000 at most.
        QTest::addColumn<exchange::WaitState>("state");
        QTest::addColumn<int>("verdict");
        using V = exchange::Verdict;
        const auto wait = [](const std::function<void(exchange::WaitState &)> &change) {
            exchange::WaitState state;
            state.gathered = 100, state.byte_limit = 1000, state.budget = 9999, state.waited = 500;
            change(state);
            return state;
        };
        QTest::newRow("waiting") << wait([](auto &) {}) << int(V::Waiting);
        QTest::newRow("complete") << wait([](auto &s) { s.ends = true; }) << int(V::Complete);
        QTest::newRow("complete beats a spent budget")
            << wait([](auto &s) { s.ends = true, s.waited = 20000; }) << int(V::Complete);
        QTest::newRow("an end not yet quiet")
            << wait([](auto &s) { s.ends = true, s.quiet_needed = 300, s.quiet_ms = 299; }) << int(V::Quieting);
        QTest::newRow("an end quiet long enough")
            << wait([](auto &s) { s.ends = true, s.quiet_needed = 300, s.quiet_ms = 300; }) << int(V::Complete);
        QTest::newRow("over the limit, though it ends")
            << wait([](auto &s) { s.ends = true, s.gathered = 1001; }) << int(V::Overflow);
        QTest::newRow("budget spent") << wait([](auto &s) { s.waited = 10000; }) << int(V::BudgetSpent);
        QTest::newRow("stalled") << wait([](auto &s) { s.stalled = true; }) << int(V::Stalled);
        QTest::newRow("overall limit") << wait([](auto &s) { s.overall_budget_ms = 60000, s.since_start_ms = 60001; })
                                       << int(V::OverallSpent);
    }

    void waiting_verdicts()
    {
        QFETCH(exchange::WaitState, state);
        QFETCH(int, verdict);
        QCOMPARE(int(exchange::wait_verdict(state)), verdict);
    }

    void a_reply_is_read_once()
    {
        const exchange::Reply refused = exchange::read_reply(R"({"result":"error_key","x":1})");
        QVERIFY(refused.whole);
        QCOMPARE(refused.result, QStringLiteral("error_key"));
        QCOMPARE(refused.error, QStringLiteral("Неизвестный ключ"));
        const exchange::Reply cut = exchange::read_reply(QByteArray("{\"result\":\"ok\"}\0x", 17));
        QVERIFY(!cut.whole);
        QCOMPARE(cut.result, QStringLiteral("ok")); // read up to the NUL, as the result forms do
        QVERIFY(exchange::read_reply(QByteArray(exchange::max_reply_bytes + 1, ' ')).object.isEmpty());
        // A key that comes twice (a fuzzing find): the later value counts.
        // (With an array first Qt's reader leaks; that form is a fuzz seed,
        // where the leak check can see Qt's frames and leave it to Qt.)
        QCOMPARE(exchange::read_reply(R"({"result":"error_key","result":"ok"})").result, QStringLiteral("ok"));
    }

    void interval_falls_back_to_100_ms()
    {
        QCOMPARE(exchange::interval_ms(QStringLiteral("250")), 250);
        for (const char *text : {"", "abc", "0", "-5", "12.5", "10ms"})
            QCOMPARE(exchange::interval_ms(QString::fromLatin1(text)), 100);
    }

    void reply_reads_up_to_nul_and_tolerates_garbage()
    {
        QCOMPARE(exchange::reply_text(QByteArray("{\"a\":1}\0tail", 12)), QStringLiteral("{\"a\":1}"));
        QCOMPARE(exchange::reply_object("{\"serial\":\"42\"}").value("serial").toString(), QStringLiteral("42"));
        QVERIFY(exchange::reply_object("not json}").isEmpty());
        QVERIFY(exchange::reply_object("{\"a\":1}{\"b\":2}").isEmpty());
        QVERIFY(exchange::reply_object("[1,2]").isEmpty());
    }

    void result_vocabulary()
    {
        QCOMPARE(exchange::error_text("error_get"), QStringLiteral("Ошибка обработки запроса на чтение"));
        QCOMPARE(exchange::error_text("error_key"), QStringLiteral("Неизвестный ключ"));
        QCOMPARE(exchange::error_text("error_save"), QStringLiteral("Ошибка сохранения параметра или файла"));
        QCOMPARE(exchange::error_text("error_test"), QStringLiteral("Ошибка тестирования канала"));
        QCOMPARE(exchange::error_text("error_value"), QStringLiteral("Ошибка значения ключа"));
        QVERIFY(exchange::error_text("ok").isEmpty());
        QVERIFY(exchange::error_text("error").isEmpty());
        QVERIFY(exchange::error_text(QString()).isEmpty());
    }

    void reply_values_as_widgets_show_them()
    {
        // A runaway text is cut where a line still lays out at once.
        const QString long_text(exchange::max_shown_characters + 1, QLatin1Char('x'));
        QCOMPARE(exchange::shown_text(long_text).size(), exchange::max_shown_characters);
        QVERIFY(exchange::shown_text(long_text).endsWith(QChar(0x2026)));
        QCOMPARE(exchange::shown_text(long_text.left(exchange::max_shown_characters)), long_text.chopped(1));
        // Numbers beyond int read as 0, not wrapped round.
        QCOMPARE(exchange::reply_number(2147483647.0), 2147483647);
        QCOMPARE(exchange::reply_number(2147483648.0), 0);
        QCOMPARE(exchange::reply_number(-1e20), 0);
        QCOMPARE(exchange::reply_number(2.5), 3);
        QCOMPARE(exchange::reply_number(QStringLiteral("12")), 12);
        QCOMPARE(exchange::reply_number(true), 1);
        QCOMPARE(exchange::reply_number(QJsonArray{1}), 0);
    }

    void progress_texts()
    {
        QVERIFY(exchange::device_write_progress(999).isEmpty());
        QCOMPARE(exchange::device_write_progress(1000), QStringLiteral("Идёт запись приборов: 1c"));
        QCOMPARE(exchange::device_read_progress(900), QStringLiteral("Идёт чтение данных: 0c"));
        QCOMPARE(exchange::device_read_progress(2000), QStringLiteral("Идёт чтение данных: 2c"));
        QCOMPARE(exchange::load_progress(7), QStringLiteral("Время загрузки: 7c"));
        // The letter is a Latin c.
        QCOMPARE(exchange::load_progress(0).toUtf8().right(1), QByteArray("c"));
    }

    void file_name_parts()
    {
        QCOMPARE(safe_files::name_part(QStringLiteral("12345")), QStringLiteral("12345"));
        QCOMPARE(safe_files::name_part(QStringLiteral("../a\\b:c*d?e\"f<g>h|i")),
                 QStringLiteral(".._a_b_c_d_e_f_g_h_i"));
        QCOMPARE(safe_files::name_part(QString::fromUtf8("x\ny\tz\x7f№")), QString::fromUtf8("x_y_z_№"));
    }

    void writes_while_the_loop_turns()
    {
        QTemporaryDir temporary;
        const QByteArray content(3 * 1024 * 1024 + 7, 'd');
        for (const QString &folder : {temporary.path(), temporary.path() + QStringLiteral("/missing")}) {
            bool turned = false; // queued before the write: only a loop turning meanwhile runs it
            QMetaObject::invokeMethod(
                this, [&] { turned = true; }, Qt::QueuedConnection);
            QFile file(folder + QStringLiteral("/copy.bin"));
            const bool written = folder == temporary.path();
            QCOMPARE(safe_files::write_whole_while_turning(file.fileName(), content), written);
            QVERIFY(turned);
            QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), written ? content : QByteArray());
        }
        // A worker the system will not start (a stack of one byte): the work
        // is done all the same, on this thread, and the call returns.
        QThread *ran_on = nullptr;
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^QThread::start")));
        safe_files::run_while_turning([&] { ran_on = QThread::currentThread(); }, 1);
        QCOMPARE(ran_on, QThread::currentThread());
    }

    void settings_lines()
    {
        QByteArray content;
        for (int i = 1; i <= 12; ++i)
            content += "line" + QByteArray::number(i) + '\n';
        QBuffer many(&content);
        many.open(QIODevice::ReadOnly);
        const QStringList lines = session_settings::read_lines(many);
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.last(), QStringLiteral("line10"));

        QByteArray two("COM3\n38400");
        QBuffer few(&two);
        few.open(QIODevice::ReadOnly);
        const QStringList padded = session_settings::read_lines(few);
        QCOMPARE(padded.size(), 10);
        QCOMPARE(padded.at(1), QStringLiteral("38400"));
        QVERIFY(padded.at(2).isEmpty());
    }

    void settings_values()
    {
        const QStringList rates{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
        QCOMPARE(session_settings::baud_index("38400", rates), 5);
        QCOMPARE(session_settings::baud_index("300", rates), 3);
        QCOMPARE(session_settings::baud_index("", rates), 3);
        QCOMPARE(session_settings::stop_bits_index("2"), 1);
        QCOMPARE(session_settings::stop_bits_index("3"), 0);
        QCOMPARE(session_settings::parity_index("1"), 1);
        QCOMPARE(session_settings::parity_index("2"), 2);
        QCOMPARE(session_settings::parity_index("7"), 0);
        QCOMPARE(session_settings::format("COM3", "38400", "2", 0, "100"), QByteArray("COM3\n38400\n2\n0\n100\n"));
    }

    void models_file()
    {
        QByteArray content("1;Вереск-1;Завод Альфа;extra\n2;short\n\n3;Ольха-3Т;Бета-Прибор\n");
        QBuffer file(&content);
        file.open(QIODevice::ReadOnly | QIODevice::Text);
        const device_list::Models models = device_list::read_models(file);
        QCOMPARE(models.codes, (QVector<QString>{"1", "3"}));
        QCOMPARE(models.names, (QVector<QString>{"Вереск-1", "Ольха-3Т"}));
        QCOMPARE(models.makers, (QVector<QString>{"Завод Альфа", "Бета-Прибор"}));
    }
};

QTEST_GUILESS_MAIN(ExchangeRulesTest)
#include "tst_exchange_rules.moc"
