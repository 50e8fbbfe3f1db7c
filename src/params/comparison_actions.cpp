// What an engineer does with a comparison's marks: sees only the marked
// rows, counts the flagged ones on each page's tab, drops the marks, and
// writes the flagged rows of every page at once (parameter_exchange.cpp).

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QTableWidget>

void MainWindow::on_clear_marks_btn_clicked()
{
    clear_difference_marks();
    refresh_comparison_view();
}

void MainWindow::on_only_differences_box_toggled(bool)
{
    refresh_comparison_view();
}

void MainWindow::refresh_comparison_view()
{
    const bool only_marked = ui->only_differences_box->isChecked();
    for (int page = 0; page < params::page_count; ++page) {
        QTableWidget *table = param_tables[size_t(page)];
        int flagged = 0;
        for (int row = 0; table && row < table->rowCount(); ++row) {
            const bool marked = marked_cells.contains({page, row});
            table->setRowHidden(row, only_marked && !marked);
            if (marked && param_row_checked(page, row))
                ++flagged;
        }
        const QString title = page_title(page);
        ui->tabWidget_2->setTabText(page, flagged > 0 ? QStringLiteral("%1 (%2)").arg(title).arg(flagged) : title);
    }
}

QString MainWindow::page_title(int page)
{
    static const char *const titles[params::page_count] = {"Основные", "Сеть", "Интерфейсы", "Сервис"};
    return params::is_page(page) ? QString::fromUtf8(titles[page]) : QString();
}
