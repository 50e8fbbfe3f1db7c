#ifndef TESTS_HARNESS_H
#define TESTS_HARNESS_H

// Test harness: a private working directory, the real window with its
// widgets found by object name, and real peers to talk to (a TCP server on
// 127.0.0.1, a pseudo-terminal pair, the controller simulator).

#include <QByteArray>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>

class MainWindow;
class QAbstractButton;
class QFileDialog;
class QSerialPort;
class QTcpServer;
class QTcpSocket;

namespace harness {

// Makes a fresh temporary directory the current one for the test's life, so
// that the program's working-directory files never touch the source tree;
// the user's preferences (QSettings) are kept inside it as well.
class WorkingDirectory
{
public:
    WorkingDirectory();
    ~WorkingDirectory();

    QString path() const { return dir.path(); }
    QString file_path(const QString &name) const { return dir.filePath(name); }
    void write_file(const QString &name, const QByteArray &content) const;
    QByteArray read_file(const QString &name) const;
    // Copies one file of the shipped data folder (style.css, res/lumora.ico...).
    void copy_data_file(const QString &name) const;

private:
    QTemporaryDir dir;
    QString previous;
};

// Points the system's temporary directory (TMPDIR) at `path` while it
// lives: where QTemporaryFile and QTemporaryDir make their files.
class TemporaryDirectoryAt
{
public:
    explicit TemporaryDirectoryAt(const QString &path);
    ~TemporaryDirectoryAt();

private:
    QByteArray previous;
    bool was_set;
};

template <class T>
T *find(const QObject *root, const QString &name)
{
    return root ? root->findChild<T *>(name) : nullptr;
}

// The traffic log window (a top-level widget of its own).
QWidget *log_window();
QString log_text();
// "Запись в файл" of `log`, in a working directory cleared of saved logs
// first: what it wrote.
QByteArray save_log(QWidget *log);

void click(QAbstractButton *button);

// Answers the next modal file dialog (open, save or folder) with `path`, as
// if the user had chosen it; an empty path cancels the dialog. Call it
// before the click that opens the dialog.
void answer_next_file_dialog(const QString &path);
// Drops the answers given that no dialog has taken yet (the operation ended
// before it asked).
void forget_file_dialog_answers();
// Answers an open file dialog now, the same way.
void answer_file_dialog(QFileDialog *dialog, const QString &path);

// The controller's side of a link, played by the test: it gathers what the
// program sends and answers through `answer`, called with each request once
// its closing brace has arrived (an empty answer sends nothing).
class ControllerPeer
{
public:
    virtual ~ControllerPeer() = default;

    QByteArray received() const { return received_bytes; }
    QStringList requests() const { return request_texts; }
    virtual void send(const QByteArray &bytes) = 0;

    std::function<QByteArray(const QByteArray &request)> answer;
    // Called on every arrival, once the bytes are in received(): raw
    // content (an upload) is no request and never reaches `answer`.
    std::function<void()> on_bytes;

protected:
    void take(const QByteArray &bytes);
    void forget_pending() { pending.clear(); }

private:
    QByteArray received_bytes;
    QByteArray pending;
    QStringList request_texts;
};

// A controller stand-in listening on 127.0.0.1.
class FakeController : public ControllerPeer
{
public:
    FakeController();
    ~FakeController() override;

    quint16 port() const;
    QString port_text() const { return QString::number(port()); }
    int connection_count() const { return connections; }
    bool client_connected() const;
    void send(const QByteArray &bytes) override;
    // Hangs up, as a controller that reboots does.
    void drop_client();
    // Resets the connection (an abortive close), as a controller that loses
    // power or a broken cable may.
    void reset_client();

private:
    void on_new_connection();

    std::unique_ptr<QTcpServer> server;
    QPointer<QTcpSocket> client;
    int connections = 0;
};

// A controller stand-in on a serial line (the far end of a PtyPair).
class SerialController : public ControllerPeer
{
public:
    explicit SerialController(const QString &path);
    ~SerialController() override;

    bool is_open() const;
    void send(const QByteArray &bytes) override;

private:
    std::unique_ptr<QSerialPort> port;
};

// Two connected pseudo-terminals made by socat: the program opens one end,
// the test plays the controller on the other.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();

    bool ready() const;
    QString program_end() const { return dir.filePath(QStringLiteral("program")); }
    QString controller_end() const { return dir.filePath(QStringLiteral("controller")); }
    // Pulls the adapter: both ends hang up.
    void stop();
    // Plugs it in again, under the same names.
    void start();

private:
    QTemporaryDir dir;
    QProcess socat;
};

// The controller simulator as a separate process.
class Simulator
{
public:
    ~Simulator();
    static QString program();
    // Starts it with `arguments`; returns false when it did not come up.
    bool start(const QStringList &arguments);
    quint16 tcp_port() const { return port; }
    QString output() const { return output_text; }

private:
    QProcess process;
    QString output_text;
    quint16 port = 0;
};

} // namespace harness

#endif // TESTS_HARNESS_H
