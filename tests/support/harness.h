#ifndef TESTS_HARNESS_H
#define TESTS_HARNESS_H

// Test harness: a private working directory, the real window with its
// widgets found by object name, and real peers to talk to (a TCP server on
// 127.0.0.1, a pseudo-terminal pair, the controller simulator).
//
// What a test cannot do without (a folder, a file, a listening port, socat,
// the simulator) ends the test program with a message when it cannot be
// had: a missing tool must never pass for a green run.

#include "app/mainwindow.h"

#include <QByteArray>
#include <QCheckBox>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>

class QDateTime;
class QFileDialog;
class QSerialPort;
class QTcpServer;
class QTcpSocket;
class RequestFramer;

namespace harness {

// Makes a fresh temporary directory the current one for the test's life, so
// that the program's working-directory files never touch the source tree;
// the user's preferences (QSettings) are kept inside it as well. Its end
// puts back the directory and the preferences' place it found, and drops
// the file dialog answers that no dialog took, so that none of them is
// taken by a dialog of the next test.
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

// Makes a file impossible to open for writing for the object's life: by its
// permissions, and by the immutable attribute where permissions do not bind
// (as root). Undone however the test ends, so that no immutable file stays
// behind in the temporary folder.
class WriteProtection
{
public:
    explicit WriteProtection(const QString &path);
    ~WriteProtection();
    // False where the file cannot be protected here.
    bool holds() const;

private:
    QString path;
    bool immutable = false;
};

// The names a file named by the second gets when it is written from
// `first` to `last` seconds from now: a test that cannot know the second
// looks at all of them.
QStringList names_from_now(const std::function<QString(const QDateTime &)> &name, int first, int last);

// What this process holds: its open file descriptors (those on `device`
// alone, when one is given), its child processes (finished but not yet
// reaped ones included) and its threads.
int open_descriptors(const QString &device = QString());
int child_processes();
int threads();

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

void click(QAbstractButton *button);

// A test's real window and its widgets, found by object name.
class Controls
{
public:
    std::unique_ptr<MainWindow> window;

    template <class T>
    T *find(const QString &name) const
    {
        return harness::find<T>(window.get(), name);
    }
    QPushButton *button(const QString &name) const { return find<QPushButton>(name); }
    QLineEdit *edit(const QString &name) const { return find<QLineEdit>(name); }
    void click(const QString &name) const { harness::click(button(name)); }
    QString status() const { return find<QLabel>(QStringLiteral("label"))->text(); } // the status line
    bool idle() const { return !window->exchange_pending(); }
    // A parameter page's table (pages 0 to 3), and the check box of its row.
    QTableWidget *table(int page) const
    {
        static const char *const names[] = {"tableWidget", "tableWidget_3", "tableWidget_4", "tableWidget_5"};
        return find<QTableWidget>(names[page]);
    }
    QCheckBox *check(int page, int row) const { return qobject_cast<QCheckBox *>(table(page)->cellWidget(row, 0)); }
};

// The window in a working directory of its own. start() makes and shows it
// on a tab, so that a test may put its files in place first; the window
// ends before the directory, for it writes its settings there.
class Window : public Controls
{
public:
    WorkingDirectory dir;

    ~Window() { window.reset(); }
    void start(int tab = 0);
};

// The traffic log window (a top-level widget of its own).
QWidget *log_window();
QString log_text();
// "Запись в файл" of `log`, in a working directory cleared of saved logs
// first: what it wrote.
QByteArray save_log(QWidget *log);

// Points the main window's address fields at 127.0.0.1:`port`.
void set_ethernet_address(QWidget *window, quint16 port);
// The same, then "Установить связь": true once the window says the link is
// up (the controller identified).
bool connect_ethernet(QWidget *window, quint16 port);
// Chooses COM and opens `port` with the port button: true once the button
// says it is on.
bool open_serial_port(QWidget *window, const QString &port);

// The replies a controller stand-in gives most: the confirmation, and an
// identification (serial, firmware version and identifier "1", no channel
// types), `fields` replacing or adding members.
inline const QByteArray ok_reply = QByteArrayLiteral(R"({"result":"ok"})");
QByteArray identity_reply(const QJsonObject &fields = {});
// JSON written with ' for " in a test, to keep it readable.
QByteArray json(const char *text);

// Leaves out the warning every file dialog gives on the offscreen
// platform, for tests that open many.
void quiet_file_dialog_warnings();

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
// program sends and answers through `answer`, called with each request (one
// JSON object, cut out of the stream as the simulator cuts it) once it has
// arrived whole; an empty answer sends nothing. Bytes outside an object,
// such as an upload's content without braces, are no request.
class ControllerPeer
{
public:
    ControllerPeer();
    virtual ~ControllerPeer();

    QByteArray received() const { return received_bytes; }
    QStringList requests() const { return request_texts; }
    virtual void send(const QByteArray &bytes) = 0;

    std::function<QByteArray(const QByteArray &request)> answer;
    // Called on every arrival, once the bytes are in received().
    std::function<void()> on_bytes;

protected:
    void take(const QByteArray &bytes);
    // A new connection starts with no request begun.
    void forget_pending();

private:
    QByteArray received_bytes;
    std::unique_ptr<RequestFramer> framer;
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

    void send(const QByteArray &bytes) override;

private:
    std::unique_ptr<QSerialPort> port;
};

// Two connected pseudo-terminals made by socat: the program opens one end,
// the test plays the controller on the other. Both ends exist once the
// object is made.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();

    QString program_end() const { return dir.filePath(QStringLiteral("program")); }
    QString controller_end() const { return dir.filePath(QStringLiteral("controller")); }
    // The device behind the program's end, known even after the end is gone.
    QString program_device() const { return device; }
    // Pulls the adapter: both ends hang up.
    void stop();
    // Plugs it in again, under the same names.
    void start();

private:
    QTemporaryDir dir;
    QProcess socat;
    QString device;
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
    // All it has printed so far.
    QString output();

private:
    QProcess process;
    QString output_text;
    quint16 port = 0;
};

} // namespace harness

#endif // TESTS_HARNESS_H
