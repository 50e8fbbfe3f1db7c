#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QAbstractItemView>
#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QMainWindow>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVector>

#include "app/auxiliary_file.h"
#include "app/controller_record.h"
#include "devices/models.h"
#include "engine/exchange.h"
#include "engine/operation.h"
#include "params/catalogue.h"
#include "params/comparison_rules.h"
#include "params/parameter_batches.h"

#include <array>
#include <initializer_list>
#include <memory>
#include <vector>

class QCloseEvent;
class QCompleter;
class QColor;
class QComboBox;
class QJsonValue;
class QLabel;
class QLineEdit;
class QTableWidget;
class QModelIndex;
class QProcess;
class QProgressBar;
class QTimer;
class Log;
class TcpServer;
class io_port;
class thread_res;

namespace Ui {
class MainWindow;
}
namespace report {
struct Document;
}

// The configurator's one window. Its slots are spread over the subsystem
// folders: connection control in link/, the exchange engine in engine/,
// search and network status in network/, and so on.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // How the window is used: by an engineer, or by a commissioning run
    // from the command line, which shows nothing and leaves the engineer's
    // session settings and remembered addresses as they are.
    enum class Use { Window, Unattended };
    explicit MainWindow(QWidget *parent = nullptr, Use use = Use::Window);
    ~MainWindow() override;

    // Presets the controller address fields (the --host and --port options).
    void preset_controller_address(const QString &host, const QString &port);
    // True while an operation with the controller is under way: a request
    // waits for its reply (or for the link to settle before it goes out),
    // or a dialog the operation opened is up.
    bool exchange_pending() const { return operation_pending(); }

