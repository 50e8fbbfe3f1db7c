#include "link/log.h"
#include "ui_log.h"

#include "app/safe_files.h"
#include "app/user_settings.h"
#include "link/traffic_format.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <atomic>

namespace {

// A record of up to this many bytes with nothing waiting before it is made
// into text and shown at once; larger ones a slice of this size at a time.
constexpr int immediate_record_bytes = 16384;
constexpr int slice_bytes = 16384;
// Paragraphs up to this many characters go into the widget at once when
// nothing waits before them; laying them out stalls the program for a
// moment at most.
constexpr int max_immediate_display = 65536;
// Slices are made and shown from the event loop for this long at a time;
// briefly, so that a transfer being logged gets its socket served often.
constexpr int work_budget_ms = 5;
// The window keeps this many paragraphs, the newest, and no more than this
// many characters (the last megabytes of a large transfer's hex); the saved
// log keeps everything.
constexpr int default_shown_paragraphs = 30000;
constexpr qint64 shown_character_limit = 8 * 1000 * 1000;
// How often a save's progress is shown.
constexpr int save_progress_ms = 200;

const char time_stamps_key[] = "log/time_stamps";

QString lost_records_notice()
{
    return QStringLiteral("Не удаётся записать временный файл лога: более ранние записи уже не хранятся, "
                          "«Запись в файл» сохранит только последние.");
}

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

    work_timer = new QTimer(this);
    work_timer->setObjectName(QStringLiteral("log_work_timer"));
    work_timer->setInterval(0);
    connect(work_timer, &QTimer::timeout, this, &Log::work_on_records);

    set_shown_paragraph_limit(default_shown_paragraphs);
    trim_notice_text = ui->trim_notice->text();
    ui->trim_notice->hide();

    time_stamps = open_user_settings()->value(QLatin1String(time_stamps_key), false).toBool();
    const QSignalBlocker quiet(ui->timestamps_box);
    ui->timestamps_box->setChecked(time_stamps);

