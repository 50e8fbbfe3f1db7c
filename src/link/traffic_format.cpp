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
    case QChar::LineSeparator:
        return true;
    default:
        return false;
    }
}

} // namespace

QString hex_record(int direction, const QByteArray &bytes)
{
    // Written straight into a string of the final size: a megabyte transfer
    // makes a line of three million characters.
    static const char digits[] = "0123456789abcdef";
    const QLatin1String prefix = direction != 0 ? QLatin1String("-> ") : QLatin1String("<- ");
    QString line(prefix.size() + 3 * bytes.size(), Qt::Uninitialized);
    QChar *out = std::copy(prefix.begin(), prefix.end(), line.data());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = QLatin1Char(digits[value >> 4]);
        *out++ = QLatin1Char(digits[value & 0x0f]);
        *out++ = QLatin1Char(' ');
    }
    return line;
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

    QString plain;
    plain.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            plain += QLatin1Char('\n');
        } else if (is_break_character(c)) {
            plain += QLatin1Char('\n');
        } else if (c == QChar::Nbsp) {
            plain += QLatin1Char(' ');
        } else {
            plain += c;
        }
    }
    return plain;
}

QString display_paragraphs(const QString &text, int lead_length)
{
    if (text.size() <= max_unbroken_line)
        return text;
    ParagraphCursor cursor(text, lead_length);
    return cursor.next(text.size() + text.size() / display_paragraph_length + 1);
}

ParagraphCursor::ParagraphCursor(const QString &text, int lead_length) : text(text), lead_length(lead_length) {}

QString ParagraphCursor::next(int length)
{
    QString shown;
    shown.reserve(qMin(length, int(text.size() - position) + (text.size() - position) / display_paragraph_length + 1));
    while (!at_end() && shown.size() < length) {
        if (line_end < position) {
            line_end = text.indexOf(QLatin1Char('\n'), position);
            if (line_end < 0)
                line_end = text.size();
            long_line = line_end - position > max_unbroken_line;
            paragraph_length = lead_length + display_paragraph_length;
            first_paragraph = true;
        }
        if (!long_line) {
            shown += text.midRef(position, line_end - position);
            position = line_end;
        } else {
            int to = qMin(position + paragraph_length, line_end);
            if (to < line_end && text.at(to).isLowSurrogate())
                ++to;
            if (!first_paragraph)
                shown += QLatin1Char('\n');
            shown += text.midRef(position, to - position);
            position = to;
            first_paragraph = false;
            paragraph_length = display_paragraph_length;
        }
        if (position == line_end && position < text.size()) {
            shown += QLatin1Char('\n');
            ++position;
        }
    }
    return shown;
}

QString log_file_name(const QDateTime &when)
{
    return QLatin1String("Log_") + when.toString(QStringLiteral("dd_MM_yyyy HH_mm_ss"))
            + QLatin1String(".txt");
}

QString time_stamp(const QTime &when)
{
    return QLatin1Char('[') + when.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral("] ");
}

} // namespace traffic_format
