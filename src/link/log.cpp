#include "link/log.h"
#include "ui_log.h"

#include "app/safe_files.h"
#include "app/user_settings.h"
#include "link/traffic_format.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QShortcut>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Text up to this length goes into the widget at once, when nothing is
// waiting before it; laying it out stalls the program for a moment at most.
constexpr int max_immediate_display = 65536;
// A larger record is inserted in slices of this many characters, as many per
// turn of the event loop as fit into the time budget.
constexpr int display_slice_length = 16384;
constexpr int display_budget_ms = 15;
// The window keeps this many paragraphs, the newest; the saved log keeps
// everything.
constexpr int default_shown_paragraphs = 30000;

const char time_stamps_key[] = "log/time_stamps";

} // namespace

Log::Log(QWidget *parent) : QWidget(parent), ui(new Ui::Log)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Лог"));
    ui->pushButton->hide();

    // A record of the traffic: the user can select and copy, not edit; and
    // without editing there is nothing to undo, so no undo history is kept.
    ui->textEdit->setReadOnly(true);
    ui->textEdit->setUndoRedoEnabled(false);
    // The log is hex digits, JSON and Russian messages, none of which needs
    // OpenType shaping; skipping it makes the layout of long records faster.
    QFont font = ui->textEdit->font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    ui->textEdit->setFont(font);

    QScrollBar *scroll_bar = ui->textEdit->verticalScrollBar();
    connect(scroll_bar, &QScrollBar::valueChanged, this,
            [this, scroll_bar](int value) { follow_bottom = value >= scroll_bar->maximum(); });
    // The document grows after the insertion returns (its size is reported
    // later), so the bottom is kept whenever the range changes.
    connect(scroll_bar, &QScrollBar::rangeChanged, this, [this, scroll_bar](int, int maximum) {
        if (follow_bottom)
            scroll_bar->setValue(maximum);
    });

    display_timer.setInterval(0);
    connect(&display_timer, &QTimer::timeout, this, &Log::show_next_slices);

    set_shown_paragraph_limit(default_shown_paragraphs);
    ui->trim_notice->hide();

    time_stamps = open_user_settings()->value(QLatin1String(time_stamps_key), false).toBool();
    const QSignalBlocker quiet(ui->timestamps_box);
    ui->timestamps_box->setChecked(time_stamps);

    ui->find_bar->hide();
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, &Log::open_find_bar);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), ui->find_bar, nullptr, nullptr, Qt::WidgetWithChildrenShortcut),
            &QShortcut::activated, this, &Log::close_find_bar);
}

Log::~Log()
{
    delete ui;
}

void Log::set_shown_paragraph_limit(int limit)
{
    shown_paragraph_limit = limit;
    drop_oldest_paragraphs();
}

void Log::drop_oldest_paragraphs()
{
    // The document lays itself out again from the top after a removal
    // there, so the oldest paragraphs go a quarter of the limit at a time
    // rather than one by one (QTextDocument's own maximum block count does
    // that on every insertion, which grows slow with the log).
    QTextDocument *document = ui->textEdit->document();
    if (document->blockCount() <= shown_paragraph_limit + shown_paragraph_limit / 4)
        return;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                        document->blockCount() - shown_paragraph_limit);
    cursor.removeSelectedText();
    ui->trim_notice->show();
}

QString Log::record_prefix() const
{
    return time_stamps ? traffic_format::time_stamp(QTime::currentTime()) : QString();
}

void Log::add_traffic(int direction, const QByteArray &bytes)
{
    const QString prefix = record_prefix();
    // A broken hex line keeps its "-> " with the first paragraph's bytes.
    const int direction_length = 3;
    append_line(prefix + traffic_format::hex_record(direction, bytes), prefix.size() + direction_length);
    append_line(prefix + traffic_format::byte_count_line(bytes.size()));
}

void Log::append_text(const QByteArray &bytes)
{
    append_line(record_prefix() + traffic_format::plain_log_text(traffic_format::text_record(bytes)));
}

