#include "app/command_line.h"
#include "app/mainwindow.h"

#include <QApplication>

#include <cstdio>

namespace {

// On Windows a GUI program has no console; the text then goes nowhere but
// the exit code still tells a script what happened.
void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    if (!text.endsWith(QLatin1Char('\n')))
        std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // The images live in a static library; nothing else would pull them in.
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("configurator_USPD_Kestrin"));
    QApplication::setApplicationVersion(QStringLiteral(CONFIGURATOR_VERSION));

    const CommandLine command_line = parse_command_line(QApplication::arguments());
    switch (command_line.action) {
    case CommandLine::Action::ShowHelp: print(stdout, command_line.help_text); return 0;
    case CommandLine::Action::ShowVersion: print(stdout, command_line.version_text); return 0;
    case CommandLine::Action::Refuse:
        print(stderr, command_line.message);
        print(stderr, command_line.help_text);
        return 2;
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
