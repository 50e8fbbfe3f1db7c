#ifndef APP_COMMISSIONING_REPORT_H
#define APP_COMMISSIONING_REPORT_H

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// The commissioning report: what the window holds, laid out as a PDF that
// an engineer hands over with the controller.
namespace report {

// One part of the report: a heading, lines of text, and a table (with a
// header row when `header` is not empty). A table without rows shows
// `empty_text` instead.
struct Section
{
    QString title;
    QStringList lines;
    QStringList header;
    QVector<QStringList> rows;
    QString empty_text;
};

struct Document
{
    QString title;
    QDateTime made;
    QVector<Section> sections;
};

// What a cell shows where nothing was read.
QString nothing_read();
// `text`, or nothing_read() when it is empty.
QString or_nothing_read(const QString &text);

// The report as a PDF: A4 pages, real text in a font that has Cyrillic, the
// tables split over pages with their header rows repeated. Empty when no
// PDF could be made.
QByteArray render_pdf(const Document &document);

// "Отчёт_УСПД_" + serial + "_" + dd_MM_yyyy + ".pdf", with the serial made
// fit for a file name.
QString file_name(const QString &serial, const QDate &date);

} // namespace report

#endif // APP_COMMISSIONING_REPORT_H
