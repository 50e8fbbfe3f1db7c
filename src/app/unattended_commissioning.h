#ifndef APP_UNATTENDED_COMMISSIONING_H
#define APP_UNATTENDED_COMMISSIONING_H

#include "app/command_line.h"
#include "app/commissioning_run.h"

#include <QObject>
#include <QString>

#include <functional>

class MainWindow;

// Commissions controllers with no one at the window: for each, a window of
// its own, never shown, whose buttons' start and step functions do the
// work under the window's rules; the run only chooses the next step from
// what the window confirmed, and prints it.
//
// Each controller: the link opened, the controller identified, its whole
// set compared with the template; with "apply" the flagged rows written
// (the write compares again); the report written. One line a step, and
// the result as one JSON line (commissioning::result_line).
class UnattendedCommissioning : public QObject
{
    Q_OBJECT

public:
    using Print = std::function<void(const QString &line)>;
    // The commissioning options of `command_line`, and its host and port
    // for one controller reached over Ethernet; every line goes to `print`.
    UnattendedCommissioning(const CommandLine &command_line, Print print);

    // The whole run; returns the exit status.
    int run();
    // Stops the operation under way as the stop button does; nothing
    // further is sent or written but the list's summary.
    void interrupt();

private:
    int run_list(const QVector<commissioning::Target> &targets);
    // One controller; `report` is the report's path, or a folder to name it
    // in by serial number (`name_by_serial`); empty: no report.
    commissioning::Outcome commission(const commissioning::Target &target, const QString &report,
                                      bool name_by_serial);
    // The steps, on the window of one controller; each returns false when
    // the controller's run ends there, with the status set.
    bool open_link(MainWindow &window, const commissioning::Target &target, commissioning::Outcome *outcome);
    bool identify(MainWindow &window, commissioning::Outcome *outcome);
    // A comparison with the template; the count of rows that do not match
    // it (flagged, or whose template value does not fit), -1 when none was
    // made.
    int compare(MainWindow &window);
    // Writes the flagged rows; the outcome's status and count after it.
    void apply_differences(MainWindow &window, commissioning::Outcome *outcome);
    void write_report(MainWindow &window, const QString &report, bool name_by_serial,
                      commissioning::Outcome *outcome);

    // Lets the window's event loop turn until no operation is pending;
    // false when the run was interrupted.
    bool wait_for_window(MainWindow &window);
    void say(const commissioning::Outcome &outcome, const QString &step, const QString &text);
    bool write_summary(const QString &content);

    const CommissioningOptions options;
    const QString host;
    const QString port;
    Print print;
    MainWindow *current = nullptr;
    QString last_status; // the window's last non-empty status text
    bool interrupted = false;
};

#endif // APP_UNATTENDED_COMMISSIONING_H
