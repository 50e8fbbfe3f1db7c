#include "link/traffic_format.h"

#include <QDateTime>

#include <algorithm>

namespace traffic_format {

namespace {

// Characters QTextCursor::insertText() turns into paragraph breaks: the
// frame markers, the Unicode paragraph and line separators. "\r" is
// handled apart because "\r\n" is one break.
bool is_break_character(QChar c)
{
    switch (c.unicode()) {
    case 0xfdd0: // beginning of a frame
    case 0xfdd1: // end of a frame
    case QChar::ParagraphSeparator:
    case QChar::LineSeparator: return true;
    default: return false;
    }
}

QLatin1String direction_mark(int direction)
{
    return direction != 0 ? QLatin1String("-> ") : QLatin1String("<- ");
}

// `head` and then each of `count` bytes as two hex digits and a space,
// written straight into a string of the final size: a megabyte transfer
// makes a line of three million characters.
QString hex_text(const QString &head, const char *bytes, int count)
{
    static const char digits[] = "0123456789abcdef";
    QString text(head.size() + 3 * count, Qt::Uninitialized);
    QChar *out = std::copy(head.begin(), head.end(), text.data());
    for (const char *byte = bytes; byte != bytes + count; ++byte) {
        const auto value = static_cast<unsigned char>(*byte);
        *out++ = QLatin1Char(digits[value >> 4]);
        *out++ = QLatin1Char(digits[value & 0x0f]);
        *out++ = QLatin1Char(' ');
    }
    return text;
}

} // namespace

QString hex_record(int direction, const QByteArray &bytes)
{
    return hex_text(direction_mark(direction), bytes.constData(), bytes.size());
}

QString byte_count_line(int count)
{
    return QStringLiteral("Количество байт: ") + QString::number(count);
}

QString text_record(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromUtf8(bytes.constData(), nul < 0 ? bytes.size() : nul);
}

QString plain_log_text(QString text)
{
    // Nothing to do for the usual JSON text, and then no copy is made.
    const auto needs_change = [](QChar c) {
        return c == QLatin1Char('\r') || c == QChar::Nbsp || is_break_character(c);
    };
    if (std::none_of(text.cbegin(), text.cend(), needs_change))
        return text;

    // Written straight into a string that can only shrink: a text of
    // megabytes with a "\r\n" on every line takes this way.
    QString plain(text.size(), Qt::Uninitialized);
    QChar *out = plain.data();
    const QChar *end = text.cend();
    for (const QChar *c = text.cbegin(); c != end; ++c) {
        if (*c == QLatin1Char('\r')) {
            if (c + 1 != end && c[1] == QLatin1Char('\n'))
                ++c;
            *out++ = QLatin1Char('\n');
        } else if (is_break_character(*c)) {
            *out++ = QLatin1Char('\n');
        } else if (*c == QChar::Nbsp) {
            *out++ = QLatin1Char(' ');
        } else {
            *out++ = *c;
        }
    }
    plain.truncate(int(out - plain.constData()));
    return plain;
}

QString display_paragraphs(const QString &text, int lead_length)
{
    if (text.size() <= max_unbroken_line)
        return text;
    ParagraphBreaker breaker(lead_length);
    ShownParagraphs shown;
    breaker.add(text, shown);
    breaker.finish(shown);
    return shown.text;
}

RecordText::RecordText(Kind kind, const QByteArray &bytes, int end, const QString &head)
    : kind(kind), bytes(bytes), end(end), head(head)
{
}

RecordText RecordText::hex(int direction, const QByteArray &bytes, const QString &prefix)
{
    return RecordText(Hex, bytes, bytes.size(), prefix + direction_mark(direction));
}

RecordText RecordText::text(const QByteArray &bytes, const QString &prefix)
{
    const int nul = bytes.indexOf('\0');
    return RecordText(Text, bytes, nul < 0 ? bytes.size() : nul, prefix);
}

RecordText RecordText::line(const QString &line)
{
    return RecordText(Line, QByteArray(), 0, line);
}

QString RecordText::next(int byte_count)
{
    const bool first = !started;
    started = true;
    const QString lead = first ? head : QString();
    if (kind == Line) {
        position = end;
        return lead;
    }
    const int from = position;
    if (kind == Hex) {
        position += qBound(0, byte_count, end - from);
        return hex_text(lead, bytes.constData() + from, position - from);
    }
    position = text_piece_end(from + qMax(1, byte_count));
    QString piece = QString::fromUtf8(bytes.constData() + from, position - from);
    if (carriage_return)
        piece.prepend(QLatin1Char('\r'));
    carriage_return = position < end && piece.endsWith(QLatin1Char('\r'));
    if (carriage_return)
        piece.chop(1);
    return plain_log_text(lead + piece);
}

int RecordText::text_piece_end(int wanted) const
{
    // Decoded apart, the pieces must come out as the whole would. They do
    // when a piece begins at a byte that starts a character (ASCII or a
    // lead byte) but not a byte order mark, which is dropped at the start
    // of a decoding only; or at a stray continuation byte that no lead byte
    // before it can claim.
    const auto byte = [this](int i) { return static_cast<unsigned char>(bytes.at(i)); };
    for (int i = wanted; i < end; ++i) {
        if (byte(i) < 0x80 || byte(i) >= 0xc0) {
            if (!(i + 2 < end && byte(i) == 0xef && byte(i + 1) == 0xbb && byte(i + 2) == 0xbf))
                return i;
        } else if (std::none_of(bytes.constData() + qMax(0, i - 3), bytes.constData() + i,
                                [](char c) { return static_cast<unsigned char>(c) >= 0xc0; })) {
            return i;
        }
    }
    return end;
}

void ShownParagraphs::add(const QChar *characters, int length)
{
    if (count++ > 0)
        text += QLatin1Char('\n');
    text.append(characters, length);
}

void ParagraphBreaker::add(const QString &piece, ShownParagraphs &out)
{
    int from = 0;
    for (;;) {
        const int line_end = piece.indexOf(QLatin1Char('\n'), from);
        const int to = line_end < 0 ? piece.size() : line_end;
        line.append(piece.constData() + from, to - from);
        if (!long_line && line.size() > max_unbroken_line) {
            long_line = true;
            paragraph_length = lead_length + display_paragraph_length;
        }
        if (line_end < 0) {
            if (long_line)
                break_long_line(out, false);
            return;
        }
        finish(out);
        from = line_end + 1;
    }
}

void ParagraphBreaker::finish(ShownParagraphs &out)
{
    if (long_line)
        break_long_line(out, true);
    else
        out.add(line.constData(), line.size());
    line.clear();
    long_line = false;
}

void ParagraphBreaker::break_long_line(ShownParagraphs &out, bool line_ends)
{
    // A paragraph is cut only once a character follows it, which tells
    // whether the cut would split a surrogate pair.
    int at = 0;
    while (line.size() - at > paragraph_length) {
        int length = paragraph_length;
        if (line.at(at + length).isLowSurrogate())
            ++length;
        out.add(line.constData() + at, length);
        at += length;
        paragraph_length = display_paragraph_length;
    }
    if (line_ends && at < line.size()) {
        out.add(line.constData() + at, line.size() - at);
        at = line.size();
    }
    line.remove(0, at);
}

QString log_file_name(const QDateTime &when)
{
    return QLatin1String("Log_") + when.toString(QStringLiteral("dd_MM_yyyy HH_mm_ss")) + QLatin1String(".txt");
}

QString time_stamp(const QTime &when)
{
    return QLatin1Char('[') + when.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral("] ");
}

} // namespace traffic_format
