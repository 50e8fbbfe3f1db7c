#include "app/commissioning_report.h"

#include "app/safe_files.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <climits>
#include <numeric>

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

// Table cells keep this much room (in the document's units of 1/96 inch) on
// each side of their text.
constexpr qreal cell_padding = 3;
constexpr qreal table_border = 0.5;
// The page margins, as a printed QTextDocument has them.
constexpr qreal page_margin_cm = 2;
// A table whose words do not fit side by side at the report's size is set
// smaller, half a point at a time, down to this.
constexpr qreal smallest_table_point_size = 6;

// Where pages break besides where they fill up: before the headings of some
// sections, and before some data rows of some tables.
struct Breaks
{
    QSet<int> before_section;
    QHash<int, QSet<int>> before_row; // section -> index in section.rows
};

// One piece of a section's table: the rows from `first_row` on, up to the
// next piece.
struct TablePiece
{
    QTextTable *table = nullptr;
    int first_row = 0;
};

// What build() put where, to look at once the document is laid out.
struct Placed
{
    QTextBlock heading;
    QTextBlock next; // the first block after the heading, when there is no table
    QVector<TablePiece> pieces;
};

// The runs of `text` without spaces: what a line never breaks where the
// column is as wide as the widest of them.
QStringList words(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The widths of a table's columns, in the units of `device`, and the point
// size of its text: every column at least as wide as its widest word, the
// rest of `available` shared by what the columns' longest cells ask for. When the
// words do not fit side by side even at the smallest size, the columns with
// the widest words share what is left and only those words wrap.
struct ColumnPlan
{
    QVector<qreal> widths;
    qreal point_size = 0;
};

ColumnPlan plan_columns(const QVector<QStringList> &cells, int header_rows, int columns, const QFont &base,
                        qreal available, qreal padding, QPaintDevice *device)
{
    ColumnPlan plan;
    QVector<qreal> widest(columns), longest(columns);
    for (qreal size = base.pointSizeF(); size >= smallest_table_point_size - 0.01; size -= 0.5) {
        QFont font = base;
        font.setPointSizeF(size);
        QFont bold = font;
        bold.setBold(true);
        const QFontMetricsF text_metrics(font, device), bold_metrics(bold, device);
        widest.fill(0);
        longest.fill(0);
        for (int row = 0; row < cells.size(); ++row) {
            const QFontMetricsF &metrics = row < header_rows ? bold_metrics : text_metrics;
            for (int column = 0; column < qMin(columns, cells.at(row).size()); ++column) {
                const QString &cell = cells.at(row).at(column);
                longest[column] = qMax(longest.at(column), metrics.horizontalAdvance(cell) + padding);
                for (const QString &word : words(cell)) {
                    // A word wider than the page wraps anyway, at any
                    // character: it asks for no more than an even share.
                    const qreal width = metrics.horizontalAdvance(word) + padding;
                    widest[column] = qMax(widest[column], width > available ? available / columns : width);
                }
            }
        }
        plan.point_size = size;
        qreal needed = 0;
        for (qreal width : widest)
            needed += qMax(width, padding);
        if (needed <= available)
            break;
    }
    for (qreal &width : widest)
        width = qMax(width, padding);

    // Still too wide: the narrow columns keep their words whole, the widest
    // are cut to one width so that the columns fill the page.
    qreal needed = std::accumulate(widest.cbegin(), widest.cend(), qreal(0));
    if (needed > available) {
        QVector<qreal> sorted = widest;
        std::sort(sorted.begin(), sorted.end());
        qreal cap = available / columns;
        qreal narrow = 0;
        for (int i = 0; i < columns; ++i) {
            const qreal even = (available - narrow) / (columns - i);
            if (sorted.at(i) > even) {
                cap = even;
                break;
            }
            narrow += sorted.at(i);
        }
        for (qreal &width : widest)
            width = qMin(width, cap);
        needed = std::accumulate(widest.cbegin(), widest.cend(), qreal(0));
    }

    // What is left goes first where a cell would otherwise wrap: each
    // column up to its longest cell on one line, in proportion to how much
    // more that asks for than its widest word; what still remains, in
    // proportion to those lines.
    plan.widths = widest;
    QVector<qreal> wants(columns);
    for (int column = 0; column < columns; ++column)
        wants[column] = qMax(qreal(0), qMin(longest.at(column), available) - widest.at(column));
    const qreal wanted = std::accumulate(wants.cbegin(), wants.cend(), qreal(0));
    const qreal rest = qMax(qreal(0), available - needed);
    const qreal given = qMin(rest, wanted);
    qreal lines = 0;
    for (int column = 0; column < columns; ++column) {
        if (wanted > 0)
            plan.widths[column] += given * wants.at(column) / wanted;
        lines += plan.widths.at(column);
    }
    for (int column = 0; column < columns; ++column)
        plan.widths[column] += (rest - given) * plan.widths.at(column) / lines;
    return plan;
}

// The page each line of the blocks from `from` up to `to` stands on: the
// first and the last.
QPair<int, int> pages_of(QTextDocument &document, int from, int to, qreal page_height)
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    int first = INT_MAX, last = -1;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const QTextLayout *lines = block.layout();
        const qreal top = layout->blockBoundingRect(block).top();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const int page = int((top + line.y() + line.height() / 2) / page_height);
            first = qMin(first, page);
            last = qMax(last, page);
        }
    }
    return {first == INT_MAX ? -1 : first, last};
}

