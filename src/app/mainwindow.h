#ifndef MAINWINDOW_H
#define MAINWINDOW_H

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

#include "devices/models.h"
#include "params/catalogue.h"
#include "params/comparison_rules.h"
#include "params/parameter_batches.h"

#include <array>
#include <memory>
#include <vector>

class QAbstractButton;
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
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Presets the controller address fields (the --host and --port options).
    void preset_controller_address(const QString &host, const QString &port);
    // True while an operation with the controller is under way: a request
    // waits for its reply, or a dialog the operation opened is up.
    bool exchange_pending() const { return operation_pending(); }

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
    // Bytes of the upload the link has passed on to the system.
    void handler_upload_written(qint64 bytes);

    // Network discovery and status (network/).
    void on_res_btn_clicked();
    void on_listWidget_doubleClicked(const QModelIndex &index);
    void on_status_Eth_clicked();
    void handler_res();
    void setStdout();

private:
    // --- Start-up and shut-down (app/) ---
    int probe_serial_ports();
    void read_settings(int probed_ports);
    void write_settings() const;
    void prepare_device_table();
    void load_models();
    void apply_style_sheet();

    // --- Exchange engine (engine/) ---
    using Flag = bool MainWindow::*;
    // The pending flags an exchange block serves: one, or the four of the
    // poll group. Unused places are null.
    using FlagSet = std::array<Flag, 4>;

    // Which text the link guard shows. Two senders spell "Порт" in Cyrillic
    // only; every other sender's text carries a Latin "o".
    enum class GuardText { Latin, Cyrillic };
    // How a request comes to be sent.
    enum class Admission {
        // A new operation: refused while another one is pending or the link
        // is shut. It clears the buffer and the status line, so that no
        // earlier text stands over its outcome, and starts its own count.
        Check,
        // A new operation whose slot already passed request_may_start()
        // before steps of its own (emptying cells, asking for a file).
        Checked,
        // The next step of the pending operation (the next page of a read,
        // the next batch of a write): it keeps the status line and counts
        // against the operation's budget.
        Step,
    };

    struct Request
    {
        QByteArray bytes; // UTF-8 request text, written as is
        Flag flag;        // pending flag the sender raises
        GuardText guard = GuardText::Latin;
        Admission admission = Admission::Check;
    };
    // The common send procedure: admission, preparation, flag, write, log,
    // timer. Returns false when it was refused (nothing else happened).
    bool send_request(const Request &request);
    // Whether a request button may start its operation: one operation at a
    // time (a step the engine sends for the pending one excepted), and the
    // selected link open. A refusal says why in the status line.
    bool request_may_start(GuardText guard);
    // The first half of it: one operation at a time.
    bool operation_may_start();
    // The link guard alone: shows the guard text and returns false when the
    // selected link is not open.
    bool guard_link(GuardText guard);
    bool link_ready() const;
    // Drops whatever the links hold that no exchange asked for.
    void discard_link_input();
    void write_to_link(const QByteArray &bytes);
    void log_sent(const QByteArray &bytes);
    void log_received(const QByteArray &bytes);
    int exchange_interval() const;
    bool any_request_pending() const;
    // An exchange pending, or a dialog opened by an exchange block up.
    bool operation_pending() const;
    // The stop button is offered exactly while an operation is pending.
    void refresh_abort_button();
    // Ends the pending operation as by its time-out, with "Операция прервана".
    void abort_operation();
    // Switching the link ends an operation under way on the other one.
    void end_operation_of_other_link();
    // Serves the pending exchanges once for each block there is, for
    // endings that come on the block's next pass (a lost link, the stop
    // button).
    void serve_every_pending_exchange();
    bool raised(const FlagSet &flags) const;
    // Keeps the engine timer running exactly while an exchange is pending.
    void settle_exchange_timer();

    // How an exchange block waits for its reply.
    enum class Measure {
        Ticks, // timeout_ticks times the tick interval, in milliseconds
        // Seconds counted by load_timer (file transfers). The budget runs
        // from the transfer's last progress: a file still being written to
        // a slow line is not a controller that does not answer.
        LoadSeconds,
        // A download: seconds of load_timer until the first byte; from then
        // on the ticks in a row without a new byte (timeout_ticks, with the
        // size seen last in download_size) times the interval, against
        // stall_budget.
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
        // empty text leaves the status line as it is). The load measures
        // show the seconds since the transfer began.
        QString (*progress)(qint64 measure) = nullptr;
        int stall_budget = 0; // milliseconds, LoadSecondsThenStall only
        // When the reply has come whole; null: when its last byte is the
        // closing brace and it leaves no object or array open.
        bool (*complete)(const QByteArray &reply) = nullptr;
        // Complete only once a tick has passed with nothing new (a reply
        // whose end can also occur inside it: a download).
        bool complete_when_quiet = false;
        // Milliseconds since the operation began after which it ends, as
        // incomplete, however its own measure stands; 0: no such limit.
        int overall_budget_ms = 0;
        // Runs on every tick of the exchange, before the reply is looked at.
        void (MainWindow::*every_tick)() = nullptr;
    };
    // The most the reply of the pending exchange may grow to: beyond it the
    // exchange ends as incomplete, and further bytes are not kept.
    int reply_byte_limit() const;
    // Outcome of one tick for the exchange block being served.
    enum class ReplyState { Waiting, Complete, NoAnswer, Incomplete };
    // The reply frame every block uses: completion test (a complete reply
    // stops the timer and is logged), the tick count, the progress text
    // and the budget with its two time-out texts.
    ReplyState await_reply(const ReplyWait &wait);

    // A pending flag an exchange block serves, with the texts that a reply
    // reporting a result only shows for it.
    struct Served
    {
        Flag flag = nullptr;
        const char *success_text = nullptr;
        const char *unconfirmed_text = nullptr;
    };
    // What timer_handler serves, in its order: the flags of one operation
    // (or the poll group's four), how their reply is awaited, what becomes
    // of a complete reply, and how the operation ends without one.
    struct ExchangeBlock
    {
        std::array<Served, 4> served;
        ReplyWait wait;
        // The block ends its exchange, or sends the operation's next step.
        void (MainWindow::*take_reply)(const ExchangeBlock &block);
        // No answer, too little of one, a lost link or the stop button; null:
        // the common ending of the block's flags.
        void (MainWindow::*end_without_reply)(ReplyState state) = nullptr;

        FlagSet flags() const;
    };
    static const std::vector<ExchangeBlock> &exchange_blocks();
    // One tick of one block: returns false while its exchange waits.
    bool serve(const ExchangeBlock &block);
    ReplyState end_on_lost_link();
    ReplyState end_as_abandoned();
    // Ends, at once, the exchanges pending on a link that has gone away.
    void end_exchanges_on_lost_link();

    // State that a multi-step operation keeps between its steps and that
    // its ending resets.
    enum Progress : unsigned {
        NoProgress = 0,
        ParamProgress = 1, // param_cursor, read_queue, the page and rows in use
        BatchProgress = 2, // batch_index
    };
    // The common ending: flags lowered, buffer cleared, tick count reset,
    // and the operation's own progress reset.
    void end_exchange(const FlagSet &flags, unsigned progress = NoProgress);
    // Runs a dialog of an exchange block: no block runs while it is up (a
    // lost link ends the operation once the dialog is answered), and no new
    // operation starts.
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

    // Whether a download has had no new byte for longer than `budget_ms`.
    bool download_stalled(int budget_ms);

    // Reply checks shared by the blocks.
    bool check_reply_result(const QString &reply);
    void mark_link_lost();
    void show_error_result(const QString &result);
    // The result test of the blocks that ask for a change: the success text
    // on "ok", an error's own text, and `unconfirmed_text` for anything
    // else. Returns whether the result was "ok".
    bool show_result(const QString &result, const QString &success_text, const QString &unconfirmed_text);

    // Replies that report a result only (the polls, the delete, the
    // interfaces, the transmission): its text for each flag waiting, then
    // the common ending. Returns whether the result was "ok".
    bool take_result(const ExchangeBlock &block);
    void take_result_reply(const ExchangeBlock &block);

    // Replies of the identity and network blocks (engine/replies_identity.cpp).
    void take_network_status(const ExchangeBlock &block);
    void take_search_reply(const ExchangeBlock &block);
    void take_identification(const ExchangeBlock &block);
    void end_identification(ReplyState state);

    void abandon_serial_search();

    // Reply handling.
    void apply_identification(const QJsonObject &reply);
    void apply_ipconfig(const QJsonObject &reply);

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

    // Replies to the parameter requests (engine/replies_params.cpp).
    void take_read_param(const ExchangeBlock &block);
    void end_read_param(ReplyState state = ReplyState::Complete);
    void take_settings_dump(const ExchangeBlock &block);
    void take_write_param(const ExchangeBlock &block);
    void end_write_param(ReplyState state = ReplyState::Complete);
    void take_settings_comparison(const ExchangeBlock &block);
    void end_settings_comparison(ReplyState state = ReplyState::Complete);
    void apply_read_reply(const QJsonObject &reply);
    // Sends the next step of a multi-step operation by clicking its button,
    // as the user would; the slot then knows the click for a step.
    void continue_with(QAbstractButton *button);
    bool step_due = false;
    // The page a parameter read or write works on, from its first step to
    // its last, whichever page is shown meanwhile.
    int param_page_in_use = -1;
    // The rows a parameter write sends, with their values as they were
    // when it started; each batch takes those from param_cursor on.
    QVector<params::WriteRow> param_write_rows;

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
    // The file a pending comparison compares with.
    QJsonObject compare_file_values;
    QString compare_file_name;
    params::Comparison last_comparison;
    QSet<ParamCell> marked_cells;

    // --- Commissioning report (app/window_report.cpp) ---
    // What the window holds now, as the report tells it.
    report::Document report_document() const;

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
    // The devices of the running write, taken when it started.
    QVector<QJsonArray> device_write_queue;
    QString device_channel() const;

    // Replies about the device list (engine/replies_devices.cpp).
    void end_device_list_read(ReplyState state);
    void count_device_write_tick();
    void take_device_write(const ExchangeBlock &block);
    void end_device_write(ReplyState state = ReplyState::Complete);
    // The device-list reply, taken as its bytes arrive.
    void take_device_list();
    void apply_device_list(const QJsonObject &reply);

    // Replies to the file and service commands (engine/replies_files.cpp).
    void take_update_reply(const ExchangeBlock &block);
    void take_upload_reply(const ExchangeBlock &block);
    void take_download(const ExchangeBlock &block);
    void drop_link_after_update();

    // --- Files and firmware (files/) ---
    // Start-up: the load timer of the file transfers and the bar that
    // shows how far a transfer has got.
    void setup_file_transfer();

    // The seconds of a transfer, counted from 0 by load_timer.
    void start_load_clock();
    // The upload's second step: the file content, raw, on the selected link.
    bool send_upload_content();
    void end_upload(ReplyState state = ReplyState::Complete);
    // Asks where to save the download and writes it there.
    void save_download(const QByteArray &content);
    void end_download(ReplyState state = ReplyState::Complete);

    // The bar beside the status line while a transfer runs.
    void show_upload_progress();
    void show_download_progress();
    void hide_transfer_progress();

    QTimer *load_timer = nullptr;
    QByteArray upload_payload;
    int upload_size = 0;       // bytes of the content being uploaded
    qint64 upload_written = 0; // of them, passed on to the system so far
    // The load second of the transfer's last progress (upload bytes
    // written), from which its time without an answer counts.
    int load_progress_second = 0;
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
    int timeout_ticks = 0;
    // Since the pending operation began.
    QElapsedTimer operation_clock;
    // The link the pending operation talks over.
    bool operation_over_serial = false;
    // A dialog of an exchange block is up.
    bool block_dialog_open = false;
    // The stop button ends the pending exchange: its block takes the path
    // of a time-out.
    bool aborting = false;
    int param_cursor = 0;
    QVector<int> read_queue;
    int batch_index = 0;
    int write_dev_ticks = 0;
    int download_size = 0;
    int load_seconds = 0;

    // Pending-request flags, in the order the engine serves them.
    bool wait_req_all_dev = false;
    bool wait_req_one_dev = false;
    bool wait_req_ch = false;
    bool wait_res_to_serv = false;
    bool wait_status_eth = false;
    bool wait_transmit = false;
    bool wait_res = false;
    bool wait_connect_dev = false;
    bool wait_read_param = false;
    bool wait_write_settings = false;
    bool wait_write_param = false;
    bool wait_read_dev = false;
    bool wait_write_dev = false;
    bool wait_delete_dev = false;
    bool wait_load_in = false;
    bool wait_update = false;
    bool wait_load_out = false;
    bool wait_write_interf = false;
    bool wait_compare_settings = false;
    bool wait_industrial = false;

    // The models list: model_codes, model_names and model_makers, entry by entry.
    device_list::Models models;

    QLineEdit *eth_status_edits[4] = {};
};

#endif // MAINWINDOW_H
