#include "support/harness.h"

#include "request_framer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTextEdit>
#include <QTimer>

#include <sys/socket.h>

namespace harness {

namespace {

// The preferences' folders of the working directories alive, innermost last.
QStringList &settings_folders()
{
    static QStringList folders;
    return folders;
}

void use_settings_folder(const QString &folder)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

} // namespace

WorkingDirectory::WorkingDirectory() : previous(QDir::currentPath())
{
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        qFatal("no temporary working directory: %s", qPrintable(dir.errorString()));
    // The user's preferences, too, live here for the test's life.
    settings_folders().append(dir.filePath(QStringLiteral("user-settings")));
    use_settings_folder(settings_folders().last());
}

WorkingDirectory::~WorkingDirectory()
{
    forget_file_dialog_answers();
    settings_folders().removeOne(dir.filePath(QStringLiteral("user-settings")));
    // Outside every working directory: Qt's own place on the systems the
    // tests run on.
    use_settings_folder(settings_folders().isEmpty()
                            ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                            : settings_folders().last());
    QDir::setCurrent(previous);
}

void WorkingDirectory::write_file(const QString &name, const QByteArray &content) const
{
    QFile file(file_path(name));
    QFileInfo(file).dir().mkpath(QStringLiteral("."));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()
        || !file.flush())
        qFatal("cannot write %s: %s", qPrintable(file.fileName()), qPrintable(file.errorString()));
}

QByteArray WorkingDirectory::read_file(const QString &name) const
{
    QFile file(file_path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WorkingDirectory::copy_data_file(const QString &name) const
{
    QFile source(qEnvironmentVariable("CONFIGURATOR_DATA_DIR") + QLatin1Char('/') + name);
    if (!source.open(QIODevice::ReadOnly))
        qFatal("cannot read the data file %s (CONFIGURATOR_DATA_DIR names the data folder): %s",
               qPrintable(source.fileName()), qPrintable(source.errorString()));
    write_file(name, source.readAll());
}

WriteProtection::WriteProtection(const QString &path) : path(path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    immutable = !holds() && QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
}

WriteProtection::~WriteProtection()
{
    if (immutable)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

bool WriteProtection::holds() const
{
    return !QFile(path).open(QIODevice::ReadWrite);
}

QStringList names_from_now(const std::function<QString(const QDateTime &)> &name, int first, int last)
{
    const QDateTime now = QDateTime::currentDateTime();
    QStringList names;
    for (int second = first; second <= last; ++second)
        names << name(now.addSecs(second));
    return names;
}

int open_descriptors(const QString &device)
{
    int count = 0;
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        // A device whose node is gone reads "<path> (deleted)".
        const QString target = fd.symLinkTarget();
        count += device.isEmpty() || target == device || target == device + QLatin1String(" (deleted)") ? 1 : 0;
    }
    return count;
}

int child_processes()
{
    int count = 0;
    // This process's number as /proc has it, which in a PID namespace of its
    // own without a /proc of its own is not getpid().
    const QByteArray self = QFileInfo(QStringLiteral("/proc/self")).canonicalFilePath().section('/', -1).toLatin1();
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!pid.at(0).isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...; the name may hold blanks and brackets.
        const QByteArray line = stat.readAll();
        count += line.mid(line.lastIndexOf(')') + 2).split(' ').value(1) == self ? 1 : 0;
    }
    return count;
}

int threads()
{
    return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

TemporaryDirectoryAt::TemporaryDirectoryAt(const QString &path)
    : previous(qgetenv("TMPDIR")), was_set(qEnvironmentVariableIsSet("TMPDIR"))
{
    qputenv("TMPDIR", QFile::encodeName(path));
}

TemporaryDirectoryAt::~TemporaryDirectoryAt()
{
    if (was_set)
        qputenv("TMPDIR", previous);
    else
        qunsetenv("TMPDIR");
}

QWidget *log_window()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("Log"))
            return widget;
    }
    return nullptr;
}

QString log_text()
{
    const auto *text_edit = find<QTextEdit>(log_window(), QStringLiteral("textEdit"));
    return text_edit ? text_edit->toPlainText() : QString();
}

