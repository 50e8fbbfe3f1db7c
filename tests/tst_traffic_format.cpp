// The lines of the traffic log, byte for byte.

#include "link/traffic_format.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTest>

using namespace traffic_format;

class TrafficFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void hex_record_lines_every_byte();
    void byte_count_line_is_decimal();
    void text_record_decodes_utf8_up_to_nul();
    void plain_log_text_turns_breaks_into_line_feeds();
    void log_file_name_uses_date_and_time();
    void short_lines_are_displayed_whole();
    void long_hex_line_is_displayed_in_byte_aligned_paragraphs();
    void long_text_line_keeps_surrogate_pairs_and_other_lines();
    void paragraphs_come_the_same_in_pieces();
    void record_text_in_slices_is_the_record_whole_data();
    void record_text_in_slices_is_the_record_whole();
};

void TrafficFormatTest::hex_record_lines_every_byte()
{
    QCOMPARE(hex_record(1, "{}"), QStringLiteral("-> 7b 7d "));
    QCOMPARE(hex_record(0, "{}"), QStringLiteral("<- 7b 7d "));
    // Any direction but 0 is sent data.
    QCOMPARE(hex_record(-2, "A"), QStringLiteral("-> 41 "));
    QCOMPARE(hex_record(0, QByteArray()), QStringLiteral("<- "));

    // Every byte value, lowercase, zero-padded, NUL and high bytes included.
    QByteArray all;
    QString expected = QStringLiteral("<- ");
    for (int value = 0; value < 256; ++value) {
        all += char(value);
        expected += QStringLiteral("%1 ").arg(value, 2, 16, QLatin1Char('0'));
    }
    QCOMPARE(hex_record(0, all), expected);
    // Invalid UTF-8 is just bytes here.
    QCOMPARE(hex_record(0, "\xff\xfe\xc3"), QStringLiteral("<- ff fe c3 "));
}

void TrafficFormatTest::byte_count_line_is_decimal()
{
    QCOMPARE(byte_count_line(2), QStringLiteral("Количество байт: 2"));
    QCOMPARE(byte_count_line(0), QStringLiteral("Количество байт: 0"));
    QCOMPARE(byte_count_line(1048576), QStringLiteral("Количество байт: 1048576"));
}

void TrafficFormatTest::text_record_decodes_utf8_up_to_nul()
{
    QCOMPARE(text_record("{}"), QStringLiteral("{}"));
    QVERIFY(text_record(QByteArray()).isEmpty());
    QCOMPARE(text_record(QByteArrayLiteral("{\"result\":\"ok\"}\0tail")), QStringLiteral("{\"result\":\"ok\"}"));
    QCOMPARE(text_record(QByteArray("ab\0cd", 5)), QStringLiteral("ab"));
    QVERIFY(text_record(QByteArray("\0ab", 3)).isEmpty());
    QCOMPARE(text_record("\xd0\x9b\xd0\xbe\xd0\xb3"), QStringLiteral("Лог"));

    // A stray byte becomes one replacement character; the rest survives.
    const QString replaced = text_record("a\xff"
                                         "b");
    QCOMPARE(replaced.size(), 3);
    QCOMPARE(replaced.at(0), QLatin1Char('a'));
    QCOMPARE(replaced.at(1), QChar(QChar::ReplacementCharacter));
    QCOMPARE(replaced.at(2), QLatin1Char('b'));
    // A sequence cut short at the end as well.
    QVERIFY(text_record("ok\xd0").endsWith(QChar(QChar::ReplacementCharacter)));
    QVERIFY(text_record("ok\xd0").startsWith(QLatin1String("ok")));
}

void TrafficFormatTest::plain_log_text_turns_breaks_into_line_feeds()
{
    QCOMPARE(plain_log_text(QStringLiteral("{\n    \"a\": 1\n}\n")), QStringLiteral("{\n    \"a\": 1\n}\n"));
    QCOMPARE(plain_log_text(QStringLiteral("a\r\nb\rc\r\r\nd")), QStringLiteral("a\nb\nc\n\nd"));
    QCOMPARE(plain_log_text(QString(QStringLiteral("a") + QChar(QChar::ParagraphSeparator) + QStringLiteral("b")
                                    + QChar(QChar::LineSeparator) + QStringLiteral("c") + QChar(QChar::Nbsp)
                                    + QStringLiteral("d") + QChar(0xfdd0))),
             QStringLiteral("a\nb\nc d\n"));
    QVERIFY(plain_log_text(QString()).isEmpty());
}

void TrafficFormatTest::log_file_name_uses_date_and_time()
{
    QCOMPARE(log_file_name(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))),
             QStringLiteral("Log_05_03_2024 14_07_09.txt"));
}

void TrafficFormatTest::short_lines_are_displayed_whole()
{
    const QString record = hex_record(1, QByteArray(1000, 'x')) + QLatin1Char('\n') + byte_count_line(1000)
                           + QLatin1Char('\n') + QString(1000, QLatin1Char('x'));
    QCOMPARE(display_paragraphs(record, 3), record);

    const QString longest(max_unbroken_line, QLatin1Char('y'));
    QCOMPARE(display_paragraphs(longest), longest);
    QCOMPARE(display_paragraphs(longest + QLatin1Char('\n') + longest), longest + QLatin1Char('\n') + longest);
}

