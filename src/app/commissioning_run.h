#ifndef APP_COMMISSIONING_RUN_H
#define APP_COMMISSIONING_RUN_H

#include <QDateTime>
#include <QString>
#include <QVector>

class QIODevice;

// The rules of a commissioning run from the command line that need no
// window: the list of controllers, the exit statuses, and the lines a
// script reads.
namespace commissioning {

// Exit statuses; a list ends with the highest of its controllers'.
enum Status {
    matches = 0,            // no difference the comparison flags
    differs = 1,            // differences remain, or a write was not confirmed
    no_link = 2,            // no link, or no identification
    bad_input = 3,          // bad arguments, or a template that is no settings file
    report_not_written = 4, // the report (or the summary) could not be written
    interrupted = 130,      // Ctrl+C or SIGTERM
};
// The status as one word: "matches", "differs", "no-link", "bad-input",
// "report-not-written", "interrupted".
QString status_word(int status);

// A controller of a list: ADDR:PORT, the address in brackets when it holds
// a colon ("[::1]:2200").
struct Target
{
    QString host;
    quint16 port = 0;
    QString serial_port; // instead of host and port

    // As the lines and the summary name it: "HOST:PORT" or the port name.
    QString address() const;
};
// One "ADDR:PORT" (surrounding blanks aside); false when it is not one,
// or the port is not from 1 to 65535.
bool parse_target(const QString &text, Target *target);

// A list file: one ADDR:PORT a line; "#" starts a comment, blank lines
// count for nothing. False, with `error` naming the first bad line, when a
// line is no address, the file is not text or holds no controller.
bool read_hosts(QIODevice &file, QVector<Target> *targets, QString *error);

// A text for the terminal: control characters (an escape sequence in a
// serial number would drive the terminal) become U+FFFD.
QString console_text(const QString &text);

// How one controller's commissioning ended.
struct Outcome
{
    QString address;
    QString serial;   // empty: not identified
    int status = no_link;
    int before = -1;  // differences flagged by the first comparison; -1: none made
    int after = -1;   // by the comparison after the write (or the first one, without a write)
    QString report;   // the report written; empty: none
    QDateTime finished;
};

// The last line printed for a controller: one JSON object,
// {"address","serial","status","result","before","after","report"},
// before and after null when not measured, report null when none.
QString result_line(const Outcome &outcome);
// The last line of a list: {"controllers":N,"status":S}.
QString list_line(int controllers, int status);

// A line of the summary file, one a controller, ";"-separated like the
// device export and, like it, with no header: address, serial number,
// status, its word, differences before and after, report, time
// "yyyy-MM-dd hh:mm:ss".
QString summary_line(const Outcome &outcome);

} // namespace commissioning

#endif // APP_COMMISSIONING_RUN_H
