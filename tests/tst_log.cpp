// The traffic log window: what it shows, what it saves, and that a large
// transfer does not hold up the program.

#include "link/log.h"
#include "link/traffic_format.h"
#include "support/harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

#include <memory>

#include <sys/stat.h>

using harness::find;
using harness::TemporaryDirectoryAt;

namespace {

QTextEdit *text_edit(const Log &log)
{
    return find<QTextEdit>(&log, QStringLiteral("textEdit"));
}

QPushButton *button(const Log &log, const char *name)
{
    return find<QPushButton>(&log, QLatin1String(name));
}

QStringList saved_logs()
{
    return QDir::current().entryList({QStringLiteral("Log_*.txt")}, QDir::Files);
}

QByteArray read_file(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines a record pair is saved as, each after `prefix`.
QStringList record_lines(int direction, const QByteArray &bytes, const QString &prefix = QString())
{
    return {prefix + traffic_format::hex_record(direction, bytes),
            prefix + traffic_format::byte_count_line(bytes.size()),
            traffic_format::plain_log_text(prefix + traffic_format::text_record(bytes))};
}

// Logs a record pair as the program does, and adds its lines to `lines`.
void log_pair(Log &log, int direction, const QByteArray &bytes, QStringList &lines, const QString &prefix = QString())
{
    log.add_traffic(direction, bytes);
    log.append_text(bytes);
    lines += record_lines(direction, bytes, prefix);
}

// Text of `size` bytes that is long lines, Cyrillic, four-byte characters
// and line ends, so that its slices fall everywhere.
QByteArray mixed_text(int size)
{
    QByteArray bytes;
    bytes.reserve(size);
    for (int i = 0; bytes.size() < size; ++i)
        bytes += i % 5000 == 4999 ? QByteArray("\r\n")
                 : i % 997 == 0   ? QByteArray("\xf0\x9d\x84\x9e\xd0\xbb")
                                  : QByteArray(1, char('a' + i % 26));
    return bytes.left(size);
}

// Time stamps at the starts of lines made alike, so that a log can be
// compared whole; `stamps` counts them.
QString with_stamps_alike(QString text, int *stamps)
{
    static const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\] "),
                                          QRegularExpression::MultilineOption);
    *stamps = text.count(stamp);
    return text.replace(stamp, QStringLiteral("[stamp] "));
}

const QString lost_notice = QStringLiteral("Не удаётся записать временный файл лога: более ранние записи уже не "
                                           "хранятся, «Запись в файл» сохранит только последние.");

} // namespace

class LogTest : public QObject
{
    Q_OBJECT

    // The user's preferences of the tests that make no folder of their own:
    // never the real ones.
    harness::WorkingDirectory home;

private slots:
    void form_and_start_state();
    void records_show_as_plain_lines();
    void markup_is_shown_literally();
    void empty_text_appends_an_empty_line();
    void user_can_copy_but_not_edit();
    void clear_empties_the_log_data();
    void clear_empties_the_log();
    void hidden_button_counts_its_signals();
    void save_writes_the_log_as_utf8();
    void save_replaces_an_existing_file();
    void save_failure_is_reported();
    void large_transfer_is_logged_whole_without_stalling();
    void view_follows_new_lines_only_from_the_bottom();
    void time_stamps_are_opt_in_and_remembered();
    void find_bar();
    void window_keeps_the_newest_paragraphs();
    void saved_file_is_the_records_written_data();
    void saved_file_is_the_records_written();
    void newest_records_kept_without_a_temporary_file_data();
    void newest_records_kept_without_a_temporary_file();
};