void TrafficFormatTest::long_hex_line_is_displayed_in_byte_aligned_paragraphs()
{
    QByteArray bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += char(i * 7);
    const QString line = hex_record(0, bytes);
    QVERIFY(line.size() > max_unbroken_line);

    const QStringList paragraphs = display_paragraphs(line, 3).split(QLatin1Char('\n'));
    QCOMPARE(paragraphs.join(QString()), line);
    // "<- " and the first bytes of a paragraph, then as many bytes in each
    // paragraph, the last one holding the rest.
    const int per_paragraph = display_paragraph_length / 3;
    QCOMPARE(paragraphs.size(), (bytes.size() + per_paragraph - 1) / per_paragraph);
    QCOMPARE(paragraphs.first(), line.left(3 + 3 * per_paragraph));
    for (int i = 1; i < paragraphs.size() - 1; ++i)
        QCOMPARE(paragraphs.at(i).size(), 3 * per_paragraph);
    const int rest = bytes.size() % per_paragraph;
    QCOMPARE(paragraphs.last().size(), 3 * (rest == 0 ? per_paragraph : rest));
    for (const QString &paragraph : paragraphs)
        QVERIFY(paragraph.endsWith(QLatin1Char(' ')));
}

void TrafficFormatTest::long_text_line_keeps_surrogate_pairs_and_other_lines()
{
    // A line of musical symbols (each a surrogate pair), offset by one so
    // that a break at every paragraph length would fall inside a pair.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    QString long_line = QStringLiteral("a");
    while (long_line.size() <= max_unbroken_line + 500)
        long_line += clef;
    const QString text = QStringLiteral("first\n") + long_line + QStringLiteral("\nlast");

    const QString shown = display_paragraphs(text);
    const QStringList paragraphs = shown.split(QLatin1Char('\n'));
    QCOMPARE(paragraphs.first(), QStringLiteral("first"));
    QCOMPARE(paragraphs.last(), QStringLiteral("last"));
    QCOMPARE(paragraphs.mid(1, paragraphs.size() - 2).join(QString()), long_line);
    for (int i = 1; i < paragraphs.size() - 1; ++i) {
        const QString &paragraph = paragraphs.at(i);
        QVERIFY(paragraph.size() <= display_paragraph_length + 1);
        QVERIFY(!paragraph.at(0).isLowSurrogate());
        QVERIFY(!paragraph.at(paragraph.size() - 1).isHighSurrogate());
    }
}

void TrafficFormatTest::paragraphs_come_the_same_in_pieces()
{
    // Text given in pieces of any length is shown as it would be given whole.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    QString long_text = QStringLiteral("b");
    while (long_text.size() <= max_unbroken_line + 900)
        long_text += clef;
    const QString hex = hex_record(1, QByteArray(40000, '\x7f'));
    const QStringList texts = {hex, QStringLiteral("x\n\n") + long_text + QLatin1Char('\n') + hex + QLatin1Char('\n'),
                               QString(max_unbroken_line + 1, QLatin1Char('z')), QStringLiteral("a\nb"), QString()};
    for (const QString &text : texts) {
        for (const int length : {1, 700, 16384, 1 << 30}) {
            ParagraphBreaker breaker(3);
            ShownParagraphs shown;
            for (int at = 0; at < text.size(); at += length)
                breaker.add(text.mid(at, length), shown);
            breaker.finish(shown);
            QCOMPARE(shown.text, display_paragraphs(text, 3));
            QCOMPARE(shown.count, display_paragraphs(text, 3).count(QLatin1Char('\n')) + 1);
        }
    }
}

void TrafficFormatTest::record_text_in_slices_is_the_record_whole_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("prefix");
    const QString stamp = time_stamp(QTime(9, 5, 7, 12));
    QTest::newRow("hex") << true << QByteArray("\x00\x7b\xff\x0a", 4) << QString();
    QTest::newRow("hex, stamped") << true << QByteArray("{}") << stamp;
    QTest::newRow("hex of nothing") << true << QByteArray() << stamp;
    QTest::newRow("text to the NUL") << false << QByteArray("{\"a\":1}\0tail", 13) << stamp;
    QTest::newRow("text of nothing") << false << QByteArray() << stamp;
    QTest::newRow("line breaks of every kind")
        << false << QByteArray("a\r\nb\rc\r\r\nd\r\xe2\x80\xa8\xc2\xa0\r") << QString();
    QTest::newRow("byte order marks") << false << QByteArray("\xef\xbb\xbf{\xef\xbb\xbf}\xef\xbb") << QString();
    // Lead bytes, continuation bytes, byte order marks and line breaks at
    // random: whatever the cuts, the pieces decode as the whole does.
    static const char pool[] = "A\n\r\x80\x82\x9f\xa0\xbb\xbf\xc0\xc1\xc2\xd0\xdf\xe0\xe2\xed\xef\xf0\xf4\xf5\xff";
    QRandomGenerator random(16);
    QByteArray noise;
    while (noise.size() < 20000)
        noise += pool[random.bounded(int(sizeof pool) - 1)];
    QTest::newRow("random bytes") << false << noise << stamp;
}

void TrafficFormatTest::record_text_in_slices_is_the_record_whole()
{
    QFETCH(bool, hex);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, prefix);
    const QString whole = hex ? prefix + hex_record(0, bytes) : plain_log_text(prefix + text_record(bytes));
    for (const int slice : {1, 2, 3, 5, 16384}) {
        RecordText record = hex ? RecordText::hex(0, bytes, prefix) : RecordText::text(bytes, prefix);
        QString joined;
        int pieces = 0;
        while (!record.at_end() && pieces++ <= bytes.size())
            joined += record.next(slice);
        QCOMPARE(joined, whole);
    }
    QCOMPARE(RecordText::line(QStringLiteral("x")).next(1), QStringLiteral("x"));
}

QTEST_APPLESS_MAIN(TrafficFormatTest)
#include "tst_traffic_format.moc"