void Log::on_timestamps_box_toggled(bool on)
{
    time_stamps = on;
    open_user_settings()->setValue(QLatin1String(time_stamps_key), on);
}

void Log::open_find_bar()
{
    ui->find_bar->show();
    ui->find_edit->setFocus(Qt::ShortcutFocusReason);
    ui->find_edit->selectAll();
}

void Log::close_find_bar()
{
    ui->find_bar->hide();
    ui->find_status->clear();
    ui->textEdit->setFocus();
}

void Log::on_find_next_btn_clicked()
{
    find_in_log(false);
}

void Log::on_find_previous_btn_clicked()
{
    find_in_log(true);
}

void Log::on_find_edit_returnPressed()
{
    find_in_log(false);
}

void Log::find_in_log(bool backward)
{
    const QString wanted = ui->find_edit->text();
    if (wanted.isEmpty()) {
        ui->find_status->clear();
        return;
    }
    QTextDocument::FindFlags flags;
    if (backward)
        flags |= QTextDocument::FindBackward;
    if (ui->find_case_box->isChecked())
        flags |= QTextDocument::FindCaseSensitively;

    // From the current match on; past the end the search goes round once.
    QTextEdit *view = ui->textEdit;
    bool found = view->find(wanted, flags);
    if (!found) {
        const QTextCursor previous = view->textCursor();
        QTextCursor from(view->document());
        from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        view->setTextCursor(from);
        found = view->find(wanted, flags);
        if (!found)
            view->setTextCursor(previous);
    }
    ui->find_status->setText(found ? QString() : QStringLiteral("не найдено"));
}

void Log::on_clear_btn_clicked()
{
    ui->trim_notice->hide();
    log_content.clear();
    has_lines = false;
    display_timer.stop();
    pending_display.clear();
    ui->textEdit->clear();
}

void Log::on_write_file_btn_clicked()
{
    // Two saves within one second use the same name; the second replaces
    // the first whole. A failed save leaves an earlier file as it was.
    const bool saved =
        safe_files::write_whole(traffic_format::log_file_name(QDateTime::currentDateTime()), log_content);
    // Appended after writing, so the message is not part of this file.
    append_line(saved ? QStringLiteral("Файл логов записан!")
                      : QStringLiteral("Не удалось записать файл!"));
}

void Log::on_pushButton_clicked()
{
    emit call_test_signal(test_counter);
    ++test_counter;
}

void Log::append_line(const QString &line, int lead_length)
{
    // The first line goes into the document's first, empty paragraph.
    const bool new_paragraph = has_lines;
    if (new_paragraph)
        log_content += '\n';
    log_content += line.toUtf8();
    has_lines = true;
    show_in_widget(line, lead_length, new_paragraph);
}

void Log::show_in_widget(const QString &line, int lead_length, bool new_paragraph)
{
    if (!has_pending_display() && line.size() < max_immediate_display) {
        const QString text = traffic_format::display_paragraphs(line, lead_length);
        insert_into_widget(new_paragraph ? QLatin1Char('\n') + text : text);
        return;
    }
    // Behind text that is still waiting, or too large to lay out at once:
    // its display form is made slice by slice, never whole.
    pending_display.enqueue({traffic_format::ParagraphCursor(line, lead_length), new_paragraph, false});
    display_timer.start();
}

void Log::insert_into_widget(const QString &text)
{
    if (text.isEmpty())
        return;
    // Plain text through a cursor: traffic is never read as markup, and
    // "\n" in the text starts a new paragraph.
    QTextCursor cursor(ui->textEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    drop_oldest_paragraphs();
}

void Log::show_next_slices()
{
    QElapsedTimer spent;
    spent.start();
    while (has_pending_display() && spent.elapsed() < display_budget_ms) {
        PendingLine &line = pending_display.head();
        QString slice = line.cursor.next(display_slice_length);
        if (!line.started && line.new_paragraph)
            slice.prepend(QLatin1Char('\n'));
        line.started = true;
        insert_into_widget(slice);
        if (line.cursor.at_end())
            pending_display.dequeue();
    }
    if (!has_pending_display())
        display_timer.stop();
}
