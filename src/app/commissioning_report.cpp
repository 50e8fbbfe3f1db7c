#include "app/commissioning_report.h"

#include "app/safe_files.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace report {

namespace {

// The longest text a cell of the report holds; a value longer than that
// is no setting anyone reads on paper.
constexpr int max_cell_characters = 4096;

// A family that draws Cyrillic: the first of some that are common on the
// systems the program runs on, else any the system has, else the default.
QString cyrillic_family()
{
    const QStringList available = QFontDatabase().families(QFontDatabase::Cyrillic);
    for (const char *family : {"DejaVu Sans", "Arial", "Liberation Sans", "Noto Sans", "Tahoma"}) {
        if (available.contains(QLatin1String(family)))
            return QLatin1String(family);
    }
    return available.isEmpty() ? QString() : available.first();
}

// Text from the controller or the user as one line of the report: control
// characters (a NUL, a line feed) become blanks, and a huge text is cut.
QString printable(const QString &text)
{
    QString line = text.left(max_cell_characters);
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    if (text.size() > max_cell_characters)
        line += QChar(0x2026);
    return line;
}

void add_table(QTextCursor &cursor, const Section &section, const QTextCharFormat &text, const QTextCharFormat &bold)
{
    const int columns = qMax(section.header.size(), section.rows.first().size());
    const int header_rows = section.header.isEmpty() ? 0 : 1;
    QTextTableFormat format;
    format.setBorder(0.5);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setHeaderRowCount(header_rows);
    QTextTable *table = cursor.insertTable(section.rows.size() + header_rows, columns, format);
    for (int column = 0; column < section.header.size(); ++column)
        table->cellAt(0, column).firstCursorPosition().insertText(printable(section.header.at(column)), bold);
    for (int row = 0; row < section.rows.size(); ++row) {
        const QStringList &cells = section.rows.at(row);
        for (int column = 0; column < qMin(columns, cells.size()); ++column)
            table->cellAt(row + header_rows, column)
                .firstCursorPosition()
                .insertText(printable(cells.at(column)), text);
    }
    cursor.movePosition(QTextCursor::End);
}

void build(QTextDocument &document, const Document &content)
{
    QTextCursor cursor(&document);
    QTextCharFormat text;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat title = bold;
    title.setFontPointSize(16);
    QTextCharFormat heading = bold;
    heading.setFontPointSize(12);
    QTextBlockFormat spaced;
    spaced.setTopMargin(12);
    spaced.setBottomMargin(4);

    cursor.insertText(printable(content.title), title);
    cursor.insertBlock(QTextBlockFormat(), text);
    cursor.insertText(content.made.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")), text);
    for (const Section &section : content.sections) {
        cursor.insertBlock(spaced, heading);
        cursor.insertText(printable(section.title), heading);
        for (const QString &line : section.lines) {
            cursor.insertBlock(QTextBlockFormat(), text);
            cursor.insertText(printable(line), text);
        }
        if (section.rows.isEmpty()) {
            if (!section.empty_text.isEmpty()) {
                cursor.insertBlock(QTextBlockFormat(), text);
                cursor.insertText(printable(section.empty_text), text);
            }
            continue;
        }
        cursor.insertBlock(QTextBlockFormat(), text);
        add_table(cursor, section, text, bold);
    }
}

} // namespace

QString nothing_read()
{
    return QStringLiteral("—");
}

QString or_nothing_read(const QString &text)
{
    return text.trimmed().isEmpty() ? nothing_read() : text;
}

QByteArray render_pdf(const Document &content)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return QByteArray();
    {
        QPdfWriter writer(&buffer);
        // The document keeps margins of its own when it prints.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(300);
        writer.setTitle(content.title);
        writer.setCreator(QStringLiteral("Конфигуратор УСПД-Kestrin"));

        QTextDocument document;
        QFont font(cyrillic_family());
        font.setPointSize(9);
        document.setDefaultFont(font);
        build(document, content);
        document.print(&writer);
    } // the writer finishes the file as it goes
    buffer.close();
    return bytes.startsWith("%PDF") ? bytes : QByteArray();
}

QString file_name(const QString &serial, const QDate &date)
{
    return QStringLiteral("Отчёт_УСПД_") + safe_files::name_part(serial) + QLatin1Char('_')
           + date.toString(QStringLiteral("dd_MM_yyyy")) + QStringLiteral(".pdf");
}

} // namespace report