QByteArray save_log(QWidget *log)
{
    const QStringList saved_logs = {QStringLiteral("Log_*.txt")};
    for (const QString &name : QDir().entryList(saved_logs, QDir::Files))
        QFile::remove(name);
    click(find<QPushButton>(log, QStringLiteral("write_file_btn")));
    const QStringList saved = QDir().entryList(saved_logs, QDir::Files);
    QFile file(saved.value(0));
    return saved.size() == 1 && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(not one saved log)");
}

void Window::start(int tab)
{
    window = std::make_unique<MainWindow>();
    window->show();
    find<QTabWidget>(QStringLiteral("tabWidget"))->setCurrentIndex(tab);
}

void click(QAbstractButton *button)
{
    // Radio buttons take clicks on their indicator and caption only, which
    // need not reach the middle of a wide cell.
    const QPoint where = qobject_cast<QRadioButton *>(button) ? QPoint(8, button->height() / 2) : QPoint();
    QTest::mouseClick(button, Qt::LeftButton, {}, where);
}

void set_ethernet_address(QWidget *window, quint16 port)
{
    find<QLineEdit>(window, QStringLiteral("lineEdit"))->setText(QStringLiteral("127.0.0.1"));
    find<QLineEdit>(window, QStringLiteral("lineEdit_2"))->setText(QString::number(port));
}

bool connect_ethernet(QWidget *window, quint16 port)
{
    set_ethernet_address(window, port);
    auto *button = find<QPushButton>(window, QStringLiteral("connect_dev_btn"));
    click(button);
    const QString linked = QStringLiteral("Связь по Eth установлена");
    return QTest::qWaitFor([button, linked] { return button->text() == linked; });
}

bool open_serial_port(QWidget *window, const QString &port)
{
    click(find<QRadioButton>(window, QStringLiteral("radioButton")));
    auto *ports = find<QComboBox>(window, QStringLiteral("name_box"));
    ports->addItem(port);
    ports->setCurrentIndex(ports->count() - 1);
    auto *button = find<QPushButton>(window, QStringLiteral("connect_btn"));
    click(button);
    return button->text() == QStringLiteral("Включено ") + port;
}

QByteArray identity_reply(const QJsonObject &fields)
{
    QJsonObject reply{{"serial", "1"}, {"fw_ver", "1"}, {"fw_id", "1"}, {"rs_type", QJsonArray()}};
    for (auto it = fields.begin(); it != fields.end(); ++it)
        reply.insert(it.key(), it.value());
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

QByteArray json(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

namespace {
// Parent of the answers still waiting for their dialog; never freed.
QObject *waiting_answers()
{
    static QObject *const answers = new QObject;
    return answers;
}
} // namespace

void forget_file_dialog_answers()
{
    qDeleteAll(waiting_answers()->children());
}

void quiet_file_dialog_warnings()
{
    static const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (!message.contains(QLatin1String("propagateSizeHints")))
                previous(type, context, message);
        });
}

void answer_next_file_dialog(const QString &path)
{
    auto *poll = new QTimer(waiting_answers());
    QObject::connect(poll, &QTimer::timeout, [poll, path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        answer_file_dialog(dialog, path);
    });
    poll->start(20);
}

void answer_file_dialog(QFileDialog *dialog, const QString &path)
{
    if (path.isEmpty()) {
        dialog->reject();
        return;
    }
    // Typed as a user would: the folder, then the name in the name field.
    // done() rather than accept(): no overwrite question and no check that
    // the file exists; the dialog returns what was typed.
    const QFileInfo chosen(path);
    dialog->setDirectory(chosen.absolutePath());
    if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        name->setText(chosen.fileName());
    static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
}

ControllerPeer::ControllerPeer() : framer(new RequestFramer) {}

ControllerPeer::~ControllerPeer() = default;

void ControllerPeer::take(const QByteArray &bytes)
{
    received_bytes += bytes;
    if (on_bytes)
        on_bytes();
    framer->append(bytes);
    while (framer->has_request()) {
        const QByteArray request = framer->take_request();
        request_texts << QString::fromUtf8(request);
        const QByteArray reply = answer ? answer(request) : QByteArray();
        if (!reply.isEmpty())
            send(reply);
    }
}

