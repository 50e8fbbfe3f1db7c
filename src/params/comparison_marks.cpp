// Comparing the controller with a settings file: the file is chosen first,
// then the controller's whole set is read with the settings dump's request,
// and the pages show the file's values with the rows where the controller
// differs marked and checked, so that "Записать" on a page applies the
// file to it.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/plain_tip.h"

#include "engine/exchange.h"
#include "engine/requests.h"
#include "params/comparison_rules.h"
#include "params/parameter_values.h"
#include "params/settings_file_rules.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QTableWidget>

namespace {

constexpr int value_column = 2;

// The colour of a marked row by what kind of difference it is.
QColor difference_colour(params::DifferenceKind kind)
{
    switch (kind) {
    case params::DifferenceKind::ReadOnly: return QColor(0xD0, 0xD8, 0xE8);
    case params::DifferenceKind::PerUnit: return QColor(0xD8, 0xEC, 0xD0);
    case params::DifferenceKind::Unusable: return QColor(0xFF, 0xB0, 0xB0);
    case params::DifferenceKind::Flagged:
    case params::DifferenceKind::Missing: break;
    }
    return QColor(0xFF, 0xD8, 0xA8);
}

} // namespace

void MainWindow::on_compare_settings_btn_clicked()
{
    // Refused before the dialog, as any request is: the file would be
    // chosen for nothing.
    if (!request_may_start(GuardText::Latin))
        return;
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Сравнить с файлом"), QString(),
                                                      params::settings_file_filter());
    if (!path.isEmpty())
        compare_with_file(path);
}

bool MainWindow::compare_with_file(const QString &path)
{
    QJsonObject values;
    QString refusal;
    if (!params::read_template(param_pages, path, &values, &refusal)) {
        show_status(refusal);
        return false;
    }
    // The link may have gone, or another operation begun, while the dialog
    // was up.
    if (!request_may_start(GuardText::Latin))
        return false;
    start_settings_comparison(values, QFileInfo(path).fileName(), params::file_sha256(path));
    return true;
}

void MainWindow::apply_comparison(const QJsonObject &controller)
{
    const engine::Comparison &comparison = progress<engine::Comparison>();
    const QJsonObject &file_values = comparison.file_values;
    params::Comparison result = params::compare_settings(param_pages, file_values, controller);
    // Decided before the request as a rule; a catalogue reloaded since may
    // still share nothing with the file, and then nothing changes.
    if (result.named == 0) {
        show_status(params::comparison_text(result));
        return;
    }
    clear_difference_marks();
    // The file's values where it names the row with a value the row takes
    // (full precision in a plain cell, so that a write sends the file's
    // value), but the controller's on the clock and on rows of its own; the
    // controller's elsewhere. Every flag cleared but those of the rows a
    // write should send.
    for (int page = 0; page < params::page_count; ++page) {
        const ParamPage &catalogue = param_pages[page];
        QTableWidget *table = param_tables[page];
        const int rows = qMin(catalogue.size(), table->rowCount());
        for (int row = 0; row < rows; ++row) {
            const QString &key = catalogue.keys.at(row);
            const QString &type = catalogue.types.at(row);
            const QJsonValue fitted = file_values.contains(key) ? params::fitted_value(type, file_values.value(key))
                                                                : QJsonValue(QJsonValue::Undefined);
            if (!fitted.isUndefined() && params::shows_file_value(key)) {
                set_param_value(page, row, fitted);
                QTableWidgetItem *item = table->item(row, value_column);
                if (item && params::editor_kind(type) == params::EditorKind::Plain)
                    item->setText(exchange::shown_text(params::shown_value(type, fitted)));
                note_unwritten(page, row, QStringLiteral("файл ") + comparison.file_name);
            } else if (controller.contains(key)) {
                set_param_value(page, row, controller.value(key));
                unwritten_cells.remove({page, row});
            }
            if (auto *box = qobject_cast<QCheckBox *>(table->cellWidget(row, 0)))
                box->setChecked(false);
        }
    }
    shade_read_only();
    for (const params::Difference &difference : result.differences)
        mark_difference(difference);
    result.file_name = comparison.file_name;
    result.made = QDateTime::currentDateTime();
    last_comparison = result;
    show_status(params::comparison_text(result));
}

void MainWindow::mark_difference(const params::Difference &difference)
{
    QTableWidget *table = param_tables[difference.page];
    if (difference.row >= table->rowCount())
        return;
    const QString tip = plain_tip(exchange::shown_text(params::difference_tip(difference)));
    const QColor colour = difference_colour(difference.kind);
    // Rows with an editor have no value item of their own until a read.
    QTableWidgetItem *item = table->item(difference.row, value_column);
    if (!item) {
        item = new QTableWidgetItem;
        table->setItem(difference.row, value_column, item);
    }
    item->setBackground(colour);
    item->setToolTip(tip);
    if (QWidget *editor = table->cellWidget(difference.row, value_column)) {
        editor->setToolTip(tip);
        editor->setStyleSheet(QStringLiteral("QLineEdit, QComboBox { background-color: %1; }").arg(colour.name()));
    }
    if (difference.to_write()) {
        if (auto *box = qobject_cast<QCheckBox *>(table->cellWidget(difference.row, 0)))
            box->setChecked(true);
    }
    marked_cells.insert({difference.page, difference.row});
}

void MainWindow::unmark_difference(int page, int row)
{
    if (!marked_cells.remove({page, row}))
        return;
    QTableWidget *table = param_tables[page];
    if (QTableWidgetItem *item = table->item(row, value_column)) {
        item->setToolTip(QString());
        // Back to the grey of a row that may not be written, or to none.
        if (params::writable(param_page(page).access.value(row)))
            item->setData(Qt::BackgroundRole, QVariant());
        else
            item->setBackground(QBrush(Qt::gray, Qt::SolidPattern));
    }
    if (QWidget *editor = table->cellWidget(row, value_column)) {
        editor->setToolTip(QString());
        editor->setStyleSheet(QString());
    }
}

void MainWindow::clear_difference_marks(int page)
{
    for (const ParamCell &cell : marked_cells.values()) {
        if (cell.first == page)
            unmark_difference(cell.first, cell.second);
    }
}

void MainWindow::clear_difference_marks()
{
    for (const ParamCell &cell : marked_cells.values())
        unmark_difference(cell.first, cell.second);
}

void MainWindow::unmark_written_rows()
{
    // The rows before the next one have gone out, and the controller has
    // just confirmed the last of them; a key shown on two pages is set on
    // both.
    const engine::ParamWrite &write = progress<engine::ParamWrite>();
    QSet<QString> written;
    for (const params::WriteRow &row : write.rows) {
        if (row.row < write.next_row)
            written.insert(row.key);
    }
    for (const ParamCell &cell : marked_cells.values()) {
        if (written.contains(param_page(cell.first).keys.value(cell.second)))
            unmark_difference(cell.first, cell.second);
    }
}