QPair<int, int> pages_of_rows(QTextDocument &document, QTextTable *table, int first_row, int last_row,
                              qreal page_height)
{
    return pages_of(document, table->cellAt(first_row, 0).firstPosition(),
                    table->cellAt(last_row, table->columns() - 1).lastPosition(), page_height);
}

// The first place where the layout parts what must stay together: a
// heading (with its lines) from the first row of its table, or a row of a
// table from itself. Adds the page break that mends it; false when all is
// well or nothing more can be mended.
bool mend_first_parting(QTextDocument &document, const QVector<Placed> &placed, qreal page_height, qreal heading_top, Breaks &breaks)
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    for (int index = 0; index < placed.size(); ++index) {
        const Placed &section = placed.at(index);
        const int heading_page = pages_of(document, section.heading.position(), section.heading.position(),
                                          page_height)
                                     .first;
        int follow_page = -1;
        if (!section.pieces.isEmpty()) {
            const TablePiece &piece = section.pieces.first();
            const int header_rows = piece.table->format().headerRowCount();
            follow_page = pages_of_rows(document, piece.table, 0, qMin(header_rows, piece.table->rows() - 1),
                                        page_height)
                              .second;
        } else if (section.next.isValid()) {
            follow_page = pages_of(document, section.next.position(), section.next.position(), page_height).second;
        }
        // A heading already first on its page stays where it is: its section
        // does not fit a page however it is broken.
        const qreal from_page_top = layout->blockBoundingRect(section.heading).top() - heading_page * page_height;
        if (follow_page > heading_page && !breaks.before_section.contains(index) && from_page_top > heading_top) {
            breaks.before_section.insert(index);
            return true;
        }
        for (const TablePiece &piece : section.pieces) {
            const int header_rows = piece.table->format().headerRowCount();
            // The first row of a piece stands at the top of a page or under
            // its heading: taller than a page when it is split.
            for (int row = header_rows + 1; row < piece.table->rows(); ++row) {
                const QPair<int, int> pages = pages_of_rows(document, piece.table, row, row, page_height);
                if (pages.first < pages.second) {
                    breaks.before_row[index].insert(piece.first_row + row - header_rows);
                    return true;
                }
            }
        }
    }
    return false;
}

// Inserts rows `from` up to `to` of the section's table at the cursor.
QTextTable *add_table(QTextCursor &cursor, const Section &section, int from, int to, const ColumnPlan &plan,
                      QTextCharFormat text, QTextCharFormat bold)
{
    const int columns = plan.widths.size();
    const int header_rows = section.header.isEmpty() ? 0 : 1;
    QTextTableFormat format;
    format.setBorder(table_border);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setCellPadding(cell_padding);
    format.setCellSpacing(0);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setHeaderRowCount(header_rows);
    QVector<QTextLength> widths;
    for (qreal width : plan.widths)
        widths << QTextLength(QTextLength::FixedLength, width);
    format.setColumnWidthConstraints(widths);
    text.setFontPointSize(plan.point_size);
    bold.setFontPointSize(plan.point_size);
    QTextTable *table = cursor.insertTable(to - from + header_rows, columns, format);
    for (int column = 0; column < section.header.size(); ++column)
        table->cellAt(0, column).firstCursorPosition().insertText(printable(section.header.at(column)), bold);
    for (int row = from; row < to; ++row) {
        const QStringList &cells = section.rows.at(row);
        for (int column = 0; column < qMin(columns, cells.size()); ++column)
            table->cellAt(row - from + header_rows, column)
                .firstCursorPosition()
                .insertText(printable(cells.at(column)), text);
    }
    cursor.movePosition(QTextCursor::End);
    return table;
}

// The document's measures, in the units of the device it is laid out for.
struct Page
{
    QPaintDevice *device = nullptr;
    qreal to_device = 1; // device units per 1/96 inch
    qreal text_width = 0;
};

