#include "app/unattended_commissioning.h"

#include "app/commissioning_report.h"
#include "app/mainwindow.h"
#include "app/safe_files.h"
#include "params/comparison_rules.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

using commissioning::Outcome;
using commissioning::Target;

namespace {

int rows_of_kind(const params::Comparison &comparison, std::initializer_list<params::DifferenceKind> kinds)
{
    return int(std::count_if(comparison.differences.cbegin(), comparison.differences.cend(),
                             [kinds](const params::Difference &difference) {
                                 return std::find(kinds.begin(), kinds.end(), difference.kind) != kinds.end();
                             }));
}

// The rows that keep the window from saying "Отличий нет": those a write
// would set, and those whose template value the row cannot take.
int unmatched_rows(const params::Comparison &comparison)
{
    return rows_of_kind(comparison, {params::DifferenceKind::Flagged, params::DifferenceKind::Unusable});
}

// Puts `text` into `box` as its current item, added when the box lacks it.
void choose_item(QComboBox *box, const QString &text)
{
    int index = box->findText(text);
    if (index < 0) {
        box->addItem(text);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

} // namespace

UnattendedCommissioning::UnattendedCommissioning(const CommandLine &command_line, Print print)
    : options(command_line.commissioning), host(command_line.host), port(command_line.port), print(std::move(print))
{
}

void UnattendedCommissioning::interrupt()
{
    interrupted = true;
    if (current && current->exchange_pending())
        current->on_abort_btn_clicked();
}

int UnattendedCommissioning::run()
{
    if (!options.hosts_file.isEmpty()) {
        QFile file(options.hosts_file);
        QVector<Target> targets;
        QString error;
        if (!file.open(QIODevice::ReadOnly))
            error = file.errorString();
        else
            commissioning::read_hosts(file, &targets, &error);
        if (!error.isEmpty()) {
            print(QStringLiteral("%1: %2").arg(options.hosts_file, error));
            print(commissioning::list_line(0, commissioning::bad_input));
            return commissioning::bad_input;
        }
        return run_list(targets);
    }
    Target target;
    target.serial_port = options.serial_port;
    target.host = host;
    target.port = quint16(port.toUInt());
    return commission(target, options.report_path, false).status;
}

int UnattendedCommissioning::run_list(const QVector<Target> &targets)
{
    int status = commissioning::matches;
    int commissioned = 0;
    QString summary;
    for (const Target &target : targets) {
        if (interrupted)
            break;
        const Outcome outcome = commission(target, options.out_dir, true);
        // A template that is no settings file fails every controller alike,
        // and is known before anything is sent.
        if (outcome.status == commissioning::bad_input) {
            status = commissioning::bad_input;
            break;
        }
        ++commissioned;
        status = std::max(status, outcome.status);
        // Written anew after each controller, whole, so that an interrupted
        // run leaves the rows of the controllers done so far.
        summary += commissioning::summary_line(outcome);
        if (!options.summary_path.isEmpty() && !write_summary(summary))
            status = std::max(status, int(commissioning::report_not_written));
    }
    if (interrupted)
        status = commissioning::interrupted;
    print(commissioning::list_line(commissioned, status));
    return status;
}

bool UnattendedCommissioning::write_summary(const QString &content)
{
    // The device export's form: ";"-separated, the system's 8-bit encoding.
    QDir().mkpath(QFileInfo(options.summary_path).path());
    if (safe_files::write_whole(options.summary_path, content.toLocal8Bit(), true))
        return true;
    print(QStringLiteral("%1: сводка не записана").arg(options.summary_path));
    return false;
}

Outcome UnattendedCommissioning::commission(const Target &target, const QString &report, bool name_by_serial)
{
    Outcome outcome;
    outcome.address = target.address();
    MainWindow window(nullptr, MainWindow::Use::Unattended);
    current = &window;
    last_status.clear();
    connect(&window, &MainWindow::status_shown, this, [this](const QString &text) {
        if (!text.isEmpty())
            last_status = text;
    });

    // The catalogue is the window's: a template that shares no key with it
    // is refused before anything is sent.
    QJsonObject values;
    QString refusal;
    const bool no_catalogue = std::all_of(window.param_pages.cbegin(), window.param_pages.cend(),
                                          [](const ParamPage &page) { return page.size() == 0; });
    if (no_catalogue) {
        outcome.status = commissioning::bad_input;
        say(outcome, QStringLiteral("шаблон"),
            QStringLiteral("каталог параметров parametrs.csv пуст или не найден ни в %1, ни в %2")
                .arg(QDir::currentPath(), QCoreApplication::applicationDirPath()));
    } else if (!params::read_template(window.param_pages, options.template_path, &values, &refusal)) {
        outcome.status = commissioning::bad_input;
        say(outcome, QStringLiteral("шаблон"), QStringLiteral("%1: %2").arg(options.template_path, refusal));
    } else {
        if (options.interval_ms > 0)
            window.ui->interval_line->setText(QString::number(options.interval_ms));
        // An interrupt that came meanwhile is taken before anything is sent.
        QCoreApplication::processEvents();
        if (!interrupted && open_link(window, target, &outcome) && identify(window, &outcome)) {
            outcome.before = interrupted ? -1 : compare(window);
            if (outcome.before < 0) {
                outcome.status = commissioning::no_link;
                say(outcome, QStringLiteral("сравнение"), last_status);
            } else {
                say(outcome, QStringLiteral("сравнение"), params::comparison_text(window.last_comparison));
                outcome.after = outcome.before;
                outcome.status = outcome.before > 0 ? commissioning::differs : commissioning::matches;
                if (options.apply && rows_of_kind(window.last_comparison, {params::DifferenceKind::Flagged}) > 0)
                    apply_differences(window, &outcome);
                if (!interrupted)
                    write_report(window, report, name_by_serial, &outcome);
            }
        }
    }
    if (interrupted)
        outcome.status = commissioning::interrupted;
    current = nullptr;
    outcome.finished = QDateTime::currentDateTime();
    print(commissioning::result_line(outcome));
    return outcome;
}

bool UnattendedCommissioning::open_link(MainWindow &window, const Target &target, Outcome *outcome)
{
    Ui::MainWindow *ui = window.ui;
    if (target.serial_port.isEmpty()) {
        ui->radioButton_2->setChecked(true);
        window.on_radioButton_2_clicked();
        window.preset_controller_address(target.host, QString::number(target.port));
        return true;
    }
    ui->radioButton->setChecked(true);
    window.on_radioButton_clicked();
    choose_item(ui->name_box, target.serial_port);
    if (options.baud > 0)
        choose_item(ui->speed_box, QString::number(options.baud));
    window.on_connect_btn_clicked();
    if (window.com_open)
        return true;
    outcome->status = commissioning::no_link;
    say(*outcome, QStringLiteral("связь"), last_status.isEmpty() ? QStringLiteral("порт не открыт") : last_status);
    return false;
}

bool UnattendedCommissioning::identify(MainWindow &window, Outcome *outcome)
{
    window.on_connect_dev_btn_clicked();
    if (!wait_for_window(window))
        return false;
    if (!window.controller_record.identified()) {
        outcome->status = commissioning::no_link;
        say(*outcome, QStringLiteral("связь"),
            last_status.isEmpty() ? QStringLiteral("контроллер не опознан") : last_status);
        return false;
    }
    outcome->serial = window.controller_record.serial;
    say(*outcome, QStringLiteral("связь"),
        QStringLiteral("опознан: серийный номер %1, версия %2").arg(outcome->serial, window.ui->lineEdit_4->text()));
    return true;
}

int UnattendedCommissioning::compare(MainWindow &window)
{
    // Only a comparison made now counts: the one before is forgotten.
    window.last_comparison = params::Comparison();
    if (!window.compare_with_file(options.template_path) || !wait_for_window(window)
        || !window.last_comparison.made.isValid())
        return -1;
    return unmatched_rows(window.last_comparison);
}

void UnattendedCommissioning::apply_differences(MainWindow &window, Outcome *outcome)
{
    // The write's own outcome, before the comparison that follows it
    // replaces the status line.
    QString write_text;
    bool comparing = false;
    const QMetaObject::Connection watch =
        connect(&window, &MainWindow::status_shown, this, [&window, &write_text, &comparing](const QString &text) {
            // The comparison that follows clears the line as it begins.
            comparing = comparing || window.pending.operation == engine::Operation::wait_compare_settings;
            if (!text.isEmpty() && !comparing)
                write_text = text;
        });
    window.last_comparison = params::Comparison();
    outcome->after = -1;
    window.on_write_differences_btn_clicked();
    const bool waited = wait_for_window(window);
    disconnect(watch);
    say(*outcome, QStringLiteral("запись"), write_text);
    if (!waited)
        return;
    // The write compares again by itself once every page is confirmed; when
    // it did not, the controller is compared here, to count what remains.
    const bool confirmed = window.last_comparison.made.isValid();
    outcome->after = confirmed ? unmatched_rows(window.last_comparison) : compare(window);
    if (outcome->after < 0) {
        outcome->status = commissioning::no_link;
        say(*outcome, QStringLiteral("проверка"), last_status);
        return;
    }
    say(*outcome, QStringLiteral("проверка"), params::comparison_text(window.last_comparison));
    outcome->status = confirmed && outcome->after == 0 ? commissioning::matches : commissioning::differs;
}

void UnattendedCommissioning::write_report(MainWindow &window, const QString &report, bool name_by_serial,
                                           Outcome *outcome)
{
    if (report.isEmpty())
        return;
    const QString path =
        name_by_serial ? QDir(report).filePath(report::file_name(outcome->serial, QDate::currentDate())) : report;
    QDir().mkpath(QFileInfo(path).path());
    if (window.write_report(path)) {
        outcome->report = path;
        say(*outcome, QStringLiteral("отчёт"), path);
        return;
    }
    outcome->status = std::max(outcome->status, int(commissioning::report_not_written));
    say(*outcome, QStringLiteral("отчёт"), QStringLiteral("Отчёт не записан: %1").arg(path));
}

bool UnattendedCommissioning::wait_for_window(MainWindow &window)
{
    if (window.exchange_pending()) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&window, &loop] {
            if (!window.exchange_pending())
                loop.quit();
        });
        poll.start(5);
        loop.exec();
    }
    return !interrupted;
}

void UnattendedCommissioning::say(const Outcome &outcome, const QString &step, const QString &text)
{
    print(QStringLiteral("%1  %2: %3").arg(outcome.address, step, commissioning::console_text(text)));
}