void LogTest::form_and_start_state()
{
    Log log;
    QCOMPARE(log.objectName(), QStringLiteral("Log"));
    QCOMPARE(log.windowTitle(), QStringLiteral("Лог"));
    QCOMPARE(log.size(), QSize(458, 370));
    QVERIFY(log.isWindow());

    QVERIFY(text_edit(log));
    QVERIFY(text_edit(log)->toPlainText().isEmpty());
    QVERIFY(text_edit(log)->isReadOnly());
    QCOMPARE(button(log, "clear_btn")->text(), QStringLiteral("Очистить"));
    QCOMPARE(button(log, "write_file_btn")->text(), QStringLiteral("Запись в файл"));
    QCOMPARE(button(log, "pushButton")->text(), QStringLiteral("PushButton"));
    QVERIFY(button(log, "pushButton")->isHidden());
}

void LogTest::records_show_as_plain_lines()
{
    Log log;
    log.add_traffic(1, "{}");
    log.append_text("{}");
    log.add_traffic(0, QByteArray());
    log.append_text(QByteArray());
    log.add_traffic(0, QByteArray("ok\0zz", 5));
    log.append_text(QByteArray("ok\0zz", 5));
    log.add_traffic(0, "\xd0\xbf\xff");
    log.append_text("\xd0\xbf\xff");
    log.append_text("{\r\n    \"a\": 1\r\n}\n");

    const QString expected = QStringLiteral("-> 7b 7d \n"
                                            "Количество байт: 2\n"
                                            "{}\n"
                                            "<- \n"
                                            "Количество байт: 0\n"
                                            "\n"
                                            "<- 6f 6b 00 7a 7a \n"
                                            "Количество байт: 5\n"
                                            "ok\n"
                                            "<- d0 bf ff \n"
                                            "Количество байт: 3\n"
                                            "п")
                             + QChar(QChar::ReplacementCharacter) + QStringLiteral("\n{\n    \"a\": 1\n}\n");
    QCOMPARE(text_edit(log)->toPlainText(), expected);
    QCOMPARE(log.plain_text(), expected);
    QVERIFY(!log.has_pending_display());
}

void LogTest::markup_is_shown_literally()
{
    Log log;
    log.append_text("<b>x</b>");
    log.append_text("<img src=\"missing.png\">");
    log.append_text("<!DOCTYPE html><html><body><p>a&amp;b</p></body></html>");
    const QString expected =
        QStringLiteral("<b>x</b>\n<img src=\"missing.png\">\n<!DOCTYPE html><html><body><p>a&amp;b</p></body></html>");
    QCOMPARE(text_edit(log)->toPlainText(), expected);
    QCOMPARE(log.plain_text(), expected);
    QCOMPARE(text_edit(log)->document()->blockCount(), 3);
}

void LogTest::empty_text_appends_an_empty_line()
{
    Log log;
    log.append_text(QByteArray());
    log.append_text("x");
    log.append_text("");
    log.append_text(QByteArray("\0y", 2));
    log.append_text("z");
    QCOMPARE(text_edit(log)->toPlainText(), QStringLiteral("\nx\n\n\nz"));
    QCOMPARE(log.plain_text(), QStringLiteral("\nx\n\n\nz"));
    QCOMPARE(text_edit(log)->document()->blockCount(), 5);
}

void LogTest::user_can_copy_but_not_edit()
{
    Log log;
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    log.add_traffic(1, "{}");
    QTextEdit *edit = text_edit(log);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("typed"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(edit->toPlainText(), QStringLiteral("-> 7b 7d \nКоличество байт: 2"));

    edit->selectAll();
    edit->copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("-> 7b 7d \nКоличество байт: 2"));
}

void LogTest::clear_empties_the_log_data()
{
    QTest::addColumn<int>("large");              // bytes of a record still on its way
    QTest::addColumn<bool>("no_temporary_file"); // the log keeps it in memory
    QTest::newRow("small records") << 0 << false;
    QTest::newRow("large record on its way") << 1000000 << false;
    QTest::newRow("without a temporary file") << 1000000 << true;
}

