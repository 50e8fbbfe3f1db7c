// Saving the device table into a ";"-separated file named after the
// controller, the moment and the channel; "read from file" loads it back.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/safe_files.h"
#include "devices/device_list.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>

void MainWindow::on_write_dev_file_btn_clicked()
{
    const QDateTime moment = QDateTime::currentDateTime();
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Открыть папку"), QDir::currentPath(),
                                          QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty())
        return;
    QString content;
    for (const QStringList &cells : occupied_device_rows())
        content += device_list::export_line(cells);
    const QString path =
        QDir(folder).filePath(device_list::export_file_name(ui->lineEdit_3->text(), moment, device_channel()));
    // An export of the same name within one second replaces the earlier one whole.
    if (!safe_files::write_whole(path, content.toLocal8Bit(), true)) {
        show_status(QStringLiteral("Файл не создан"));
        return;
    }
    show_status(QStringLiteral("Файл записан"));
}
