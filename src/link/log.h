#ifndef LOG_H
#define LOG_H

#include "link/traffic_format.h"

#include <QByteArray>
#include <QQueue>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace Ui {
class Log;
}

// The traffic log window: every request and reply, as a hex record with a
// byte count and as text. It can be cleared, searched and saved to a file,
// and can stamp every record line with the time it was logged.
//
// The log's content is kept here whole, as UTF-8 text, one line per record
// line; that is what is saved. The text edit shows the same lines, except
// that a very long line is shown broken into paragraphs, that a large
// record reaches the widget in slices from the event loop, so that logging
// a megabyte transfer never freezes the program, and that the widget keeps
// only the newest paragraphs, so that a day of polling neither slows it
// down nor fills the memory (the window then says so). The display form of
// a large record is made slice by slice, never whole.
class Log : public QWidget
{
    Q_OBJECT

public:
    explicit Log(QWidget *parent = nullptr);
    ~Log() override;

    // direction != 0: sent by the program; 0: received from the controller.
    void add_traffic(int direction, const QByteArray &bytes);
    void append_text(const QByteArray &bytes);

    // The whole log, lines separated by "\n", as it is saved to a file.
    QString plain_text() const { return QString::fromUtf8(log_content); }
    // True while part of the log is still on its way into the text edit.
    bool has_pending_display() const { return !pending_display.isEmpty(); }
    // How many paragraphs the window keeps before it drops the oldest ones.
    void set_shown_paragraph_limit(int limit);

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
    void drop_oldest_paragraphs();

    // Adds one line (it may hold "\n" itself) to the log; lead_length is the
    // length of its prefix, kept on the first paragraph when it is broken.
    void append_line(const QString &line, int lead_length = 0);
    void show_in_widget(const QString &line, int lead_length, bool new_paragraph);
    void insert_into_widget(const QString &text);
    void show_next_slices();

    Ui::Log *ui = nullptr;
    int test_counter = 0;

    QByteArray log_content; // UTF-8
    bool has_lines = false;
    bool time_stamps = false;
    int shown_paragraph_limit = 0;

    // Lines on their way into the widget, the first one partly there.
    struct PendingLine
    {
        traffic_format::ParagraphCursor cursor;
        bool new_paragraph;
        bool started;
    };
    QQueue<PendingLine> pending_display;
    QTimer display_timer;

    // Whether the view follows new lines: it does while the user keeps it
    // scrolled to the bottom.
    bool follow_bottom = true;
};

#endif // LOG_H
