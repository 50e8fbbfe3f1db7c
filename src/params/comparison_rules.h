#ifndef PARAMS_COMPARISON_RULES_H
#define PARAMS_COMPARISON_RULES_H

#include "params/catalogue.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
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

// The keys of the rows that are each controller's own (its address and
// its name and place on the site): a template shows where they differ but
// never sets them.
const QStringList &per_unit_keys();

// A file value as a row of `type` takes it, or Undefined when it does not
// fit: Int an integer exact to 64 bits (a number, or a text of digits),
// given as a number; Float a finite number; Int[] an array of integers
// (numbers or texts of digits) or a text of "."-separated digits; Uart a
// text "speed_frame" whose frame holds one data-bits, one parity and one
// stop-bits mark ("9600_8N1"); Itf a text an item of the box holds; String
// a text.
QJsonValue fitted_value(const QString &type, const QJsonValue &value);

// How a row differs from the file, and so what a comparison does with it.
enum class DifferenceKind {
    Flagged,  // a writable row the file sets otherwise: checked for writing
    ReadOnly, // a row that may only be read
    PerUnit,  // one of per_unit_keys()
    Unusable, // the file's value does not fit the row
    Missing,  // the controller's reply has no such key
};

// One row where the controller is not as the file says.
struct Difference
{
    int page = 0;
    int row = 0;
    QString name;             // display name of the row
    QString file_value;       // as the page shows it; the JSON text when Unusable
    QString controller_value; // as the page shows it; empty when missing
    bool missing = false;     // the controller's reply has no such key
    bool writable = false;
    DifferenceKind kind = DifferenceKind::Flagged;

    // Whether a write of the page's checked rows should send it.
    bool to_write() const { return kind == DifferenceKind::Flagged; }
};

// The outcome of a comparison, as the status line and the report tell it.
struct Comparison
{
    QString file_name;
    QDateTime made; // invalid: no comparison yet
    QVector<Difference> differences;
    int named = 0;    // rows whose key the file holds
    int compared = 0; // of them, the rows compared, whether they differ or not
};

// Whether a comparison shows the file's value in the row of `key`: not on
// the clock row (set with its own button) nor on the rows of per_unit_keys().
bool shows_file_value(const QString &key);

// Whether the file names any key of the catalogue.
bool shares_key(const Catalogue &catalogue, const QJsonObject &file);

// Every row, page by page in row order, whose key the file holds and whose
// value the controller reports otherwise or not at all, or which the
// file's value does not fit. Keys the file lacks are not compared: a
// template may name only what it means to set. The clock row ("time") and
// rows that may only be written are not compared either.
Comparison compare_settings(const Catalogue &catalogue, const QJsonObject &file, const QJsonObject &controller);

// The tool tip of a differing row: why it is marked and, where there is
// one, the value the page does not show.
QString difference_tip(const Difference &difference);
// The status line after a comparison: "Отличий: N" (rows flagged) or
// "Отличий нет", then the other kinds that occur ("; только для чтения: 1");
// "В файле нет параметров этого контроллера" or "Нечего сравнивать" when no
// row was compared.
QString comparison_text(const Comparison &comparison);
// "Отличий: N", or "Отличий нет" for none.
QString differences_text(int count);

// A settings file for a comparison: false, with the status that tells
// why, when it cannot be read, is not UTF-8 or is not one JSON object.
bool read_comparison_file(const QString &path, QJsonObject *values, QString *refusal);

// A template to compare the controller with: read_comparison_file(), and
// refused as well (with comparison_text() of no comparison) when it names
// no key of `catalogue`: a file of another controller is not worth a request.
bool read_template(const Catalogue &catalogue, const QString &path, QJsonObject *values, QString *refusal);

// The parameter values of a settings file: false when its text is not one
// JSON object.
bool parse_settings(const QString &text, QJsonObject *values);

} // namespace params

#endif // PARAMS_COMPARISON_RULES_H
