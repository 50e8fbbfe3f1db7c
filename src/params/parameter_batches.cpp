#include "params/parameter_batches.h"

#include "engine/requests.h"
#include "params/catalogue.h"

#include <QJsonObject>

namespace params {

namespace {

int characters(const QByteArray &request)
{
    return QString::fromUtf8(request).size();
}

} // namespace

Selection select_rows(Use use, const QStringList &access, const QVector<bool> &checked)
{
    Selection selection;
    const int rows = qMin(access.size(), checked.size());
    for (int row = 0; row < rows; ++row) {
        if (!checked.at(row))
            continue;
        if (!(use == Use::Read ? readable(access.at(row)) : writable(access.at(row)))) {
            selection.rows.clear();
            selection.refused = true;
            break;
        }
        selection.rows.append(row);
    }
    return selection;
}

ReadStep next_read_request(const QStringList &keys, const QVector<int> &queue)
{
    ReadStep step;
    QStringList asked;
    step.request = requests::parameter_read(asked);
    for (const int row : queue) {
        if (row >= 0 && row < keys.size())
            asked << keys.at(row);
        ++step.row_count;
        step.request = requests::parameter_read(asked);
        if (characters(step.request) > read_request_limit)
            break;
    }
    return step;
}

WriteStep next_write_request(const QVector<WriteRow> &rows, int row_count)
{
    WriteStep step;
    step.next_row = row_count;
    QJsonObject values;
    for (int i = 0; i < rows.size(); ++i) {
        const WriteRow &row = rows.at(i);
        if (!row.value.isUndefined())
            values.insert(row.key, row.value);
        if (characters(requests::parameter_write(values)) >= write_request_limit) {
            if (i + 1 < rows.size())
                step.next_row = row.row + 1;
            break;
        }
    }
    step.request = requests::parameter_write(values);
    return step;
}

} // namespace params
