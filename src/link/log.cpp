#include "link/log.h"
#include "ui_log.h"

#include "link/traffic_format.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTextCursor>

namespace {

// Text up to this length goes into the widget at once, when nothing is
// waiting before it; laying it out stalls the program for a moment at most.
constexpr int max_immediate_display = 65536;
// A larger record is inserted in slices of this many characters, as many per
// turn of the event loop as fit into the time budget.
constexpr int display_slice_length = 16384;
constexpr int display_budget_ms = 15;

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
}

Log::~Log()
{
    delete ui;
}

void Log::add_traffic(int direction, const QByteArray &bytes)
{
    // A broken hex line keeps its "-> " with the first paragraph's bytes.
    const int prefix_length = 3;
    append_line(traffic_format::hex_record(direction, bytes), prefix_length);
    append_line(traffic_format::byte_count_line(bytes.size()));
}

void Log::append_text(const QByteArray &bytes)
{
    append_line(traffic_format::plain_log_text(traffic_format::text_record(bytes)));
}

void Log::on_clear_btn_clicked()
{
    log_lines.clear();
    display_timer.stop();
    pending_display.clear();
    ui->textEdit->clear();
}

void Log::on_write_file_btn_clicked()
{
    QFile file(traffic_format::log_file_name(QDateTime::currentDateTime()));
    // Two saves within one second use the same name; the second must leave
    // only its own content, so the file is truncated.
    bool saved = false;
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QByteArray content = plain_text().toUtf8();
        saved = file.write(content) == content.size() && file.flush();
        file.close();
    }
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
    const bool new_paragraph = !log_lines.isEmpty();
    log_lines.append(line);
    show_in_widget(line, lead_length, new_paragraph);
}

void Log::show_in_widget(const QString &line, int lead_length, bool new_paragraph)
{
    if (!has_pending_display() && line.size() < max_immediate_display) {
        const QString text = traffic_format::display_paragraphs(line, lead_length);
        insert_into_widget(new_paragraph ? QLatin1Char('\n') + text : text);
        return;
    }
    // Behind text that is still waiting, or too large to lay out at once.
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
