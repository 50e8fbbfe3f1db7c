#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/auxiliary_file.h"
#include "app/plain_tip.h"
#include "app/safe_files.h"
#include "app/session_settings.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/serial_ports.h"
#include "link/tcpserver.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QPalette>
#include <QTimer>

MainWindow::MainWindow(QWidget *parent, Use use) : QMainWindow(parent), use(use), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Конфигуратор УСПД-Kestrin версия 1.4"));

    ui->tabWidget->setTabText(0, QStringLiteral("Настройки портов"));
    ui->tabWidget->setTabText(1, QStringLiteral("Параметры УСПД"));
    ui->tabWidget->setTabText(2, QStringLiteral("Параметры приборов"));
    ui->tabWidget->setTabText(3, QStringLiteral("Файлы"));
    ui->tabWidget->setCurrentIndex(0);
    ui->tabWidget_2->setCurrentIndex(0);

    ui->lineEdit->setText(QStringLiteral("192.168.100.129"));
    ui->lineEdit_2->setText(QStringLiteral("22"));
    ui->radioButton_2->setChecked(true);
    setup_address_completer();

    serial_link = std::make_shared<io_port>();
    connect(serial_link.get(), &io_port::call_hundler_data_com, this, &MainWindow::handler_network_data);
    connect(serial_link.get(), &io_port::call_handler_error_mainWindow, this, &MainWindow::handler_error_io);
    connect(serial_link.get(), &io_port::call_bytes_written, this, &MainWindow::handler_bytes_written);

    exchange_timer = new QTimer(this);
    connect(exchange_timer, &QTimer::timeout, this, &MainWindow::timer_handler);

    // The log window appears before the main window.
    log_window = new Log;
    if (use == Use::Window)
        log_window->show();

    setup_network_search();
    setup_file_transfer();

    eth_status_edits[0] = ui->lineEdit_12;
    eth_status_edits[1] = ui->lineEdit_13;
    eth_status_edits[2] = ui->lineEdit_14;
    eth_status_edits[3] = ui->lineEdit_15;

    ui->label_dev->clear();
    // The status line may quote a file's name or a controller's text: shown
    // as it stands, never as markup.
    ui->label->setTextFormat(Qt::PlainText);
    ui->lineEdit_6->setText(QStringLiteral("1"));

    const int probed_ports = probe_serial_ports();
    read_settings(probed_ports);
    load_parameter_catalogue();
    refresh_comparison_view(); // the pages' titles
    prepare_device_table();

    // Serial line settings come from the settings file only.
    for (QWidget *widget : {static_cast<QWidget *>(ui->speed_box), static_cast<QWidget *>(ui->bit_box),
                            static_cast<QWidget *>(ui->parity_box), static_cast<QWidget *>(ui->label_6),
                            static_cast<QWidget *>(ui->label_8), static_cast<QWidget *>(ui->label_9)})
        widget->hide();

    load_models();
    connect_parameter_tables();
    apply_style_sheet();

    QPalette palette;
    palette.setBrush(QPalette::Active, QPalette::Text, QBrush(Qt::red, Qt::SolidPattern));
    // Styles draw a radio button's caption in the window-text colour, so
    // that role turns red as well for the captions to show it.
    palette.setBrush(QPalette::Active, QPalette::WindowText, QBrush(Qt::red, Qt::SolidPattern));
    ui->radioButton->setPalette(palette);
    ui->radioButton_2->setPalette(palette);
}

MainWindow::~MainWindow()
{
    if (eth_connected && eth_link)
        eth_link->close();
    if (use == Use::Window)
        write_settings();
    delete ui;
    // The log window has no parent; it goes with the window that fed it.
    delete log_window;
}

MissingAuxiliaryFile MainWindow::missing_files() const
{
    // A run from the command line leaves the folder it runs in as it was.
    return use == Use::Unattended ? MissingAuxiliaryFile::BesideProgram : MissingAuxiliaryFile::Create;
}

void MainWindow::preset_controller_address(const QString &host, const QString &port)
{
    if (!host.isEmpty())
        ui->lineEdit->setText(host);
    if (!port.isEmpty())
        ui->lineEdit_2->setText(port);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    log_window->close();
    QMainWindow::closeEvent(event);
}

int MainWindow::probe_serial_ports()
{
    // Each entry's text is the port name (what is opened and saved); its
    // tool tip tells which adapter it is.
    const QVector<serial_ports::PortRecord> ports = serial_ports::openable();
    for (const serial_ports::PortRecord &port : ports) {
        ui->name_box->addItem(port.name);
        // The adapter's texts as they stand, never as markup.
        const QString tip = plain_tip(serial_ports::tool_tip(port));
        if (!tip.isEmpty())
            ui->name_box->setItemData(ui->name_box->count() - 1, tip, Qt::ToolTipRole);
    }
    return ports.size();
}

void MainWindow::read_settings(int probed_ports)
{
    ui->interval_line->setText(QStringLiteral("100"));
    QFile file(QStringLiteral("settings.txt"));
    if (!open_auxiliary_file(file, missing_files())) {
        show_status(QStringLiteral("Настройки не считаны"));
        ui->speed_box->setCurrentIndex(5);
        ui->bit_box->setCurrentIndex(1);
        ui->parity_box->setCurrentIndex(0);
        return;
    }
    const QStringList lines = session_settings::read_lines(file);
    file.close();

    const int first_probed = ui->name_box->count() - probed_ports;
    for (int i = first_probed; i < ui->name_box->count(); ++i) {
        if (ui->name_box->itemText(i) == lines.at(0)) {
            ui->name_box->setCurrentIndex(i);
            break;
        }
    }
    QStringList rates;
    for (int i = 0; i < ui->speed_box->count(); ++i)
        rates << ui->speed_box->itemText(i);
    ui->speed_box->setCurrentIndex(session_settings::baud_index(lines.at(1), rates));
    ui->bit_box->setCurrentIndex(session_settings::stop_bits_index(lines.at(2)));
    ui->parity_box->setCurrentIndex(session_settings::parity_index(lines.at(3)));
    // The saved interval (line 5) is not applied: every session starts at 100 ms.
}

void MainWindow::write_settings() const
{
    // Whole or not at all: a full disk keeps the previous settings. The
    // window is going, so only the console can be told.
    const bool written = safe_files::write_whole(
        QStringLiteral("settings.txt"),
        session_settings::format(ui->name_box->currentText(), ui->speed_box->currentText(), ui->bit_box->currentText(),
                                 ui->parity_box->currentIndex(), ui->interval_line->text()));
    if (!written)
        qWarning("settings.txt could not be written; the previous one is kept");
}

void MainWindow::apply_style_sheet()
{
    QFile file(QStringLiteral("style.css"));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const int nul = bytes.indexOf('\0');
    qApp->setStyleSheet(QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul)));
}