    ui->save_progress->hide();
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

void Log::set_saved_memory_limit(qint64 bytes)
{
    saved.set_memory_limit(bytes);
    tell_of_lost_records();
}

void Log::drop_oldest_paragraphs()
{
    // The document lays itself out again from the top after a removal
    // there, so the oldest paragraphs go a quarter of the limit at a time
    // rather than one by one (QTextDocument's own maximum block count does
    // that on every insertion, which grows slow with the log).
    QTextDocument *document = ui->textEdit->document();
    const int blocks = document->blockCount();
    const int characters = document->characterCount();
    if (blocks <= shown_paragraph_limit + shown_paragraph_limit / 4
        && characters <= shown_character_limit + shown_character_limit / 4)
        return;
    QTextBlock first_kept = document->findBlockByNumber(qMax(0, blocks - shown_paragraph_limit));
    if (characters - first_kept.position() > shown_character_limit) {
        first_kept = document->findBlock(int(characters - shown_character_limit));
        if (first_kept.next().isValid())
            first_kept = first_kept.next();
    }
    QTextCursor cursor(document);
    cursor.setPosition(first_kept.position(), QTextCursor::KeepAnchor);
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
    add_record(traffic_format::RecordText::hex(direction, bytes, prefix));
    add_record(traffic_format::RecordText::line(prefix + traffic_format::byte_count_line(bytes.size())));
}

void Log::append_text(const QByteArray &bytes)
{
    add_record(traffic_format::RecordText::text(bytes, record_prefix()));
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
    ui->trim_notice->setText(trim_notice_text);
    work_timer->stop();
    pending_records.clear();
    pending_shown.clear();
    pending_shown_paragraphs = 0;
    pending_shown_characters = 0;
    shown_outdated = false;
    saved.clear();
    ui->textEdit->clear();
    widget_has_lines = false;
}

void Log::on_write_file_btn_clicked()
{
    // Two saves within one second use the same name; the second replaces
    // the first whole. A failed save leaves an earlier file as it was.
    make_all_records();
    const std::unique_ptr<const LogStore::Copy> copy = saved.take_copy();
    const QString path = traffic_format::log_file_name(QDateTime::currentDateTime());

    // A week of polling is gigabytes: they are copied on a worker thread,
    // while the window and the operation under way go on being served. The
    // file holds the log as it was at the click; records that come
    // meanwhile go into the store after it, as any others.
    std::atomic<qint64> done{0};
    bool written = false;
    const QPointer<Log> alive(this);
    ui->write_file_btn->setEnabled(false);
    const auto show_progress = [this, &done, total = copy->size()] {
        ui->save_progress->setText(QStringLiteral("Запись в файл: %1 из %2 байт").arg(done.load()).arg(total));
    };
    show_progress();
    ui->save_progress->show();
    QTimer progress_timer;
    connect(&progress_timer, &QTimer::timeout, this, show_progress);
    progress_timer.start(save_progress_ms);
    safe_files::run_while_turning([&] { written = copy->save_to(path, &done); });
    if (!alive)
        return; // closed with the program meanwhile
    ui->save_progress->hide();
    ui->write_file_btn->setEnabled(true);
    // Added after writing, so the message is not part of this file.
    add_record(traffic_format::RecordText::line(written ? QStringLiteral("Файл логов записан!")
                                                        : QStringLiteral("Не удалось записать файл!")));
}

void Log::on_pushButton_clicked()
{
    emit call_test_signal(test_counter);
    ++test_counter;
}

QString Log::plain_text()
{
    make_all_records();
    return QString::fromUtf8(saved.read_all());
}

void Log::add_record(traffic_format::RecordText text)
{
    const bool alone = pending_records.empty();
    const int lead_length = text.lead_length();
    pending_records.push_back({std::move(text), traffic_format::ParagraphBreaker(lead_length), false});
    if (alone && pending_records.back().text.size() <= immediate_record_bytes) {
        make_next_slice();
        if (pending_shown_characters <= max_immediate_display) {
            while (!pending_shown.empty())
                show_next_paragraphs();
        }
    }
    if (has_pending_display() && !work_timer->isActive())
        work_timer->start();
}

void Log::work_on_records()
{
    // The saved form first: it is cheaper than laying out the shown one,
    // and paragraphs made ahead that newer ones push out are never shown.
    QElapsedTimer spent;
    spent.start();
    while (has_pending_display() && spent.elapsed() < work_budget_ms) {
        if (!pending_records.empty())
            make_next_slice();
        else
            show_next_paragraphs();
    }
    saved.write_out();
    tell_of_lost_records();
    if (!has_pending_display())
        work_timer->stop();
}

void Log::make_next_slice()
{
    PendingRecord &record = pending_records.front();
    if (!record.begun)
        saved.begin_line();
    record.begun = true;
    const QString piece = record.text.next(slice_bytes);
    saved.append(piece.toUtf8());
    traffic_format::ShownParagraphs paragraphs;
    record.breaker.add(piece, paragraphs);
    if (record.text.at_end()) {
        record.breaker.finish(paragraphs);
        pending_records.pop_front();
    }
    queue_shown(std::move(paragraphs));
    tell_of_lost_records();
}

void Log::make_all_records()
{
    do {
        while (!pending_records.empty())
            make_next_slice();
        saved.write_out();
        tell_of_lost_records();
    } while (!pending_records.empty());
}

void Log::tell_of_lost_records()
{
    if (!saved.take_loss())
        return;
    ui->trim_notice->setText(QStringLiteral("В окне показаны последние строки лога."));
    // Once, as a line of the log, after the record being made now.
    auto at = pending_records.begin();
    if (at != pending_records.end() && at->begun)
        ++at;
    pending_records.insert(
        at, {traffic_format::RecordText::line(lost_records_notice()), traffic_format::ParagraphBreaker(), false});
    if (!work_timer->isActive())
        work_timer->start();
}

void Log::queue_shown(traffic_format::ShownParagraphs &&paragraphs)
{
    if (paragraphs.count == 0)
        return;
    pending_shown_paragraphs += paragraphs.count;
    pending_shown_characters += paragraphs.text.size();
    pending_shown.push_back(std::move(paragraphs));
    // Paragraphs that the newer ones waiting would push out of the window
    // at once are not worth laying out.
    const auto outgrown = [this] {
        const traffic_format::ShownParagraphs &oldest = pending_shown.front();
        return pending_shown.size() > 1
               && (pending_shown_paragraphs - oldest.count >= shown_paragraph_limit
                   || pending_shown_characters - oldest.text.size() >= shown_character_limit);
    };
    while (outgrown()) {
        pending_shown_paragraphs -= pending_shown.front().count;
        pending_shown_characters -= pending_shown.front().text.size();
        pending_shown.pop_front();
        shown_outdated = true;
    }
}

void Log::show_next_paragraphs()
{
    traffic_format::ShownParagraphs paragraphs = std::move(pending_shown.front());
    pending_shown.pop_front();
    pending_shown_paragraphs -= paragraphs.count;
    pending_shown_characters -= paragraphs.text.size();
    if (shown_outdated) {
        shown_outdated = false;
        ui->textEdit->clear();
        widget_has_lines = false;
        ui->trim_notice->show();
    }
    // The first paragraph goes into the document's first, empty one.
    if (widget_has_lines)
        paragraphs.text.prepend(QLatin1Char('\n'));
    widget_has_lines = true;
    if (paragraphs.text.isEmpty())
        return;
    // Plain text through a cursor: traffic is never read as markup, and
    // "\n" in the text starts a new paragraph.
    QTextCursor cursor(ui->textEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    cursor.insertText(paragraphs.text);
    cursor.endEditBlock();
    drop_oldest_paragraphs();
}
