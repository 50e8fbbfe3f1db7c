// The controller-parameters tab: the catalogue, the four page tables with
// their selection boxes and value editors, and the values put into them.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/auxiliary_file.h"
#include "engine/exchange.h"
#include "params/parameter_values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonValue>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTableWidget>

namespace {

constexpr int value_column = 2;
constexpr int uart_row_height = 50;

QTableWidgetItem *left_aligned_item(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignLeft);
    return item;
}

void set_all_checks(QTableWidget *table, bool checked)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (auto *box = qobject_cast<QCheckBox *>(table->cellWidget(row, 0)))
            box->setChecked(checked);
    }
}

QComboBox *combo_box(const QStringList &items, const QString &object_name)
{
    auto *box = new QComboBox;
    box->setObjectName(object_name);
    box->addItems(items);
    return box;
}

} // namespace

void MainWindow::load_parameter_catalogue()
{
    param_tables = {ui->tableWidget, ui->tableWidget_3, ui->tableWidget_4, ui->tableWidget_5};

    // The catalogue is only read: a write-protected file loads, and a
    // missing one is created empty for the user to fill in.
    QFile file(QStringLiteral("parametrs.csv"));
    if (!open_auxiliary_file(file, missing_files())) {
        show_status(QStringLiteral("Параметры не считаны"));
        return;
    }
    param_pages = params::read_catalogue(file);
    file.close();

    for (int page = 0; page < params::page_count; ++page) {
        param_tables[page]->setRowCount(param_pages[page].size());
        param_tables[page]->setColumnCount(3);
    }
    ui->tableWidget->setHorizontalHeaderLabels({QString(), QStringLiteral("Параметр"), QStringLiteral("Значение")});
    for (int page = 0; page < params::page_count; ++page)
        build_page_rows(param_tables[page], page);
}

void MainWindow::build_page_rows(QTableWidget *table, int page)
{
    const ParamPage &catalogue = param_pages[page];
    for (int row = 0; row < catalogue.size(); ++row) {
        table->setCellWidget(row, 0, new QCheckBox);
        table->setItem(row, 1, left_aligned_item(catalogue.names.at(row)));

        const bool writable = params::writable(catalogue.access.at(row));
        switch (params::editor_kind(catalogue.types.at(row))) {
        case params::EditorKind::Uart: {
            auto *editor = new QWidget;
            auto *layout = new QHBoxLayout(editor);
            UartEditor parts{new QLineEdit, combo_box(params::uart_bits_items(), QStringLiteral("uart_bits")),
                             combo_box(params::uart_parity_items(), QStringLiteral("uart_parity")),
                             combo_box(params::uart_stop_items(), QStringLiteral("uart_stop"))};
            parts.speed->setObjectName(QStringLiteral("uart_speed"));
            // Wide enough for the fastest speed; the boxes give way first.
            const int speed_width = parts.speed->fontMetrics().horizontalAdvance(QStringLiteral("1152000"));
            parts.speed->setMinimumWidth(speed_width + 12);
            for (QWidget *part : {static_cast<QWidget *>(parts.speed), static_cast<QWidget *>(parts.data_bits),
                                  static_cast<QWidget *>(parts.parity), static_cast<QWidget *>(parts.stop_bits)})
                layout->addWidget(part);
            // A row that may not be written shows its editor greyed out.
            editor->setEnabled(writable);
            // What the user changes there is typed, not the controller's.
            const auto typed = [this, page, row] { note_unwritten(page, row, typed_source()); };
            connect(parts.speed, &QLineEdit::textEdited, this, typed);
            for (QComboBox *box : {parts.data_bits, parts.parity, parts.stop_bits})
                connect(box, QOverload<int>::of(&QComboBox::activated), this, typed);
            uart_editors.insert({page, row}, parts);
            table->setCellWidget(row, value_column, editor);
            table->setRowHeight(row, uart_row_height);
            break;
        }
        case params::EditorKind::Itf: {
            QComboBox *box = combo_box(params::itf_items(), QStringLiteral("itf"));
            box->setEnabled(writable);
            connect(box, QOverload<int>::of(&QComboBox::activated), this,
                    [this, page, row] { note_unwritten(page, row, typed_source()); });
            itf_boxes.insert({page, row}, box);
            table->setCellWidget(row, value_column, box);
            break;
        }
        case params::EditorKind::Plain: {
            QTableWidgetItem *value = left_aligned_item(QString());
            if (!writable)
                value->setBackground(QBrush(Qt::gray, Qt::SolidPattern));
            table->setItem(row, value_column, value);
            break;
        }
        }
    }

    QHeaderView *header = table->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
}

void MainWindow::connect_parameter_tables()
{
    for (int page = 0; page < params::page_count; ++page) {
        QTableWidget *table = param_tables[page];
        if (!table)
            continue;
        connect(table, &QTableWidget::cellChanged, this,
                [this, page](int row, int column) { on_param_cell_changed(page, row, column); });
    }
}

