#ifndef TRAFFIC_FORMAT_H
#define TRAFFIC_FORMAT_H

#include <QByteArray>
#include <QString>

class QDateTime;
class QTime;

// The lines of the traffic log, built without any widget so that they can
// be checked on their own. A record of one transfer is the hex line, the
// byte-count line and the text line.
namespace traffic_format {

// "-> " (direction != 0, sent) or "<- " (direction 0, received), then each
// byte as two lowercase hex digits and one space; so it ends with a space.
QString hex_record(int direction, const QByteArray &bytes);

// "Количество байт: " and the count in decimal.
QString byte_count_line(int count);

// The bytes decoded as UTF-8, up to the first NUL byte. Invalid sequences
// come out as replacement characters.
QString text_record(const QByteArray &bytes);

// Text as a QTextEdit gives it back from toPlainText(): every kind of line
// break becomes "\n" and no-break spaces become plain spaces. The log stores
// its lines in this form, so the saved file matches what the window shows.
QString plain_log_text(QString text);

// Lines longer than this are shown in the window broken into paragraphs;
// laying out one huge paragraph stalls QTextEdit for seconds.
constexpr int max_unbroken_line = 32768;
// 256 bytes of a hex record; a multiple of three, so that every paragraph
// of one starts at a byte.
constexpr int display_paragraph_length = 768;

// `text` as the window shows it: every line of at most max_unbroken_line
// characters as it is, longer ones broken into paragraphs of
// display_paragraph_length characters, the first of which also holds the
// `lead_length` characters of a line prefix ("-> "). A surrogate pair is
// never split.
QString display_paragraphs(const QString &text, int lead_length = 0);

// "[hh:mm:ss.zzz] ", the stamp that starts a record line when time stamps
// are on.
QString time_stamp(const QTime &when);

// Walks `text` as display_paragraphs() shows it, a piece at a time, so that
// a large record reaches the window in slices without its whole display
// copy ever being made at once. The pieces joined are display_paragraphs().
class ParagraphCursor
{
public:
    ParagraphCursor(const QString &text, int lead_length);

    bool at_end() const { return position >= text.size(); }
    // The display text that follows, whole lines and paragraphs only, up to
    // about `length` characters (one line or paragraph at least).
    QString next(int length);

private:
    QString text;
    int lead_length;
    int position = 0;
    int line_end = -1;      // of the line being walked
    bool long_line = false; // broken into paragraphs
    int paragraph_length = 0;
    bool first_paragraph = true;
};

// "Log_" + date and time as "dd_MM_yyyy HH_mm_ss" + ".txt".
QString log_file_name(const QDateTime &when);

} // namespace traffic_format

#endif // TRAFFIC_FORMAT_H
