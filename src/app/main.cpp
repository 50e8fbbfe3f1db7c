#include "app/mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    // The images live in a static library; nothing else would pull them in.
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("configurator_USPD_Kestrin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Configurator of the Kestrin data concentrator"));
    parser.addHelpOption();
    const QCommandLineOption host_option(QStringLiteral("host"),
                                         QStringLiteral("Controller address preset in the connection tab."),
                                         QStringLiteral("ADDR"));
    const QCommandLineOption port_option(QStringLiteral("port"),
                                         QStringLiteral("Controller TCP port preset in the connection tab."),
                                         QStringLiteral("N"));
    parser.addOption(host_option);
    parser.addOption(port_option);
    parser.process(app);

    auto *window = new MainWindow;
    window->preset_controller_address(parser.value(host_option), parser.value(port_option));
    window->show();
    const int result = QApplication::exec();
    // Destroying the window writes the session settings.
    delete window;
    return result;
}
