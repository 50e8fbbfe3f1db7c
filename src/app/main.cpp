#include "app/command_line.h"
#include "app/commissioning_run.h"
#include "app/console.h"
#include "app/mainwindow.h"
#include "app/unattended_commissioning.h"

#include <QApplication>

namespace {

QStringList raw_arguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // What needs no window (help, version, a refusal, a commissioning run)
    // needs no display either; the arguments are only looked at here, and
    // read for good once the application has them in full.
    const CommandLine::Action action = parse_command_line(raw_arguments(argc, argv)).action;
    if (action == CommandLine::Action::Commission)
        console::catch_interrupts();
    if (action != CommandLine::Action::Run) {
        console::prefer_offscreen_platform();
        console::attach_parent_console();
    }
    // The images live in a static library; nothing else would pull them in.
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("configurator_USPD_Kestrin"));
    QApplication::setApplicationVersion(QStringLiteral(CONFIGURATOR_VERSION));

    const CommandLine command_line = parse_command_line(QApplication::arguments());
    switch (command_line.action) {
    case CommandLine::Action::ShowHelp: console::print_line(false, command_line.help_text); return 0;
    case CommandLine::Action::ShowVersion: console::print_line(false, command_line.version_text); return 0;
    case CommandLine::Action::Refuse:
        console::print_line(true, command_line.message);
        console::print_line(true, command_line.help_text);
        return commissioning::bad_input;
    case CommandLine::Action::Commission: {
        UnattendedCommissioning run(command_line, [](const QString &line) { console::print_line(false, line); });
        console::watch_interrupts(&run, [&run] { run.interrupt(); });
        return run.run();
    }
    case CommandLine::Action::Run: break;
    }

    auto *window = new MainWindow;
    window->preset_controller_address(command_line.host, command_line.port);
    window->show();
    const int result = QApplication::exec();
    // Destroying the window writes the session settings.
    delete window;
    return result;
}