void LogTest::clear_empties_the_log()
{
    QFETCH(int, large);
    QFETCH(bool, no_temporary_file);
    harness::WorkingDirectory directory;
    TemporaryDirectoryAt temporary(no_temporary_file ? directory.file_path("missing") : QDir::tempPath());
    Log log;
    log.add_traffic(1, "{}");
    log.append_text("{}");
    log.add_traffic(0, mixed_text(large));
    log.append_text(mixed_text(large));
    QTest::mouseClick(button(log, "clear_btn"), Qt::LeftButton);
    QVERIFY(text_edit(log)->toPlainText().isEmpty());
    QVERIFY(!log.has_pending_display());
    QVERIFY(log.plain_text().isEmpty());

    // The next line is the first again, with nothing before it.
    log.append_text("{}");
    QCOMPARE(text_edit(log)->toPlainText(), QStringLiteral("{}"));
    QCOMPARE(harness::save_log(&log), QByteArray("{}"));
}

void LogTest::hidden_button_counts_its_signals()
{
    Log log;
    QSignalSpy spy(&log, &Log::call_test_signal);
    button(log, "pushButton")->click();
    button(log, "pushButton")->click();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 0);
    QCOMPARE(spy.at(1).at(0).toInt(), 1);
    QVERIFY(text_edit(log)->toPlainText().isEmpty());
}

void LogTest::save_writes_the_log_as_utf8()
{
    harness::WorkingDirectory directory;
    Log log;
    log.add_traffic(1, "{\"method\":\"get\"}");
    log.append_text("{\"method\":\"get\"}");
    log.add_traffic(0, "{\n}");
    log.append_text("{\n}");

    QTest::mouseClick(button(log, "write_file_btn"), Qt::LeftButton);

    const QStringList files = saved_logs();
    QCOMPARE(files.size(), 1);
    const QString content = QStringLiteral("-> 7b 22 6d 65 74 68 6f 64 22 3a 22 67 65 74 22 7d \n"
                                           "Количество байт: 16\n"
                                           "{\"method\":\"get\"}\n"
                                           "<- 7b 0a 7d \n"
                                           "Количество байт: 3\n"
                                           "{\n"
                                           "}");
    QCOMPARE(read_file(files.first()), content.toUtf8());
    QCOMPARE(text_edit(log)->toPlainText(), content + QStringLiteral("\nФайл логов записан!"));

    // A second save holds the message of the first.
    const QString earlier = log.plain_text();
    QTest::mouseClick(button(log, "write_file_btn"), Qt::LeftButton);
    const QStringList after = saved_logs();
    QVERIFY(after.size() == 1 || after.size() == 2);
    QCOMPARE(read_file(after.last()), earlier.toUtf8());
}