signals:
    // Every text the status line shows, as it is shown.
    void status_shown(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    // Exchange engine (engine/).
    void handler_network_data();
    void timer_handler();
    void on_abort_btn_clicked();

    // Links and connection control (link/).
    void handler_error_io();
    void on_log_btn_clicked();
    void on_report_btn_clicked();
    void on_radioButton_clicked();
    void on_radioButton_2_clicked();
    void on_connect_btn_clicked();
    void on_reload_btn_clicked();
    void on_connect_dev_btn_clicked();
    void on_disconnect_eth_btn_clicked();
    void handler_eth_closed_by_peer();

    // Controller parameters (params/).
    void on_read_param_btn_clicked();
    void on_write_param_btn_clicked();
    void on_write_settings_btn_clicked();
    void on_read_settings_btn_clicked();
    void on_industrial_btn_clicked();
    void on_compare_settings_btn_clicked();
    void on_fiil_flags_btn_clicked();
    void on_clear_flags_btn_clicked();
    void on_synch_time_clicked();
    void on_write_differences_btn_clicked();
    void on_clear_marks_btn_clicked();
    void on_only_differences_box_toggled(bool only);

    // Device list and polling (devices/).
    void on_set_new_dev_btn_clicked();
    void on_del_dev_btn_clicked();
    void on_clear_table_btn_clicked();
    void on_comboBox_activated(int index);
    void on_comboBox_2_activated(int index);
    void on_write_interf_btn_clicked();
    void on_read_dev_btn_clicked();
    void on_write_dev_btn_clicked();
    void on_delete_dev_btn_clicked();
    void on_read_file_dev_btn_clicked();
    void on_req_all_dev_clicked();
    void on_req_one_dev_clicked();
    void on_req_ch_btn_clicked();
    void on_res_to_serv_btn_clicked();
    void on_write_dev_file_btn_clicked();

    // Files and firmware (files/).
    void on_load_in_btn_clicked();
    void on_load_out_btn_clicked();
    void on_transmit_server_btn_clicked();
    void on_update_btn_clicked();
    void handler_timer_load();

    // Network discovery and status (network/).
    void on_res_btn_clicked();
    void on_listWidget_doubleClicked(const QModelIndex &index);
    void on_status_Eth_clicked();
    void handler_res();
    void setStdout();

private:
    // Drives the start and step functions the buttons drive, from the
    // command line.
    friend class UnattendedCommissioning;
    const Use use;
    // Where an auxiliary file the working directory lacks comes from.
    MissingAuxiliaryFile missing_files() const;

    // --- Start-up and shut-down (app/) ---
    int probe_serial_ports();
    void read_settings(int probed_ports);
    void write_settings() const;
    void prepare_device_table();
    void load_models();
    void apply_style_sheet();

    // --- Exchange engine (engine/) ---
    using Operation = engine::Operation;
    using Link = engine::Link;

    // Which text the link guard shows. Two senders spell "Порт" in Cyrillic
    // only; every other sender's text carries a Latin "o".
    enum class GuardText { Latin, Cyrillic };
    // Whether a request button may start its operation: one operation at a
    // time, and the selected link open. A refusal says why in the status
    // line. Every request slot asks this before it starts anything.
    bool request_may_start(GuardText guard);
    // The first half of it: one operation at a time.
    bool operation_may_start();
    // A control that changes what the pending operation uses (`uses`) waits
    // for it to end: false, with the wait text, while such an operation runs.
    bool may_change_while(std::initializer_list<Operation> uses);
    // The link guard alone: shows the guard text and returns false when the
    // selected link is not open.
    bool guard_link(GuardText guard);
    bool link_ready() const;

    // The operation under way and how it stands.
    engine::PendingOperation pending;
    bool operation_running() const { return pending.operation != Operation::none; }
    template <class Progress>
    Progress &progress()
    {
        return std::get<Progress>(pending.progress);
    }
    template <class Progress>
    const Progress *progress_if() const
    {
        return std::get_if<Progress>(&pending.progress);
    }

    // Begins `operation` over the selected link, without sending anything
    // yet: its progress set, its clock started, the status line cleared.
    void begin_operation(Operation operation, engine::Progress progress = {});
    // Sends the operation's first request. Right after an operation that
    // ended without its reply the request waits, with the link watched,
    // until nothing has come for settle_quiet_ms; what comes meanwhile is
    // dropped.
    void send_request(const QByteArray &bytes);
    // A single-request operation: begun and sent.
    void start_command(Operation operation, const QByteArray &bytes);
    // The next request of the pending operation, after its reply to the
    // previous one: it keeps the status line and the operation's budget.
    void send_step(const QByteArray &bytes);
    // Puts the request on the link, logged, with the reply count reset.
    void put_request(const QByteArray &bytes);
    // The common ending: the operation value reset, the buffer cleared. An
    // operation that ended without its reply leaves the link unsettled.
    enum class Ending { Answered, Unanswered };
    void end_operation(Ending ending = Ending::Answered);

    // --- The link seam ---
    // The link the radio buttons select.
    Link selected_link() const;
    // Every byte sent goes here.
    void write_to_link(const QByteArray &bytes);
    qint64 link_bytes_to_write() const;
    // Connected once for each link object.
    void handler_bytes_written(qint64 bytes);
    // Drops whatever the links hold that no exchange asked for.
    void discard_link_input();
    void log_sent(const QByteArray &bytes);
    void log_received(const QByteArray &bytes);
    // The serial port button's look.
    enum class SerialButton { Off, On, NoConnection };
    void show_serial_button(SerialButton state, const QString &port_name = QString());
    // Closes the serial port, the button showing `state`.
    void close_serial_link(SerialButton state);
    // Whether the link has been quiet long enough since an operation ended
    // without its reply: nothing left to write, nothing come for a while.
    bool link_settled() const;
    void unsettle_link();
    // The link never went quiet for a held-back request.
    void end_busy_link();
    // Restarted by every byte that comes or goes out.
    QElapsedTimer link_quiet;
    bool link_unsettled = false;

    // The status line: every text of it goes through here.
    void show_status(const QString &text);
    // The LAN sweep's progress: shown only while the line holds nothing
    // newer than the sweep's own last text.
    void show_sweep_status(const QString &text);
    // Who wrote what the status line shows: nobody (it is empty), a refusal
    // that the end of the operation clears, the settle wait, the sweep.
    enum class StatusOwner { Nobody, Other, Refusal, Settling, Sweep };
    StatusOwner status_owner = StatusOwner::Nobody;

    int exchange_interval() const;
    // The stop button is offered exactly while an operation is pending.
    void refresh_abort_button();
    // Ends the pending operation as by its time-out, with "Операция прервана".
    void abort_operation();
    // Switching the link ends an operation under way on the other one.
    void end_operation_of_other_link();
    // Keeps the engine timer running exactly while an operation is pending.
    void settle_exchange_timer();
    // An exchange pending, or a dialog opened by an exchange block up.
    bool operation_pending() const;

    // How an exchange block waits for its reply.
    enum class Measure {
        Ticks, // reply ticks times the tick interval, in milliseconds
        // Seconds counted by load_timer (file transfers). The budget runs
        // from the transfer's last progress: a file still being written to
        // a slow line is not a controller that does not answer.
        LoadSeconds,
        // A download: seconds of load_timer until the first byte; from then
        // on the ticks in a row without a new byte times the interval,
        // against stall_budget.
        LoadSecondsThenStall,
    };
    struct ReplyWait
    {
        int budget; // the exchange ends once the measure exceeds it
        Measure measure = Measure::Ticks;
        // The reply is applied as it arrives (handler_network_data); the
        // tick only counts, shows progress and ends the exchange.
        bool taken_on_arrival = false;
        // Text shown on every waiting tick, from the measure so far (an
        // empty text leaves the status line as it is).
        QString (*progress)(qint64 measure) = nullptr;
        int stall_budget = 0; // milliseconds, LoadSecondsThenStall only
        // When the reply has come whole; null: when its last byte is the
        // closing brace and it leaves no object or array open.
        bool (*complete)(const QByteArray &reply) = nullptr;
        // Complete only once the link has been quiet for settle_quiet_ms
        // (a reply whose end can also occur inside it: a download).
        bool complete_when_quiet = false;
        // Milliseconds since the operation began after which it ends, as
        // incomplete, however its own measure stands; 0: no such limit.
        int overall_budget_ms = 0;
    };
    // The most the reply of the pending exchange may grow to: beyond it the
    // exchange ends as incomplete, and further bytes are not kept.
    int reply_byte_limit() const;
    enum class ReplyState { Waiting, Complete, NoAnswer, Incomplete };
    // The reply frame every block uses: the verdict of the wait, logging,
    // the progress text and the two time-out texts.
    ReplyState await_reply(const ReplyWait &wait);
    ReplyState end_as_abandoned();

    // What the engine does with an operation's reply: how it is awaited,
    // what becomes of a complete one, and how the operation ends without one.
    struct ExchangeBlock
    {
        ReplyWait wait;
        // Ends the operation, or sends its next step.
        void (MainWindow::*take_reply)(const exchange::Reply &reply) = nullptr;
        // No answer, too little of one, a lost link or the stop button;
        // null: the common ending.
        void (MainWindow::*end_without_reply)(ReplyState state) = nullptr;
        // Texts of a reply that reports a result only.
        const char *success_text = nullptr;
        const char *unconfirmed_text = nullptr;
    };
    static const ExchangeBlock &block_of(Operation operation);
    // One tick of the pending operation.
    void serve_pending_operation();
    // Ends a pending operation now (a lost link, the stop button), by the
    // path of its time-out.
    void end_pending_without_reply();
    // Ends, at once, an operation pending on a link that has gone away.
    void end_exchanges_on_lost_link();
    // The first request after an unsettled link, sent once it has settled.
    void send_when_settled();
    // A dialog of an exchange block is up: no block runs (a lost link ends
    // the operation once the dialog is answered), and no new operation starts.
    template <class Dialog>
    auto run_block_dialog(Dialog dialog)
    {
        block_dialog_open = true;
        refresh_abort_button();
        auto answer = dialog();
        block_dialog_open = false;
        refresh_abort_button();
        return answer;
    }
    bool block_dialog_open = false;
    // The stop button is ending the pending exchange.
    bool aborting = false;

    // Reply checks shared by the blocks.
    bool check_reply_result(const exchange::Reply &reply);
    void mark_link_lost();
    void show_error_result(const QString &result);
    // The result test of the blocks that ask for a change: the success text
    // on "ok", an error's own text, and `unconfirmed_text` for anything
    // else. Returns whether the result was "ok".
    bool show_result(const QString &result, const QString &success_text, const QString &unconfirmed_text);
    // Replies that report a result only (the polls, the delete, the
    // interfaces, the transmission): the operation's text, then the common
    // ending. Returns whether the result was "ok".
    bool take_result(const exchange::Reply &reply);
    void take_result_reply(const exchange::Reply &reply);

    // Identity and network (engine/replies_identity.cpp).
    void start_identification();
    void take_network_status(const exchange::Reply &reply);
    void take_search_reply(const exchange::Reply &reply);
    void take_identification(const exchange::Reply &reply);
    void end_identification(ReplyState state);
    void abandon_serial_search();
    void apply_identification(const QJsonObject &reply);
    void apply_ipconfig(const QJsonObject &reply);
    // The controller is no longer the one identified: its serial number,
    // firmware and network fields are emptied, so that nothing names it.
    void forget_controller();
    // The link the identified controller was reached over.
    Link identified_link = Link::none;
    // A new record for the controller just identified.
    void begin_controller_record(Link link, int channels_reported);
    // The texts of the eight channel boxes.
    QStringList channel_types() const;

    // --- Controller parameters (params/) ---
    // Start-up: the catalogue and the four page tables.
    void load_parameter_catalogue();
    void connect_parameter_tables();
    void build_page_rows(QTableWidget *table, int page);
    // Greys the value cells of the rows that may not be written, on every
    // page (a read or a load replaces the items and their background).
    void shade_read_only();
    // Empties every value cell of a page (a new read starts from nothing).
    void clear_page_values(int page);
    // While a read runs, a change in a row that may not be read unchecks it.
    void on_param_cell_changed(int page, int row, int column);
    // The page of the visible tab; -1 when no page is.
    int current_param_page() const;
    // The catalogue of `page`; an empty page for any other index.
    const ParamPage &param_page(int page) const;
    // Puts a value from the controller or a settings file into a row, by
    // the row's type.
    void set_param_value(int page, int row, const QJsonValue &value);
    // The JSON value a write sends for a row, by the row's type.
    QJsonValue param_write_value(int page, int row) const;
    bool param_row_checked(int page, int row) const;
    // Whether each row of the page is checked, in row order.
    QVector<bool> param_checks(int page) const;
    void load_settings_file(const QString &path);
    // Compares the controller with the settings file at `path`; false, with
    // the reason shown, when the file is refused or no request may start.
    bool compare_with_file(const QString &path);

    // Parameter operations (params/parameter_exchange.cpp): the rows checked
    // on `page`; false, with the reason shown, when nothing may be sent.
    bool start_param_read(int page);
    void send_param_read_step();
    // The next request of the pending read; its rows count as asked for.
    QByteArray next_param_read_request();
    bool start_param_write(int page);
    void send_param_write_step();
    // The next batch of the pending write; its rows count as sent.
    QByteArray next_param_write_request();
    void start_settings_dump();
    void start_settings_comparison(const QJsonObject &file_values, const QString &file_name,
                                   const QByteArray &file_sha256 = QByteArray());
    // Writes the rows a comparison flagged (checked) on every page as one
    // operation, then compares with the same file again. False, with the
    // reason shown, when there is nothing to write.
    bool start_differences_write();
    // The rows of `page` a write would send: the checked ones, with their
    // values as they are now; false when a checked row may not be written.
    bool write_rows_of(int page, QVector<params::WriteRow> *rows) const;
    // The page a parameter read or write works on, -1 when none runs.
    int param_page_in_use() const;

    // Replies to the parameter requests (engine/replies_params.cpp).
    void take_read_param(const exchange::Reply &reply);
    void end_read_param(ReplyState state = ReplyState::Complete);
    void take_settings_dump(const exchange::Reply &reply);
    void take_write_param(const exchange::Reply &reply);
    void take_settings_comparison(const exchange::Reply &reply);
    void apply_read_reply(const QJsonObject &reply);
    // A whole parameter set the controller reported: every key of the
    // catalogue in it, as read.
    void note_reported_set(const QJsonObject &reply);

    // Controller parameters: the catalogue, its four page tables and the
    // editors of the Uart and Itf rows, keyed by page and row.
    struct UartEditor
    {
        QLineEdit *speed;
        QComboBox *data_bits;
        QComboBox *parity;
        QComboBox *stop_bits;
    };
    using ParamCell = QPair<int, int>; // page, row
    params::Catalogue param_pages;
    std::array<QTableWidget *, params::page_count> param_tables = {};
    QMap<ParamCell, UartEditor> uart_editors;
    QMap<ParamCell, QComboBox *> itf_boxes;

    // Comparison with a settings file (params/comparison_marks.cpp): the
    // pages show the file's values, and the rows where the controller
    // differs are marked until a read, write or load replaces them.
    void apply_comparison(const QJsonObject &controller);
    void mark_difference(const params::Difference &difference);
    void unmark_difference(int page, int row);
    void clear_difference_marks(int page);
    void clear_difference_marks(); // of every page
    // The rows of the running write that the controller has confirmed.
    void unmark_written_rows();
    params::Comparison last_comparison;
    // The file of the last comparison, for a write of its differences to
    // compare with again.
    engine::Comparison last_template;
    // The view of the comparison: only the marked rows when asked, and the
    // number of flagged rows on each page's tab.
    void refresh_comparison_view();
    // A parameter page's title, without the count of flagged rows.
    static QString page_title(int page);
    QSet<ParamCell> marked_cells;

    // --- Commissioning report (app/window_report.cpp) ---
    // What the window holds now, as the report tells it.
    report::Document report_document() const;
    // Writes the report to `path`, whole or not at all.
    bool write_report(const QString &path);
    // What this controller told or confirmed since it was identified.
    report::ControllerRecord controller_record;
    // Values on the pages that did not come from the controller: the cells
    // loaded from a file or typed, with where they came from.
    QMap<ParamCell, QString> unwritten_cells;
    void note_unwritten(int page, int row, const QString &source);
    static QString typed_source() { return QStringLiteral("введено вручную"); }
    // Cells filled by the program, not typed.
    bool filling_cells = false;

    // --- Device list and polling (devices/) ---
    // The header sets of the device table: each rebuild clears it to 256
    // empty rows of 9 columns.
    enum class DeviceHeaders { StartUp, Channel, Controller, File };
    void rebuild_device_table(DeviceHeaders headers);
    // Puts `cells` into row `row` from column 0 on, as new items.
    void set_device_row(int row, const QStringList &cells, Qt::Alignment alignment);
    void blank_device_row(int row);
    QString device_cell(int row, int column) const;
    QStringList device_row(int row) const;
    // The cells of the occupied rows: from row 0 to the first row without a
    // device number.
    QVector<QStringList> occupied_device_rows() const;
    void paint_device_rows(const QVector<int> &rows, const QColor &colour);
    void paint_device_table(const QColor &colour);
    bool find_duplicate_devices();
    // The devices a new write sends, in table order, as they are now; none
    // (with the reason in the status line) when the write must not start.
    QVector<QJsonArray> devices_to_write();
    QString device_channel() const;
    // The channel whose devices the table shows.
    int shown_channel = 0;
    // How the device table's cells are edited while no list operation runs.
    QAbstractItemView::EditTriggers device_edit_triggers;
    // Device-list operations (devices/device_exchange.cpp).
    void start_device_list_read(const QString &channel);
    // False, with the reason shown, when the table holds nothing to send.
    bool start_device_write();
    void send_device_write_step();

    // Replies about the device list (engine/replies_devices.cpp).
    void end_device_list_read(ReplyState state);
    void take_device_write(const exchange::Reply &reply);
    // The device-list reply, taken as its bytes arrive.
    void take_device_list();
    void apply_device_list(const QJsonObject &reply);

    // Replies to the file and service commands (engine/replies_files.cpp).
    void take_update_reply(const exchange::Reply &reply);
    void take_upload_reply(const exchange::Reply &reply);
    void take_download(const exchange::Reply &reply);
    void drop_link_after_update(Link link);

    // --- Files and firmware (files/) ---
    // Start-up: the load timer of the file transfers and the bar that
    // shows how far a transfer has got.
    void setup_file_transfer();

    // The transfers: the upload of `content` under `name`, and the
    // download of the controller's file `name`.
    void start_upload(const QString &name, const QByteArray &content);
    void start_download(const QString &name);
    // The upload's second step: the file content, raw, on the selected link.
    void send_upload_content();
    void end_upload(ReplyState state = ReplyState::Complete);
    // Asks where to save the download and writes it there.
    void save_download(const QByteArray &content, const QString &controller_name);
    void end_download(ReplyState state = ReplyState::Complete);

    // The bar beside the status line while a transfer runs.
    void show_upload_progress();
    void show_download_progress();
    void hide_transfer_progress();

    QTimer *load_timer = nullptr;
    QWidget *transfer_progress = nullptr;
    QProgressBar *transfer_bar = nullptr;
    QLabel *transfer_count = nullptr;

    // --- Network discovery and status (network/) ---
    // Start-up: the processes, timer and thread of the network search.
    void setup_network_search();
    void start_network_sweep();
    void start_arp_query();
    void finish_network_search();

    // The first one runs the ARP query; the sweep's pings are started by
    // search_thread.
    QVector<QProcess *> ping_processes;
    QTimer *res_timer = nullptr;
    QString search_output; // decoded output of the ARP query
    int search_ticks = 0;  // seconds of the running search
    std::shared_ptr<thread_res> search_thread;

    // --- Links (link/) ---
    // The other link chosen: an operation on the old one ends.
    void link_switched();
    void open_eth_link();
    void close_eth_link();
    // The address field offers the controllers last identified over
    // Ethernet; a successful identification adds the one it reached.
    void setup_address_completer();
    void remember_controller_address();

    Ui::MainWindow *ui = nullptr;
    std::shared_ptr<io_port> serial_link;
    std::shared_ptr<TcpServer> eth_link;
    // The address and port the Ethernet link was opened with.
    QString eth_link_host;
    QString eth_link_port;
    QCompleter *address_completer = nullptr;
    Log *log_window = nullptr;
    QTimer *exchange_timer = nullptr;

    bool com_open = false;
    bool com_on = false;
    bool eth_connected = false;

    QByteArray rx_buffer;

    // The models list: model_codes, model_names and model_makers, entry by entry.
    device_list::Models models;

    QLineEdit *eth_status_edits[4] = {};
};

#endif // MAINWINDOW_H
