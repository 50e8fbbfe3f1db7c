// The configurator's command line: the options a user types and what the
// program does with them, as a function and as the real executable.

#include "app/command_line.h"
#include "app/commissioning_run.h"
#include "support/harness.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <csignal>

Q_DECLARE_METATYPE(CommandLine::Action)

// This environment without a display and without a chosen platform: the
// program must find its own way.
static QProcessEnvironment no_display()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(variable));
    return environment;
}

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
        QTest::newRow("commission one") << QStringList{"--commission", "t.json", "--host", "127.0.0.1", "--port", "2200"}
                                        << A::Commission << "127.0.0.1" << "2200" << "";
        QTest::newRow("commission a list") << QStringList{"--commission", "t.json", "--apply", "--hosts", "h"}
                                           << A::Commission << "" << "" << "";
        QTest::newRow("commission nowhere") << QStringList{"--commission", "t.json"} << A::Refuse << "" << ""
                                            << "--commission wants one of --host and --port, --serial or --hosts.";
        QTest::newRow("two targets") << QStringList{"--commission", "t", "--serial", "COM3", "--hosts", "h"}
                                     << A::Refuse << "" << ""
                                     << "--commission wants one of --host and --port, --serial or --hosts.";
        QTest::newRow("host alone") << QStringList{"--commission", "t", "--host", "127.0.0.1"} << A::Refuse
                                    << "127.0.0.1" << "" << "--host and --port go together.";
        QTest::newRow("port 0 commissioned") << QStringList{"--commission", "t", "--host", "h", "--port", "0"}
                                             << A::Refuse << "h" << "0"
                                             << "--port wants a TCP port number from 1 to 65535, not \"0\".";
        QTest::newRow("apply alone") << QStringList{"--apply"} << A::Refuse << "" << ""
                                     << "--apply goes with --commission only.";
        QTest::newRow("report of a list") << QStringList{"--commission", "t", "--hosts", "h", "--report", "r.pdf"}
                                          << A::Refuse << "" << ""
                                          << "--report goes with one controller; a list's reports go to --out.";
        QTest::newRow("interval 0") << QStringList{"--commission", "t", "--serial", "COM3", "--interval", "0"}
                                    << A::Refuse << "" << ""
                                    << "--interval wants a whole number from 1 to 60000, not \"0\".";
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

    void hosts_files_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("read"); // the addresses, or the error
        QTest::newRow("comments and blanks") << QByteArray("# site\n\n 127.0.0.1:2200 # pump\r\n[::1]:7\n")
                                             << "127.0.0.1:2200 [::1]:7";
        QTest::newRow("no port") << QByteArray("127.0.0.1\n") << "line 1 is not ADDR:PORT: 127.0.0.1";
        QTest::newRow("port 0") << QByteArray("# a\nhost:0\n") << "line 2 is not ADDR:PORT: host:0";
        QTest::newRow("bare IPv6") << QByteArray("::1:22\n") << "line 1 is not ADDR:PORT: ::1:22";
        QTest::newRow("blank in host") << QByteArray("a b:22\n") << "line 1 is not ADDR:PORT: a b:22";
        QTest::newRow("only comments") << QByteArray("# none\n") << "no controller in the list";
        QTest::newRow("binary") << QByteArray("a:1\n\0", 5) << "not a list of controllers";
    }

    void hosts_files()
    {
        QFETCH(QByteArray, content);
        QBuffer file(&content);
        file.open(QIODevice::ReadOnly);
        QVector<commissioning::Target> targets;
        QString error;
        QStringList read;
        if (commissioning::read_hosts(file, &targets, &error)) {
            for (const commissioning::Target &target : qAsConst(targets))
                read << target.address();
        }
        QTEST(error.isEmpty() ? read.join(QLatin1Char(' ')) : error, "read");
    }

    // The built program against simulators on 127.0.0.1, with no display.
    // Each controller is a simulator started with its options, or
    // "unreachable"; "PORT" in the arguments is the first one's port, and
    // "--hosts" gets a list of them all. `printed` must occur in what it
    // prints, or in the summary.
    void commissioning_runs_data()
    {
        QTest::addColumn<QStringList>("controllers");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QString>("interrupt_at"); // SIGINT once this is printed
        const QStringList one{"--host", "127.0.0.1", "--port", "PORT"};
        const QString differing = QStringLiteral("--set poll_period=30 --serial-number SIM-B");
        QTest::newRow("matches") << QStringList{"--serial-number SIM-A"} << one + QStringList{"--report", "a.pdf"} << 0
                                 << QStringList{"сравнение: Отличий нет", "\"before\":0,", "\"report\":\"a.pdf\""}
                                 << "";
        QTest::newRow("escape in a serial") << QStringList{"--serial-number A\x1b[2JB"} << one << 0
                                            << QStringList{"серийный номер A\uFFFD[2JB,"} << "";
        QTest::newRow("differs") << QStringList{differing} << one << 1
                                 << QStringList{"\"after\":1,\"before\":1,", "\"result\":\"differs\""} << "";
        QTest::newRow("applied") << QStringList{differing} << one + QStringList{"--apply", "--interval", "10"} << 0
                                 << QStringList{"запись: Запись произведена", "проверка: Отличий нет",
                                                "\"after\":0,\"before\":1,"}
                                 << "";
        QTest::newRow("a value that does not fit") << QStringList{""} << QStringList{"--template", "unfit.json", "--apply"} + one
                                                   << 1 << QStringList{"не подходят: 1", "\"after\":1,\"before\":1,"}
                                                   << "";
        QTest::newRow("unreachable") << QStringList{"unreachable"} << one << 2
                                     << QStringList{"\"result\":\"no-link\",\"serial\":\"\","} << "";
        QTest::newRow("bad template") << QStringList{"--log-requests"} << QStringList{"--template", "bad.json"} + one
                                      << 3 << QStringList{"шаблон: bad.json: Файл настроек повреждён"} << "";
        QTest::newRow("list") << QStringList{"--serial-number SIM-A", differing, "unreachable"}
                              << QStringList{"--hosts", "--summary", "s.csv", "--out", "out"} << 2
                              << QStringList{";SIM-A;0;matches;0;0;out/Отчёт_УСПД_SIM-A_",
                                             ";SIM-B;1;differs;1;1;out/Отчёт_УСПД_SIM-B_", ";;2;no-link;;;;",
                                             "{\"controllers\":3,\"result\":\"no-link\",\"status\":2}"}
                              << "";
        QTest::newRow("interrupted write")
            << QStringList{"--delay 300"} << QStringList{"--template", "factory.json", "--apply", "--report", "i.pdf"} + one
            << 130 << QStringList{"запись: Операция прервана", "\"after\":null,"} << "сравнение: ";
    }

    void commissioning_runs()
    {
        QFETCH(QStringList, controllers);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, printed);
        QFETCH(QString, interrupt_at);
        // No catalogue here: the program takes the one beside it.
        harness::WorkingDirectory folder;
        const QString catalogue = qEnvironmentVariable("CONFIGURATOR_DATA_DIR") + QStringLiteral("/parametrs.csv");
        folder.write_file(QStringLiteral("site.json"), "{\"poll_period\": 15, \"apn\": \"internet\"}");
        folder.write_file(QStringLiteral("bad.json"), "{\"poll_period\": ");
        folder.write_file(QStringLiteral("unfit.json"), "{\"poll_period\": \"often\", \"apn\": \"internet\"}");
        folder.write_file(QStringLiteral("factory.json"), "{\"poll_period\": 7, \"apn\": \"x\", \"srv_port\": 1, \"tz_offset\": 5}");

        std::vector<std::unique_ptr<harness::Simulator>> simulators;
        QStringList addresses;
        for (const QString &controller : qAsConst(controllers)) {
            quint16 port = 0;
            if (controller == QLatin1String("unreachable")) {
                QTcpServer closed; // a port nobody listens on any more
                QVERIFY(closed.listen(QHostAddress::LocalHost));
                port = closed.serverPort();
            } else {
                simulators.push_back(std::make_unique<harness::Simulator>());
                QVERIFY(simulators.back()->start(
                    QStringList{"--listen", "127.0.0.1:0", "--catalogue", catalogue, "--plausible"}
                    + controller.split(QLatin1Char(' '), Qt::SkipEmptyParts)));
                port = simulators.back()->tcp_port();
            }
            addresses << QStringLiteral("127.0.0.1:%1").arg(port);
        }
        folder.write_file(QStringLiteral("hosts.txt"), addresses.join(QLatin1Char('\n')).toUtf8());
        QString template_path = QStringLiteral("site.json");
        const int named = arguments.indexOf(QStringLiteral("--template"));
        if (named >= 0) {
            template_path = arguments.at(named + 1);
            arguments.erase(arguments.begin() + named, arguments.begin() + named + 2);
        }
        arguments.replaceInStrings(QStringLiteral("PORT"), addresses.first().section(QLatin1Char(':'), -1));
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^--hosts$")), QStringLiteral("--hosts\nhosts.txt"));
        arguments = arguments.join(QLatin1Char('\n')).split(QLatin1Char('\n'));

        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.setProcessEnvironment(no_display());
        process.start(qEnvironmentVariable("CONFIGURATOR_EXE"), QStringList{"--commission", template_path} + arguments);
        QString output;
        const auto read_output = [&] { return output += QString::fromUtf8(process.readAllStandardOutput()); };
        if (!interrupt_at.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(read_output().contains(interrupt_at), 20000);
            ::kill(pid_t(process.processId()), SIGINT);
        }
        QVERIFY(process.waitForFinished(60000));
        read_output();
        output += QString::fromUtf8(folder.read_file(QStringLiteral("s.csv")));
        for (const QString &text : qAsConst(printed))
            QVERIFY2(output.contains(text), qPrintable(text + QStringLiteral(" not in:\n") + output));
        QTEST(process.exitCode(), "status");
        QVERIFY(!QFile::exists(folder.file_path(QStringLiteral("parametrs.csv"))));
        // Every report named is a whole PDF; no request reaches a controller
        // when the template is refused.
        const QRegularExpression report(QStringLiteral("\"report\":\"([^\"]+)\""));
        for (auto match = report.globalMatch(output); match.hasNext();)
            QVERIFY(folder.read_file(match.next().captured(1)).startsWith("%PDF"));
        for (const auto &simulator : simulators)
            QVERIFY(process.exitCode() != 3 || !simulator->output().contains(QLatin1String("request ")));
    }

    void the_executable_answers_before_any_window()
    {
        const QString program = qEnvironmentVariable("CONFIGURATOR_EXE");
        QProcess process;
        process.setProcessEnvironment(no_display());
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
