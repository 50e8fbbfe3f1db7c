// The traffic log window: what it shows, what it saves, and that a large
// transfer does not hold up the program.

#include "link/log.h"
#include "link/traffic_format.h"
#include "support/harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextEdit>

using harness::find;

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
            + QChar(QChar::ReplacementCharacter)
            + QStringLiteral("\n{\n    \"a\": 1\n}\n");
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
    const QString expected = QStringLiteral(
            "<b>x</b>\n<img src=\"missing.png\">\n<!DOCTYPE html><html><body><p>a&amp;b</p></body></html>");
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

void LogTest::clear_empties_the_log()
{
    Log log;
    log.add_traffic(1, "{}");
    log.append_text("{}");
    QTest::mouseClick(button(log, "clear_btn"), Qt::LeftButton);
    QVERIFY(text_edit(log)->toPlainText().isEmpty());
    QVERIFY(log.plain_text().isEmpty());

    // The next line is the first again, with nothing before it.
    log.append_text("{}");
    QCOMPARE(text_edit(log)->toPlainText(), QStringLiteral("{}"));
    QCOMPARE(log.plain_text(), QStringLiteral("{}"));
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
    const QString content = QStringLiteral(
            "-> 7b 22 6d 65 74 68 6f 64 22 3a 22 67 65 74 22 7d \n"
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

QTEST_MAIN(LogTest)
#include "tst_log.moc"
