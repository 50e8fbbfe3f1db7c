#ifndef ENGINE_OPERATION_H
#define ENGINE_OPERATION_H

#include "params/parameter_batches.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <variant>

// The one operation the window may have under way with the controller, and
// what it keeps between its steps. There is no request identifier in the
// protocol, so at most one request is in flight, and the reply that comes
// belongs to the operation named here.
namespace engine {

// The operations, named as the pending flag each of them once raised.
enum class Operation {
    none,
    wait_req_all_dev,
    wait_req_one_dev,
    wait_req_ch,
    wait_res_to_serv,
    wait_status_eth,
    wait_transmit,
    wait_res,
    wait_connect_dev,
    wait_read_param,
    wait_write_settings,
    wait_write_param,
    wait_read_dev,
    wait_write_dev,
    wait_delete_dev,
    wait_load_in,
    wait_update,
    wait_load_out,
    wait_write_interf,
    wait_compare_settings,
};
constexpr int operation_count = int(Operation::wait_compare_settings) + 1;

// A parameter read: the page it began on, the rows still to ask for, and
// how many rows from the front of the queue the request in flight asks for.
struct ParamRead
{
    int page = -1;
    QVector<int> queue;
    int asked = 0;
};

// A parameter write: the page, the rows with their values as they were
// when it began, and the row the next request starts at (the rows before
// it have gone out).
struct ParamWrite
{
    int page = -1;
    QVector<params::WriteRow> rows;
    int next_row = 0;
    int sent_from = 0; // the first row of the request in flight
    // A write of the differences: the rows of further pages, written after
    // this one's, and then a comparison with the same file again.
    QVector<QPair<int, QVector<params::WriteRow>>> further_pages;
    bool compare_after = false;

    // Goes on with the next of the further pages; false when none is left.
    bool take_next_page()
    {
        if (further_pages.isEmpty())
            return false;
        page = further_pages.first().first;
        rows = further_pages.takeFirst().second;
        next_row = 0;
        return true;
    }
};

// A device-list read: the table row the next listed device goes to.
struct DeviceRead
{
    int next_row = 0;
    QString channel;
};

// A device-list write: the devices as they were when it began, one a
// request, and the one the request in flight sends.
struct DeviceWrite
{
    QVector<QJsonArray> queue;
    int sending = 0;
    QString channel;
    QVector<QStringList> rows; // the table's cells of the devices sent
};

// A file transfer. An upload sends its header, then, once the controller
// has taken it, its content; a download gathers the file followed by its
// result.
struct Transfer
{
    enum class Phase { UploadHeader, UploadContent, Download };
    Phase phase = Phase::Download;
    QByteArray content;      // the upload's file, until it is written
    qint64 size = 0;         // bytes of the upload's file
    qint64 written = 0;      // of them, passed on to the system so far
    QString name;            // the download's file name on the controller
    int seconds = 0;         // of the load timer, since the transfer began
    int progress_second = 0; // the second of its last progress
    int size_seen = 0;       // download: the reply's size at the previous tick
    int still_ticks = 0;     // download: ticks in a row without a new byte
};

// A comparison with a settings file: the file's values and its name.
struct Comparison
{
    QJsonObject file_values;
    QString file_name;
    QByteArray file_sha256;
    QString serial; // of the controller compared with
};

using Progress = std::variant<std::monostate, ParamRead, ParamWrite, DeviceRead, DeviceWrite, Transfer, Comparison>;

// Which link an operation talks over.
enum class Link { none, serial, ethernet };

struct PendingOperation
{
    Operation operation = Operation::none;
    Progress progress;
    Link link = Link::none;
    QElapsedTimer clock; // since the operation began
    int reply_ticks = 0; // ticks waited for the reply in flight
    int ticks = 0;       // ticks since the operation began
    // The first request, held back until the link has settled after an
    // operation that ended without its reply; empty once it has gone out.
    QByteArray unsent;
};

} // namespace engine

#endif // ENGINE_OPERATION_H
