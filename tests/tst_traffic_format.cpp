// The lines of the traffic log, byte for byte.

#include "link/traffic_format.h"

#include <QDateTime>
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
    void paragraphs_come_the_same_in_slices();
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
    const QString replaced = text_record("a\xff" "b");
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
    QCOMPARE(plain_log_text(QStringLiteral("{\n    \"a\": 1\n}\n")),
             QStringLiteral("{\n    \"a\": 1\n}\n"));
    QCOMPARE(plain_log_text(QStringLiteral("a\r\nb\rc\r\r\nd")), QStringLiteral("a\nb\nc\n\nd"));
    QCOMPARE(plain_log_text(QString(QStringLiteral("a") + QChar(QChar::ParagraphSeparator)
                                    + QStringLiteral("b") + QChar(QChar::LineSeparator)
                                    + QStringLiteral("c") + QChar(QChar::Nbsp)
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
    const QString record = hex_record(1, QByteArray(1000, 'x')) + QLatin1Char('\n')
            + byte_count_line(1000) + QLatin1Char('\n') + QString(1000, QLatin1Char('x'));
    QCOMPARE(display_paragraphs(record, 3), record);

    const QString longest(max_unbroken_line, QLatin1Char('y'));
    QCOMPARE(display_paragraphs(longest), longest);
    QCOMPARE(display_paragraphs(longest + QLatin1Char('\n') + longest),
             longest + QLatin1Char('\n') + longest);
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

void TrafficFormatTest::paragraphs_come_the_same_in_slices()
{
    // Slices of any length, joined, are the display form made at once.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    QString long_text = QStringLiteral("b");
    while (long_text.size() <= max_unbroken_line + 900)
        long_text += clef;
    const QString hex = hex_record(1, QByteArray(40000, '\x7f'));
    const QStringList texts = {hex, QStringLiteral("x\n\n") + long_text + QLatin1Char('\n') + hex + QLatin1Char('\n'),
                               QString(max_unbroken_line + 1, QLatin1Char('z')), QString()};
    for (const QString &text : texts) {
        for (const int length : {1, 700, 16384, 1 << 30}) {
            ParagraphCursor cursor(text, 3);
            QString joined;
            int slices = 0;
            while (!cursor.at_end() && slices++ < 1000000)
                joined += cursor.next(length);
            QCOMPARE(joined, display_paragraphs(text, 3));
        }
    }
}

QTEST_APPLESS_MAIN(TrafficFormatTest)
#include "tst_traffic_format.moc"
