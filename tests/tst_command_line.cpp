// The configurator's command line: the options a user types and what the
// program does with them, as a function and as the real executable.

#include "app/command_line.h"

#include <QProcess>
#include <QTest>

Q_DECLARE_METATYPE(CommandLine::Action)

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << A::Run << ""
                                 << ""
                                 << "";
        QTest::newRow("presets") << QStringList{"--host", "127.0.0.1", "--port", "2200"} << A::Run << "127.0.0.1"
                                 << "2200"
                                 << "";
        QTest::newRow("help") << QStringList{"--help"} << A::ShowHelp << ""
                              << ""
                              << "";
        QTest::newRow("version") << QStringList{"-v"} << A::ShowVersion << ""
                                 << ""
                                 << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << A::Refuse << ""
                                        << ""
                                        << "Unknown option 'bogus'.";
        QTest::newRow("stray argument") << QStringList{"x"} << A::Refuse << ""
                                        << ""
                                        << "Unexpected argument: x";
        QTest::newRow("port not a number") << QStringList{"--port", "abc"} << A::Refuse << ""
                                           << "abc"
                                           << "--port wants a TCP port number from 0 to 65535, not \"abc\".";
        QTest::newRow("port too large") << QStringList{"--port", "65536"} << A::Refuse << ""
                                        << "65536"
                                        << "--port wants a TCP port number from 0 to 65535, not \"65536\".";
        QTest::newRow("port without value") << QStringList{"--port"} << A::Refuse << ""
                                            << ""
                                            << "Missing value after '--port'.";
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        arguments.prepend(QStringLiteral("configurator_USPD_Kestrin"));
        const CommandLine line = parse_command_line(arguments);
        QCOMPARE(line.action, action);
        QTEST(line.host, "host");
        QTEST(line.port, "port");
        QTEST(line.message, "message");
        for (const char *option : {"--host", "--port", "--help", "--version"})
            QVERIFY(line.help_text.contains(QLatin1String(option)));
    }

    void the_executable_answers_before_any_window()
    {
        const QString program = qEnvironmentVariable("CONFIGURATOR_EXE");
        QProcess process;
        process.start(program, {QStringLiteral("--version")});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput().trimmed(), QByteArray("configurator_USPD_Kestrin 1.4"));

        process.start(program, {QStringLiteral("--no-such-option")});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(process.exitCode() != 0);
        const QByteArray error = process.readAllStandardError();
        QVERIFY(error.contains("Unknown option 'no-such-option'."));
        QVERIFY(error.contains("--host <ADDR>"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
