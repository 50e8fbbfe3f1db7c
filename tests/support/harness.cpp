#include "support/harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHostAddress>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextEdit>
#include <QTimer>

#include <sys/socket.h>

namespace harness {

WorkingDirectory::WorkingDirectory() : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
    // The user's preferences, too, live here for the test's life.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user-settings")));
}

WorkingDirectory::~WorkingDirectory()
{
    QDir::setCurrent(previous);
}

void WorkingDirectory::write_file(const QString &name, const QByteArray &content) const
{
    QFile file(file_path(name));
    QFileInfo(file).dir().mkpath(QStringLiteral("."));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

QByteArray WorkingDirectory::read_file(const QString &name) const
{
    QFile file(file_path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WorkingDirectory::copy_data_file(const QString &name) const
{
    QFile source(qEnvironmentVariable("CONFIGURATOR_DATA_DIR") + QLatin1Char('/') + name);
    if (source.open(QIODevice::ReadOnly))
        write_file(name, source.readAll());
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

void click(QAbstractButton *button)
{
    // Radio buttons take clicks on their indicator and caption only, which
    // need not reach the middle of a wide cell.
    const QPoint where = qobject_cast<QRadioButton *>(button) ? QPoint(8, button->height() / 2) : QPoint();
    QTest::mouseClick(button, Qt::LeftButton, {}, where);
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

void ControllerPeer::take(const QByteArray &bytes)
{
    received_bytes += bytes;
    if (on_bytes)
        on_bytes();
    pending += bytes;
    // Each request the program sends is one JSON object.
    const QByteArray trimmed = pending.trimmed();
    if (!trimmed.endsWith('}') || trimmed.count('{') != trimmed.count('}'))
        return;
    request_texts << QString::fromUtf8(pending);
    const QByteArray request = pending;
    pending.clear();
    if (answer) {
        const QByteArray reply = answer(request);
        if (!reply.isEmpty())
            send(reply);
    }
}

FakeController::FakeController() : server(new QTcpServer)
{
    server->listen(QHostAddress::LocalHost, 0);
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
    if (port->open(QIODevice::ReadWrite))
        QObject::connect(port.get(), &QSerialPort::readyRead, [this] { take(port->readAll()); });
}

SerialController::~SerialController() = default;

bool SerialController::is_open() const
{
    return port->isOpen();
}

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
    socat.start(QStringLiteral("socat"),
                {QStringLiteral("pty,raw,echo=0,link=") + program_end(),
                 QStringLiteral("pty,raw,echo=0,link=") + controller_end()});
}

PtyPair::~PtyPair()
{
    stop();
}

bool PtyPair::ready() const
{
    return QFileInfo::exists(program_end()) && QFileInfo::exists(controller_end());
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
    return qEnvironmentVariable("CONTROLLER_SIM");
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
        const bool tcp_up = !wants_tcp || output_text.contains(QLatin1String("listening "));
        const bool serial_up = !wants_serial || output_text.contains(QLatin1String("serial "));
        if (tcp_up && serial_up)
            break;
        if (!process.waitForReadyRead(500) && process.state() == QProcess::NotRunning)
            return false;
        output_text += QString::fromUtf8(process.readAllStandardOutput());
    }
    const int at = output_text.indexOf(QLatin1String("listening "));
    if (at >= 0) {
        const QString line = output_text.mid(at).section(QLatin1Char('\n'), 0, 0).trimmed();
        port = quint16(line.section(QLatin1Char(':'), -1).toUInt());
    }
    return (!wants_tcp || port != 0) && (!wants_serial || output_text.contains(QLatin1String("serial ")));
}

} // namespace harness
