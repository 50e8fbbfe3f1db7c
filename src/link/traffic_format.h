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

// The text of one record made a piece at a time, so that the text of a large
// transfer (three characters a byte as hex) never exists whole: the hex line
// as hex_record() makes it, the text as plain_log_text(text_record()) does,
// or a line given whole; each after a prefix (a time stamp).
class RecordText
{
public:
    static RecordText hex(int direction, const QByteArray &bytes, const QString &prefix);
    static RecordText text(const QByteArray &bytes, const QString &prefix);
    static RecordText line(const QString &line);

    bool at_end() const { return started && position >= end; }
    // The text of about the next `byte_count` bytes; a UTF-8 sequence is
    // never cut, and the prefix comes with the first piece. A record of no
    // bytes is one piece, the prefix alone.
    QString next(int byte_count);
    // Bytes the record shows.
    int size() const { return end; }
    // Characters of the line's start that its first shown paragraph keeps
    // besides a paragraph's length: the prefix and "-> " of a hex line.
    int lead_length() const { return kind == Hex ? head.size() : 0; }

private:
    enum Kind { Hex, Text, Line };
    RecordText(Kind kind, const QByteArray &bytes, int end, const QString &head);
    int text_piece_end(int wanted) const;

    Kind kind;
    QByteArray bytes;
    int end;
    QString head; // comes first
    int position = 0;
    bool started = false;
    bool carriage_return = false; // held back: a "\n" may follow in the next piece
};

// Paragraphs as the window shows them, joined by "\n".
struct ShownParagraphs
{
    QString text;
    int count = 0;

    void add(const QChar *characters, int length);
};

// Breaks text given a piece at a time into the paragraphs of
// display_paragraphs(), holding back the unfinished one. It keeps at most a
// line of max_unbroken_line characters.
class ParagraphBreaker
{
public:
    explicit ParagraphBreaker(int lead_length = 0) : lead_length(lead_length) {}

    // The paragraphs `piece` completes are added to `out`.
    void add(const QString &piece, ShownParagraphs &out);
    // The text has ended: its last paragraph is added to `out`.
    void finish(ShownParagraphs &out);

private:
    void break_long_line(ShownParagraphs &out, bool line_ends);

    int lead_length;
    QString line; // the part of the current line not shown yet
    bool long_line = false;
    int paragraph_length = 0;
};

// "Log_" + date and time as "dd_MM_yyyy HH_mm_ss" + ".txt".
QString log_file_name(const QDateTime &when);

} // namespace traffic_format

#endif // TRAFFIC_FORMAT_H
