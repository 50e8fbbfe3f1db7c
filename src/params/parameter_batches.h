#ifndef PARAMS_PARAMETER_BATCHES_H
#define PARAMS_PARAMETER_BATCHES_H

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

// How a long selection of rows is split into requests the controller takes:
// a read asks for keys until the request text grows longer than 149
// characters, a write adds values until it reaches 150; the row that
// crosses the limit stays in its request.
namespace params {

constexpr int read_request_limit = 149;  // longer than this ends a read request
constexpr int write_request_limit = 150; // this long or longer ends a write request

// The rows a new read or write takes: the checked rows in table order. A
// checked row the operation may not touch (one that may not be read, or
// written) refuses the whole operation before anything goes out, and
// nothing is taken.
enum class Use { Read, Write };
struct Selection
{
    QVector<int> rows;
    bool refused = false;
};
Selection select_rows(Use use, const QStringList &access, const QVector<bool> &checked);

struct ReadStep
{
    QByteArray request;
    int row_count = 0; // rows taken from the front of the queue
};
// The next read request for the rows in `queue` (row indices into `keys`,
// in request order). A row outside `keys` (the page changed under a read)
// is taken without asking for anything.
ReadStep next_read_request(const QStringList &keys, const QVector<int> &queue);

// A row a write sends.
struct WriteRow
{
    int row;
    QString key;
    QJsonValue value; // Undefined: the row's type adds nothing
};
struct WriteStep
{
    QByteArray request;
    int next_row = 0; // where the next request starts
};
// The next write request from `rows` (the checked rows from the write's
// current row on, in row order) of a page of `row_count` rows. When no
// checked row is left after the request, next_row is `row_count`, so that
// no empty request follows.
WriteStep next_write_request(const QVector<WriteRow> &rows, int row_count);

} // namespace params

#endif // PARAMS_PARAMETER_BATCHES_H
