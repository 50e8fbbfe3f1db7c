// Takes the README's screenshot: the main window, started in the current
// folder as the program starts, identifies the controller at the address
// given, compares it with a settings file when one is named (the
// parameter pages then show the differences marked) and is saved as a PNG.
// scripts/screenshot.sh runs it under Xvfb against the simulator.
// Usage: readme_screenshot --host ADDR --port N [--compare FILE] --output FILE.png

#include "app/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QCommandLineParser parser;
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Controller address."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Controller TCP port."),
                                  QStringLiteral("port"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("PNG file to write."),
                                    QStringLiteral("file"));
    const QCommandLineOption compare(QStringLiteral("compare"), QStringLiteral("Settings file to compare with."),
                                     QStringLiteral("file"));
    parser.addOptions({host, port, output, compare});
    parser.process(app);
    if (!parser.isSet(port) || !parser.isSet(output)) {
        std::fprintf(stderr, "readme_screenshot: --port and --output are needed\n");
        return 2;
    }

    MainWindow window;
    window.preset_controller_address(parser.value(host), parser.value(port));
    window.resize(1512, 751);
    window.show();
    window.raise();
    window.findChild<QPushButton *>(QStringLiteral("connect_dev_btn"))->click();

    const auto *serial = window.findChild<QLineEdit *>(QStringLiteral("lineEdit_3"));
    QElapsedTimer clock;
    clock.start();
    while ((serial->text().isEmpty() || window.exchange_pending()) && clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (serial->text().isEmpty()) {
        std::fprintf(stderr, "readme_screenshot: the controller was not identified\n");
        return 1;
    }
    if (parser.isSet(compare)) {
        // The file dialog answered as a user would: the folder, then the name.
        const QFileInfo file(parser.value(compare));
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->setDirectory(file.absolutePath());
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(file.fileName());
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        });
        answer.start(50);
        window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
        window.findChild<QPushButton *>(QStringLiteral("compare_settings_btn"))->click();
        clock.restart();
        while (window.exchange_pending() && clock.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    // Let the window settle (the status line, the button colours) first.
    clock.restart();
    while (clock.elapsed() < 500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!window.grab().save(parser.value(output), "PNG")) {
        std::fprintf(stderr, "readme_screenshot: %s could not be written\n", qPrintable(parser.value(output)));
        return 1;
    }
    return 0;
}