QVector<Placed> build(QTextDocument &document, const Document &content, const Page &page, const Breaks &breaks)
{
    document.clear();
    QVector<Placed> placed;
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
    QTextBlockFormat new_page;
    new_page.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    // Between two pieces of a table: a line too low to see, on the new page.
    QTextCharFormat hairline;
    hairline.setFontPointSize(1);

    cursor.insertText(printable(content.title), title);
    cursor.insertBlock(QTextBlockFormat(), text);
    cursor.insertText(content.made.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")), text);
    for (int index = 0; index < content.sections.size(); ++index) {
        const Section &section = content.sections.at(index);
        Placed where;
        QTextBlockFormat heading_format = spaced;
        if (breaks.before_section.contains(index))
            heading_format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor.insertBlock(heading_format, heading);
        cursor.insertText(printable(section.title), heading);
        where.heading = cursor.block();
        for (const QString &line : section.lines) {
            cursor.insertBlock(QTextBlockFormat(), text);
            cursor.insertText(printable(line), text);
        }
        if (section.rows.isEmpty()) {
            if (!section.empty_text.isEmpty()) {
                cursor.insertBlock(QTextBlockFormat(), text);
                cursor.insertText(printable(section.empty_text), text);
            }
            where.next = where.heading.next();
            placed.append(where);
            continue;
        }
        const int columns = qMax(section.header.size(), section.rows.first().size());
        const int header_rows = section.header.isEmpty() ? 0 : 1;
        QVector<QStringList> cells;
        if (header_rows)
            cells.append(section.header);
        for (const QStringList &row : section.rows) {
            QStringList shown;
            for (const QString &cell : row)
                shown << printable(cell);
            cells.append(shown);
        }
        for (QString &cell : cells.first())
            cell = printable(cell);
        const qreal padding = 2 * cell_padding * page.to_device + 2; // and a little for rounding
        const qreal available = page.text_width - columns * 2 * table_border * page.to_device - 2;
        ColumnPlan plan =
            plan_columns(cells, header_rows, columns, document.defaultFont(), available, padding, page.device);
        for (qreal &width : plan.widths)
            width /= page.to_device; // the table's lengths are in 1/96 inch
        QVector<int> starts = breaks.before_row.value(index).values().toVector();
        std::sort(starts.begin(), starts.end());
        starts.prepend(0);
        starts.append(section.rows.size());
        for (int piece = 0; piece + 1 < starts.size(); ++piece) {
            if (piece == 0) {
                cursor.insertBlock(QTextBlockFormat(), text);
            } else {
                cursor.setBlockFormat(new_page);
                cursor.setBlockCharFormat(hairline);
            }
            QTextTable *table = add_table(cursor, section, starts.at(piece), starts.at(piece + 1), plan, text, bold);
            where.pieces.append({table, starts.at(piece)});
        }
        placed.append(where);
    }
    return placed;
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
        // The document keeps margins of its own.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setResolution(300);
        writer.setTitle(content.title);
        writer.setCreator(QStringLiteral("Конфигуратор УСПД-Kestrin"));

        // Laid out on the writer's pages, in the writer's units, so that
        // what is measured here is what gets printed.
        QTextDocument document;
        QFont font(cyrillic_family());
        font.setPointSize(9);
        document.setDefaultFont(font);
        document.documentLayout()->setPaintDevice(&writer);
        const QSizeF page_size(writer.width(), writer.height());
        document.setPageSize(page_size);
        Page page;
        page.device = &writer;
        page.to_device = writer.logicalDpiY() / 96.0;
        const qreal margin = page_margin_cm / 2.54 * 96;
        page.text_width = page_size.width() - 2 * margin * page.to_device;
        const qreal heading_top = (margin + 12 + 4) * page.to_device;

        // Laid out again with a page break before whatever would stand
        // apart, the first such place at a time, until none is left.
        Breaks breaks;
        QVector<Placed> placed;
        for (int round = 0; round < 1000; ++round) {
            placed = build(document, content, page, breaks);
            QTextFrameFormat root = document.rootFrame()->frameFormat();
            root.setMargin(margin);
            document.rootFrame()->setFrameFormat(root);
            if (!mend_first_parting(document, placed, page_size.height(), heading_top, breaks))
                break;
        }

        QPainter painter(&writer);
        const int pages = document.pageCount();
        for (int index = 0; index < pages; ++index) {
            if (index > 0)
                writer.newPage();
            painter.save();
            const QRectF view(0, index * page_size.height(), page_size.width(), page_size.height());
            painter.translate(0, -view.top());
            painter.setClipRect(view);
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = view;
            context.palette.setColor(QPalette::Text, Qt::black);
            document.documentLayout()->draw(&painter, context);
            painter.setClipping(false);
            painter.setFont(document.defaultFont());
            const QString number = QString::number(index + 1);
            painter.drawText(QPointF(page_size.width() - margin * page.to_device
                                         - painter.fontMetrics().horizontalAdvance(number),
                                     view.bottom() - margin * page.to_device + painter.fontMetrics().ascent()
                                         + 5 * writer.logicalDpiY() / 72.0),
                             number);
            painter.restore();
        }
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