void LogTest::save_replaces_an_existing_file()
{
    harness::WorkingDirectory directory;
    const QByteArray longer(4096, 'x');
    const QStringList names = harness::names_from_now(traffic_format::log_file_name, 0, 2);
    for (const QString &name : names)
        directory.write_file(name, longer);

    Log log;
    log.append_text("{}");
    QTest::mouseClick(button(log, "write_file_btn"), Qt::LeftButton);

    int replaced = 0;
    for (const QString &name : names) {
        const QByteArray content = read_file(name);
        if (content == longer)
            continue;
        QCOMPARE(content, QByteArray("{}"));
        // It holds passwords: the owner's alone, whoever could read the old one.
        QCOMPARE(QFile::permissions(name) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        ++replaced;
    }
    QCOMPARE(replaced, 1);
    QCOMPARE(log.plain_text(), QStringLiteral("{}\nФайл логов записан!"));
}

void LogTest::save_failure_is_reported()
{
    harness::WorkingDirectory directory;
    // A directory in the way of every name the save can use.
    for (const QString &name : harness::names_from_now(traffic_format::log_file_name, 0, 2))
        QVERIFY(QDir::current().mkdir(name));

    Log log;
    log.append_text("{}");
    QTest::mouseClick(button(log, "write_file_btn"), Qt::LeftButton);
    QCOMPARE(text_edit(log)->toPlainText(), QStringLiteral("{}\nНе удалось записать файл!"));
    QCOMPARE(log.plain_text(), QStringLiteral("{}\nНе удалось записать файл!"));
}

void LogTest::large_transfer_is_logged_whole_without_stalling()
{
    // Written into the text edit in one piece, a record of this size would
    // keep the program busy for seconds laying out one huge paragraph.
    QByteArray request(256 * 1024, '\0');
    for (int i = 0; i < request.size(); ++i)
        request[i] = char('a' + i % 26);
    QByteArray reply = request;
    reply[100] = '\0';

    Log log;
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    QElapsedTimer elapsed;
    elapsed.start();
    log.add_traffic(1, request);
    log.append_text(request);
    log.add_traffic(0, reply);
    log.append_text(reply);
    QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));
    log.append_text("{}");

    // The stored log, which is what is saved, holds every line whole.
    const QStringList lines = log.plain_text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.at(0), traffic_format::hex_record(1, request));
    QCOMPARE(lines.at(1), QStringLiteral("Количество байт: 262144"));
    QCOMPARE(lines.at(2), QString::fromLatin1(request));
    QCOMPARE(lines.at(3), traffic_format::hex_record(0, reply));
    QCOMPARE(lines.at(5), QString::fromLatin1(reply.left(100)));
    QCOMPARE(lines.at(6), QStringLiteral("{}"));

    // The window gets all of it, long lines broken into paragraphs.
    QTRY_VERIFY_WITH_TIMEOUT(!log.has_pending_display(), 60000);
    const QString shown = text_edit(log)->toPlainText();
    QVERIFY(shown.endsWith(QStringLiteral("\nКоличество байт: 262144\n") + QString::fromLatin1(reply.left(100))
                           + QStringLiteral("\n{}")));
    QVERIFY(text_edit(log)->document()->blockCount()
            > 2 * request.size() / (traffic_format::display_paragraph_length / 3));
    QCOMPARE(QString(shown).remove(QLatin1Char('\n')), QString(log.plain_text()).remove(QLatin1Char('\n')));

    QTest::mouseClick(button(log, "clear_btn"), Qt::LeftButton);
    QVERIFY(text_edit(log)->toPlainText().isEmpty());
    QVERIFY(!log.has_pending_display());
}

void LogTest::view_follows_new_lines_only_from_the_bottom()
{
    Log log;
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    QScrollBar *scroll_bar = text_edit(log)->verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        log.append_text(QByteArray::number(i));
    QTRY_VERIFY(scroll_bar->maximum() > 0);
    QTRY_COMPARE(scroll_bar->value(), scroll_bar->maximum());

    // Scrolled up by the user, the view stays where it is.
    scroll_bar->setValue(0);
    const int maximum = scroll_bar->maximum();
    for (int i = 0; i < 50; ++i)
        log.append_text(QByteArray::number(i));
    QTRY_VERIFY(scroll_bar->maximum() > maximum);
    QCOMPARE(scroll_bar->value(), 0);
}

void LogTest::time_stamps_are_opt_in_and_remembered()
{
    harness::WorkingDirectory directory;
    {
        // Off by default: the saved file is exactly the records.
        Log log;
        QVERIFY(!find<QCheckBox>(&log, QStringLiteral("timestamps_box"))->isChecked());
        log.add_traffic(1, "{}");
        log.append_text("{}");
        QTest::mouseClick(button(log, "write_file_btn"), Qt::LeftButton);
        QCOMPARE(saved_logs().size(), 1);
        QCOMPARE(read_file(saved_logs().first()), QByteArray("-> 7b 7d \n\xD0\x9A\xD0\xBE\xD0\xBB\xD0\xB8\xD1\x87\xD0"
                                                             "\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE \xD0\xB1\xD0\xB0"
                                                             "\xD0\xB9\xD1\x82: 2\n{}"));
        find<QCheckBox>(&log, QStringLiteral("timestamps_box"))->click();
    }
    // On, and still on in the next session: every record line is stamped.
    Log log;
    QVERIFY(find<QCheckBox>(&log, QStringLiteral("timestamps_box"))->isChecked());
    log.add_traffic(0, QByteArray(1000, 'a'));
    log.append_text("{\n}");
    const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\] "));
    const QStringList lines = log.plain_text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    for (int i : {0, 1, 2})
        QVERIFY2(stamp.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
    QVERIFY(lines.at(0).mid(15).startsWith(QStringLiteral("<- 61 61 ")));
    QCOMPARE(lines.at(1).mid(15), QStringLiteral("Количество байт: 1000"));
    QCOMPARE(lines.at(3), QStringLiteral("}"));
    QCOMPARE(text_edit(log)->toPlainText().remove(QLatin1Char('\n')), log.plain_text().remove(QLatin1Char('\n')));
}

