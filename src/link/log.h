#ifndef LOG_H
#define LOG_H

#include "link/log_store.h"
#include "link/traffic_format.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <deque>

class QTimer;

namespace Ui {
class Log;
}

// The traffic log window: every request and reply, as a hex record with a
// byte count and as text. It can be cleared, searched and saved to a file,
// and can stamp every record line with the time it was logged.
//
// A record is taken at once and made into text later, a slice at a time
// from the event loop, so that logging a transfer of megabytes never holds
// up the program: the saved form goes to the log's store (a temporary file,
// see LogStore), the shown form to the text edit. The text edit shows the
// same lines, except that a very long line is shown broken into paragraphs,
// and that it keeps only the newest paragraphs, some megabytes of text at
// most, so that neither a day of polling nor a large transfer slows it down
// or fills the memory (the window then says so). Paragraphs that newer ones
// would push out at once are never laid out. "Запись в файл" writes the log
// as it is at the click on a worker thread, its progress shown below the
// buttons, while the program goes on.
class Log : public QWidget
{
    Q_OBJECT

public:
    explicit Log(QWidget *parent = nullptr);
    ~Log() override;

    // direction != 0: sent by the program; 0: received from the controller.
    void add_traffic(int direction, const QByteArray &bytes);
    void append_text(const QByteArray &bytes);

    // The whole log, lines separated by "\n", as it is saved to a file;
    // read whole, so meant for small logs.
    QString plain_text();
    // True while part of the log is still on its way into the text edit.
    bool has_pending_display() const { return !pending_records.empty() || !pending_shown.empty(); }
    // How many paragraphs the window keeps before it drops the oldest ones.
    void set_shown_paragraph_limit(int limit);
    // How many bytes of the newest records memory keeps for saving when the
    // temporary file cannot be written.
    void set_saved_memory_limit(qint64 bytes);

signals:
    void call_test_signal(int j);

private slots:
    void on_clear_btn_clicked();
    void on_write_file_btn_clicked();
    void on_pushButton_clicked();
    void on_timestamps_box_toggled(bool on);
    void on_find_next_btn_clicked();
    void on_find_previous_btn_clicked();
    void on_find_edit_returnPressed();

private:
    // "[hh:mm:ss.zzz] " while time stamps are on, else nothing.
    QString record_prefix() const;
    void open_find_bar();
    void close_find_bar();
    void find_in_log(bool backward);

    void add_record(traffic_format::RecordText text);
    void work_on_records();
    void make_next_slice();
    void make_all_records();
    void tell_of_lost_records();
    void queue_shown(traffic_format::ShownParagraphs &&paragraphs);
    void show_next_paragraphs();
    void drop_oldest_paragraphs();

    Ui::Log *ui = nullptr;
    int test_counter = 0;

    bool time_stamps = false;
    int shown_paragraph_limit = 0;
    QString trim_notice_text;

    LogStore saved;

    // Records taken but not yet made into text, the first one perhaps in part.
    struct PendingRecord
    {
        traffic_format::RecordText text;
        traffic_format::ParagraphBreaker breaker;
        bool begun; // its line is started in the store
    };
    std::deque<PendingRecord> pending_records;
    // Paragraphs made but not yet in the text edit.
    std::deque<traffic_format::ShownParagraphs> pending_shown;
    int pending_shown_paragraphs = 0;
    qint64 pending_shown_characters = 0;
    // The paragraphs waiting are enough to fill the window alone: what it
    // shows now goes before they come.
    bool shown_outdated = false;
    bool widget_has_lines = false;
    // Runs the slices; a child named "log_work_timer".
    QTimer *work_timer = nullptr;

    // Whether the view follows new lines: it does while the user keeps it
    // scrolled to the bottom.
    bool follow_bottom = true;
};

#endif // LOG_H
