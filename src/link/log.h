#ifndef LOG_H
#define LOG_H

#include "link/traffic_format.h"

#include <QByteArray>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace Ui {
class Log;
}

// The traffic log window: every request and reply, as a hex record with a
// byte count and as text. It can be cleared and saved to a file.
//
// The log's content is kept here as plain text, one line per record line;
// that is what is saved. The text edit shows the same lines, except that a
// very long line is shown broken into paragraphs, and that a large record
// reaches the widget in slices from the event loop, so that logging a
// megabyte transfer never freezes the program. A large record is neither
// copied into the log nor into its display form at once: the lines are kept
// as they come, and the display form is made slice by slice.
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
    QString plain_text() const { return log_lines.join(QLatin1Char('\n')); }
    // True while part of the log is still on its way into the text edit.
    bool has_pending_display() const { return !pending_display.isEmpty(); }

signals:
    void call_test_signal(int j);

private slots:
    void on_clear_btn_clicked();
    void on_write_file_btn_clicked();
    void on_pushButton_clicked();

private:
    // Adds one line (it may hold "\n" itself) to the log; lead_length is the
    // length of its prefix, kept on the first paragraph when it is broken.
    void append_line(const QString &line, int lead_length = 0);
    void show_in_widget(const QString &line, int lead_length, bool new_paragraph);
    void insert_into_widget(const QString &text);
    void show_next_slices();

    Ui::Log *ui = nullptr;
    int test_counter = 0;

    QStringList log_lines;

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