void ControllerPeer::forget_pending()
{
    framer->clear();
}

FakeController::FakeController() : server(new QTcpServer)
{
    if (!server->listen(QHostAddress::LocalHost, 0))
        qFatal("the controller stand-in cannot listen on 127.0.0.1: %s", qPrintable(server->errorString()));
    QObject::connect(server.get(), &QTcpServer::newConnection, [this] { on_new_connection(); });
}

FakeController::~FakeController() = default;

quint16 FakeController::port() const
{
    return server->serverPort();
}

bool FakeController::client_connected() const
{
    return client && client->state() == QAbstractSocket::ConnectedState;
}

void FakeController::send(const QByteArray &bytes)
{
    if (client)
        client->write(bytes);
}

void FakeController::drop_client()
{
    if (client)
        client->disconnectFromHost();
}

void FakeController::reset_client()
{
    if (!client)
        return;
    // Lingering for no time turns the close into a reset.
    const linger abortive{1, 0};
    setsockopt(int(client->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    client->abort();
}

void FakeController::on_new_connection()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        ++connections;
        client = socket;
        forget_pending();
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { take(socket->readAll()); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

SerialController::SerialController(const QString &path) : port(new QSerialPort(path))
{
    port->setBaudRate(QSerialPort::Baud9600);
    if (!port->open(QIODevice::ReadWrite))
        qFatal("the controller stand-in cannot open %s: %s", qPrintable(path), qPrintable(port->errorString()));
    QObject::connect(port.get(), &QSerialPort::readyRead, [this] { take(port->readAll()); });
}

SerialController::~SerialController() = default;

void SerialController::send(const QByteArray &bytes)
{
    port->write(bytes);
}

PtyPair::PtyPair()
{
    start();
}

void PtyPair::start()
{
    stop();
    QFile::remove(program_end());
    QFile::remove(controller_end());
    socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + program_end(),
                                          QStringLiteral("pty,raw,echo=0,link=") + controller_end()});
    if (!socat.waitForStarted(5000))
        qFatal("socat, which makes the serial lines of the tests, does not start: %s", qPrintable(socat.errorString()));
    const bool ready = QTest::qWaitFor(
        [this] { return QFileInfo::exists(program_end()) && QFileInfo::exists(controller_end()); }, 5000);
    if (!ready)
        qFatal("socat made no pseudo-terminal pair in 5 s");
    device = QFileInfo(program_end()).canonicalFilePath();
}

PtyPair::~PtyPair()
{
    stop();
}

void PtyPair::stop()
{
    if (socat.state() != QProcess::NotRunning) {
        socat.terminate();
        socat.waitForFinished(3000);
    }
}

Simulator::~Simulator()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(3000);
    }
}

QString Simulator::program()
{
    const QString path = qEnvironmentVariable("CONTROLLER_SIM");
    if (path.isEmpty())
        qFatal("CONTROLLER_SIM does not name the simulator");
    return path;
}

QString Simulator::output()
{
    output_text += QString::fromUtf8(process.readAllStandardOutput());
    return output_text;
}

bool Simulator::start(const QStringList &arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program(), arguments);
    if (!process.waitForStarted(5000))
        return false;
    // The simulator announces each transport on a line of its own.
    const bool wants_tcp = arguments.contains(QStringLiteral("--listen"));
    const bool wants_serial = arguments.contains(QStringLiteral("--serial"));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        const bool tcp_up = !wants_tcp || output().contains(QLatin1String("listening "));
        const bool serial_up = !wants_serial || output().contains(QLatin1String("serial "));
        if (tcp_up && serial_up)
            break;
        if (!process.waitForReadyRead(500) && process.state() == QProcess::NotRunning)
            return false;
    }
    const int at = output().indexOf(QLatin1String("listening "));
    if (at >= 0) {
        const QString line = output_text.mid(at).section(QLatin1Char('\n'), 0, 0).trimmed();
        port = quint16(line.section(QLatin1Char(':'), -1).toUInt());
    }
    return (!wants_tcp || port != 0) && (!wants_serial || output_text.contains(QLatin1String("serial ")));
}

} // namespace harness
