#ifndef PARAMS_COMPARISON_RULES_H
#define PARAMS_COMPARISON_RULES_H

#include "params/catalogue.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVector>

// Comparing a controller's parameter set with a settings file (a site's
// template): which rows differ, judged by what the pages would show.
namespace params {

// A value as a row of `type` shows it: the text of a plain cell, the item an
// Itf value selects, a Uart value as the "speed_bitsParityStop" text of the
// boxes it selects ("9600_8N1"; a value without "_" is its speed alone). A
// value the row's editor cannot show (an Itf or Uart value that is no text,
// an Itf text no item holds) stands as its JSON text.
QString shown_value(const QString &type, const QJsonValue &value);

// One row where the controller is not as the file says.
struct Difference
{
    int page = 0;
    int row = 0;
    QString name;             // display name of the row
    QString file_value;       // as the page shows it
    QString controller_value; // as the page shows it; empty when missing
    bool missing = false;     // the controller's reply has no such key
    bool writable = false;

    // Whether a write of the page's checked rows should send it.
    bool to_write() const { return writable && !missing; }
};

// Every row, page by page in row order, whose key the file holds and whose
// value the controller reports otherwise or not at all. Keys the file lacks
// are not compared: a template may name only what it means to set.
QVector<Difference> compare_settings(const Catalogue &catalogue, const QJsonObject &file,
                                     const QJsonObject &controller);

// The tool tip of a differing row: "В контроллере: " and the controller's
// value, or "Нет в ответе контроллера".
QString difference_tip(const Difference &difference);
// The status line after a comparison: "Отличий: N" or "Отличий нет".
QString differences_text(int count);

// The parameter values of a settings file: false when its text is not one
// JSON object.
bool parse_settings(const QString &text, QJsonObject *values);

// The outcome of the last comparison, as the report tells it.
struct Comparison
{
    QString file_name;
    QDateTime made; // invalid: no comparison yet
    QVector<Difference> differences;
};

} // namespace params

#endif // PARAMS_COMPARISON_RULES_H