void LogTest::find_bar()
{
    Log log;
    log.show();
    QApplication::setActiveWindow(&log);
    QVERIFY(QTest::qWaitForWindowActive(&log));
    for (int i = 0; i < 300; ++i)
        log.append_text("record " + QByteArray::number(i));
    log.append_text("Ответ Контроллера");
    auto *bar = find<QWidget>(&log, QStringLiteral("find_bar"));
    auto *edit = find<QLineEdit>(&log, QStringLiteral("find_edit"));
    auto *status = find<QLabel>(&log, QStringLiteral("find_status"));
    QVERIFY(bar->isHidden());

    QTest::keyClick(&log, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->isVisible());
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, QStringLiteral("record 12"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(text_edit(log)->textCursor().selectedText(), QStringLiteral("record 12"));
    QCOMPARE(text_edit(log)->textCursor().block().text(), QStringLiteral("record 12"));
    QTest::keyClick(edit, Qt::Key_Return); // the next match, then round again
    QCOMPARE(text_edit(log)->textCursor().block().text(), QStringLiteral("record 120"));
    QTest::mouseClick(button(log, "find_previous_btn"), Qt::LeftButton);
    QCOMPARE(text_edit(log)->textCursor().block().text(), QStringLiteral("record 12"));
    QTest::mouseClick(button(log, "find_previous_btn"), Qt::LeftButton);
    QCOMPARE(text_edit(log)->textCursor().block().text(), QStringLiteral("record 129"));
    QVERIFY(status->text().isEmpty());

    // Case: found without, not found with "Учитывать регистр".
    edit->setText(QStringLiteral("ответ контроллера"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(text_edit(log)->textCursor().selectedText(), QStringLiteral("Ответ Контроллера"));
    find<QCheckBox>(&log, QStringLiteral("find_case_box"))->setChecked(true);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(status->text(), QStringLiteral("не найдено"));
    QCOMPARE(text_edit(log)->textCursor().selectedText(), QStringLiteral("Ответ Контроллера"));

    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(bar->isHidden());
}

void LogTest::window_keeps_the_newest_paragraphs()
{
    Log log;
    log.set_shown_paragraph_limit(100);
    auto *notice = find<QLabel>(&log, QStringLiteral("trim_notice"));
    for (int i = 0; i < 125; ++i)
        log.append_text(QByteArray::number(i));
    QVERIFY(notice->isHidden());
    for (int i = 125; i < 250; ++i)
        log.append_text(QByteArray::number(i));
    // The window shows the newest lines and says so; the log keeps all.
    QVERIFY(!notice->isHidden());
    QVERIFY(text_edit(log)->document()->blockCount() >= 100);
    QVERIFY(text_edit(log)->document()->blockCount() <= 125);
    QVERIFY(!text_edit(log)->toPlainText().contains(QStringLiteral("\n99\n")));
    QVERIFY(text_edit(log)->toPlainText().endsWith(QStringLiteral("\n248\n249")));
    QCOMPARE(log.plain_text().split(QLatin1Char('\n')).size(), 250);
    QTest::mouseClick(button(log, "clear_btn"), Qt::LeftButton);
    QVERIFY(notice->isHidden());
}

void LogTest::saved_file_is_the_records_written_data()
{
    QTest::addColumn<bool>("stamps");
    QTest::addColumn<int>("shown_limit"); // paragraphs the window keeps
    QTest::addColumn<int>("pairs");       // small request and reply pairs before and after
    QTest::addColumn<int>("large");       // bytes of a large record pair between them
    QTest::addColumn<int>("later");       // bytes of a record pair logged while the save runs
    QTest::newRow("records of every kind") << false << 30000 << 2 << 0 << 0;
    QTest::newRow("time stamps") << true << 30000 << 2 << 0 << 0;
    QTest::newRow("window dropped paragraphs") << true << 100 << 150 << 300000 << 0;
    QTest::newRow("saved while a large record is on its way") << false << 30000 << 1 << 1000000 << 0;
    QTest::newRow("records logged while saving") << false << 30000 << 1 << 1000000 << 300000;
}

void LogTest::saved_file_is_the_records_written()
{
    QFETCH(bool, stamps);
    QFETCH(int, shown_limit);
    QFETCH(int, pairs);
    QFETCH(int, large);
    QFETCH(int, later);
    harness::WorkingDirectory directory;
    QTemporaryDir temporary_directory;
    std::unique_ptr<TemporaryDirectoryAt> temporary(new TemporaryDirectoryAt(temporary_directory.path()));
    auto log = std::make_unique<Log>();
    log->set_shown_paragraph_limit(shown_limit);
    if (stamps)
        find<QCheckBox>(log.get(), QStringLiteral("timestamps_box"))->click();
    const QString prefix = stamps ? QStringLiteral("[stamp] ") : QString();

    QStringList lines;
    for (const QByteArray &odd : {QByteArray(), QByteArray("ok\0zz", 5), QByteArray("\xd0\xbf\xff"),
                                  QByteArray("\xef\xbb\xbf{\r\n    \"a\": \"\xf0\x9d\x84\x9e\"\r\n}\n")})
        log_pair(*log, 0, odd, lines, prefix);
    for (int i = 0; i < pairs; ++i)
        log_pair(*log, i % 2, "{\"n\":" + QByteArray::number(i) + "}", lines, prefix);
    if (large > 0)
        log_pair(*log, 1, mixed_text(large), lines, prefix);
    for (int i = 0; i < pairs; ++i)
        log_pair(*log, i % 2, "{\"m\":" + QByteArray::number(i) + "}", lines, prefix);
    const QString expected = lines.join(QLatin1Char('\n'));
    // The program goes on while the file is written; what it logs then is
    // not in the file, and comes before the message that it is written.
    // The progress shows meanwhile.
    const QLabel *progress = find<QLabel>(log.get(), QStringLiteral("save_progress"));
    if (later > 0)
        QTimer::singleShot(0, log.get(), [&] {
            QVERIFY(!progress->isHidden() && progress->text().startsWith(QStringLiteral("Запись в файл: ")));
            log_pair(*log, 0, mixed_text(later), lines, prefix);
        });

    // Saved at once, the records still on their way included.
    int stamp_count = 0;
    QCOMPARE(with_stamps_alike(QString::fromUtf8(harness::save_log(log.get())), &stamp_count), expected);
    QCOMPARE(stamp_count, stamps ? lines.size() : 0);
    QCOMPARE(with_stamps_alike(log->plain_text(), &stamp_count),
             lines.join(QLatin1Char('\n')) + QStringLiteral("\nФайл логов записан!"));
    QVERIFY(progress->isHidden());

    // The window shows the newest of the same lines, long ones broken.
    QTRY_VERIFY_WITH_TIMEOUT(!log->has_pending_display(), 60000);
    const QString shown = with_stamps_alike(text_edit(*log)->toPlainText(), &stamp_count).remove(QLatin1Char('\n'));
    const QString all =
        QString(lines.join(QString()) + QStringLiteral("Файл логов записан!")).remove(QLatin1Char('\n'));
    const bool dropped = shown_limit < 30000;
    QVERIFY(dropped ? all.endsWith(shown) && shown.size() < all.size() : shown == all);
    QCOMPARE(!find<QLabel>(log.get(), QStringLiteral("trim_notice"))->isHidden(), dropped);

    // The temporary file, found among the open ones, is readable by the user
    // alone, and gone with the log.
    int open_files = 0;
    for (const QFileInfo &open : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System)) {
        struct stat status = {};
        if (open.symLinkTarget().startsWith(QDir(temporary_directory.path()).canonicalPath() + QLatin1Char('/'))) {
            QCOMPARE(stat(QFile::encodeName(open.filePath()).constData(), &status), 0);
            QCOMPARE(status.st_mode & 0777, 0600u);
            ++open_files;
        }
    }
    QCOMPARE(open_files, 1);
    log.reset();
    QVERIFY(QDir(temporary_directory.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void LogTest::newest_records_kept_without_a_temporary_file_data()
{
    QTest::addColumn<qint64>("memory_limit"); // bytes of records memory keeps
    QTest::addColumn<int>("pairs");           // small pairs logged
    QTest::addColumn<int>("large");           // bytes of a large pair after them
    QTest::newRow("within the limit") << qint64(1 << 20) << 300 << 100000;
    QTest::newRow("past the limit") << qint64(4096) << 300 << 0;
    QTest::newRow("one record past the limit") << qint64(4096) << 3 << 100000;
}

void LogTest::newest_records_kept_without_a_temporary_file()
{
    QFETCH(qint64, memory_limit);
    QFETCH(int, pairs);
    QFETCH(int, large);
    harness::WorkingDirectory directory;
    auto temporary = std::make_unique<TemporaryDirectoryAt>(directory.file_path("missing"));
    Log log;
    log.set_saved_memory_limit(memory_limit);
    QStringList lines;
    for (int i = 0; i < pairs; ++i)
        log_pair(log, i % 2, "{\"n\":" + QByteArray::number(i) + "}", lines);
    if (large > 0)
        log_pair(log, 0, mixed_text(large), lines);
    const QString expected = lines.join(QLatin1Char('\n'));

    // The window goes on showing traffic, and says so once when older
    // records are no longer kept.
    QTRY_VERIFY_WITH_TIMEOUT(!log.has_pending_display(), 60000);
    const QString shown = text_edit(log)->toPlainText();
    const bool lost = expected.toUtf8().size() > memory_limit;
    QCOMPARE(shown.count(lost_notice), lost ? 1 : 0);
    QVERIFY(shown.endsWith(QString(lines.last()).remove(QLatin1Char('\n')).right(100)));

    // Saved: the records whole while they fit; else the newest of them, from
    // the start of a line unless one line alone is past the limit.
    QString saved = QString::fromUtf8(harness::save_log(&log));
    if (!lost) {
        QCOMPARE(saved, expected);
    } else {
        QVERIFY(saved.toUtf8().size() <= memory_limit);
        saved.remove(QLatin1Char('\n') + lost_notice);
        QVERIFY2(expected.endsWith((large > 0 ? QString() : QStringLiteral("\n")) + saved),
                 qPrintable(saved.left(200)));
        QVERIFY(saved.size() > memory_limit / 4);
    }

    // Emptied, the log tries the temporary directory again.
    temporary.reset();
    QTest::mouseClick(button(log, "clear_btn"), Qt::LeftButton);
    lines.clear();
    for (int i = 0; i < 100; ++i)
        log_pair(log, 0, "{\"again\":" + QByteArray::number(i) + "}", lines);
    QCOMPARE(QString::fromUtf8(harness::save_log(&log)), lines.join(QLatin1Char('\n')));
    QTRY_VERIFY(!log.has_pending_display());
    QVERIFY(!text_edit(log)->toPlainText().contains(lost_notice));
}

QTEST_MAIN(LogTest)
#include "tst_log.moc"