void MainWindow::shade_read_only()
{
    for (int page = 0; page < params::page_count; ++page) {
        const ParamPage &catalogue = param_pages[page];
        QTableWidget *table = param_tables[page];
        if (!table)
            continue;
        const int rows = qMin(table->rowCount(), catalogue.size());
        for (int row = 0; row < rows; ++row) {
            QTableWidgetItem *item = table->item(row, value_column);
            if (item && !params::writable(catalogue.access.at(row)))
                item->setBackground(QBrush(Qt::gray, Qt::SolidPattern));
        }
    }
}

void MainWindow::clear_page_values(int page)
{
    if (!params::is_page(page))
        return;
    QTableWidget *table = param_tables[page];
    const QScopedValueRollback<bool> filling(filling_cells, true);
    for (int row = 0; row < table->rowCount(); ++row) {
        table->setItem(row, value_column, left_aligned_item(QString()));
        unwritten_cells.remove({page, row});
    }
}

void MainWindow::note_unwritten(int page, int row, const QString &source)
{
    unwritten_cells.insert({page, row}, source);
}

void MainWindow::on_param_cell_changed(int page, int row, int column)
{
    if (!filling_cells && params::is_page(page) && column == value_column)
        note_unwritten(page, row, typed_source());
    const ParamPage &catalogue = param_page(page);
    if (pending.operation != Operation::wait_read_param || row < 0 || row >= catalogue.size()
        || params::readable(catalogue.access.at(row)))
        return;
    if (auto *box = qobject_cast<QCheckBox *>(param_tables[page]->cellWidget(row, 0)))
        box->setChecked(false);
}

int MainWindow::current_param_page() const
{
    const int page = ui->tabWidget_2->currentIndex();
    return params::is_page(page) ? page : -1;
}

const ParamPage &MainWindow::param_page(int page) const
{
    static const ParamPage no_page;
    return params::is_page(page) ? param_pages[page] : no_page;
}

QVector<bool> MainWindow::param_checks(int page) const
{
    QVector<bool> checks;
    for (int row = 0; row < param_page(page).size(); ++row)
        checks.append(param_row_checked(page, row));
    return checks;
}

bool MainWindow::param_row_checked(int page, int row) const
{
    if (!params::is_page(page))
        return false;
    const auto *box = qobject_cast<QCheckBox *>(param_tables[page]->cellWidget(row, 0));
    return box && box->isChecked();
}

void MainWindow::on_fiil_flags_btn_clicked()
{
    const int page = current_param_page();
    if (page >= 0)
        set_all_checks(param_tables[page], true);
}

void MainWindow::on_clear_flags_btn_clicked()
{
    const int page = current_param_page();
    if (page >= 0)
        set_all_checks(param_tables[page], false);
}

void MainWindow::set_param_value(int page, int row, const QJsonValue &value)
{
    const QScopedValueRollback<bool> filling(filling_cells, true);
    const ParamPage &catalogue = param_page(page);
    if (row < 0 || row >= catalogue.size() || row >= param_tables[page]->rowCount())
        return;
    const params::ValueKind kind = params::value_kind(catalogue.types.at(row));
    switch (kind) {
    case params::ValueKind::Itf: {
        // A missing value or one that is not text leaves the box as it is
        // rather than showing an interface the controller never reported.
        QComboBox *box = itf_boxes.value({page, row});
        if (!box || !value.isString())
            return;
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        const int index = params::itf_index(items, value.toString());
        if (index >= 0)
            box->setCurrentIndex(index);
        return;
    }
    case params::ValueKind::Uart: {
        const auto editor = uart_editors.find({page, row});
        if (editor == uart_editors.end() || !value.isString())
            return;
        const params::UartSetting setting = params::decode_uart(value.toString());
        editor->speed->setText(setting.speed);
        if (setting.data_bits >= 0)
            editor->data_bits->setCurrentIndex(setting.data_bits);
        if (setting.stop_bits >= 0)
            editor->stop_bits->setCurrentIndex(setting.stop_bits);
        if (setting.parity >= 0)
            editor->parity->setCurrentIndex(setting.parity);
        return;
    }
    case params::ValueKind::String:
    case params::ValueKind::Float:
    case params::ValueKind::IntArray:
    case params::ValueKind::Int:
        param_tables[page]->setItem(row, value_column,
                                    left_aligned_item(exchange::shown_text(params::cell_text(kind, value))));
        return;
    }
}

QJsonValue MainWindow::param_write_value(int page, int row) const
{
    const ParamPage &catalogue = param_page(page);
    if (row < 0 || row >= catalogue.size())
        return QJsonValue(QJsonValue::Undefined);
    params::WriteSource source;
    if (const QTableWidgetItem *item = param_tables[page]->item(row, value_column))
        source.text = item->text();
    if (const QComboBox *box = itf_boxes.value({page, row}))
        source.itf_item = box->currentText();
    const auto editor = uart_editors.find({page, row});
    if (editor != uart_editors.end()) {
        source.uart = params::encode_uart(editor->speed->text(), editor->data_bits->currentText(),
                                          editor->parity->currentText(), editor->stop_bits->currentText());
    }
    return params::write_value(catalogue.types.at(row), source);
}
