#include "link/log_store.h"

#include "app/platform.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// What waits in memory for the file is written once it reaches this size,
// and at most this much in one write. While writes fail, one is tried
// again each time this much more has come.
constexpr qint64 write_batch = 256 * 1024;
// Without the file: the newest lines kept for saving.
constexpr qint64 default_memory_limit = 16 * 1024 * 1024;
constexpr qint64 copy_block = 1024 * 1024;

} // namespace

LogStore::LogStore(const QString &folder) : folder(folder), memory_limit(default_memory_limit)
{
    open_file();
}

LogStore::~LogStore() = default;

void LogStore::open_file()
{
    // The file is unbuffered: the store knows at every write what reached
    // it. Qt names no temporary directory when the one set does not exist;
    // the working directory is no place for the traffic.
    file.reset();
    file_size = 0;
    write_failed = false;
    const QString directory = folder.isEmpty() ? QDir::tempPath() : folder;
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        return;
    file = platform::open_private_temporary_file(directory);
}

void LogStore::begin_line()
{
    pieces.push_back({has_lines ? QByteArray(1, '\n') : QByteArray(), true, has_lines});
    pieces_size += pieces.back().bytes.size();
    ++line_starts;
    has_lines = true;
}

void LogStore::append(const QByteArray &utf8)
{
    // A small addition joins the piece before it, so that a day of polling
    // is not a million little pieces.
    if (!pieces.empty() && pieces.back().bytes.size() + utf8.size() <= 4096)
        pieces.back().bytes += utf8;
    else
        pieces.push_back({utf8, false, false});
    pieces_size += utf8.size();
    if (pieces_size >= write_batch)
        write_out();
    keep_within_memory_limit();
}

void LogStore::write_out()
{
    // After a failure the disk is asked again only once a batch has come:
    // a full disk is not worth a write for every line.
    if (!write_failed || pieces_size >= retry_at)
        write_pieces();
}

bool LogStore::write_pieces()
{
    if (!file)
        return false;
    // A batch at a time, of whole pieces, so that what fits on a disk that
    // is nearly full gets in and leaves memory.
    while (!pieces.empty()) {
        QByteArray batch;
        size_t count = 0;
        for (; count < pieces.size() && (count == 0 || batch.size() + pieces[count].bytes.size() <= write_batch);
             ++count)
            batch += pieces[count].bytes;
        if (!file->seek(file_size) || file->write(batch) != batch.size()) {
            // Whatever part of the batch got in is cut off again, to give
            // the disk back; were that to fail, the part is still past
            // file_size, never read and written over by the next batch.
            if (file->size() > file_size)
                file->resize(file_size);
            write_failed = true;
            retry_at = pieces_size + write_batch;
            return false;
        }
        file_size += batch.size();
        while (count-- > 0)
            drop_front_piece();
    }
    write_failed = false;
    return true;
}

void LogStore::drop_front_piece()
{
    pieces_size -= pieces.front().bytes.size();
    line_starts -= pieces.front().starts_line ? 1 : 0;
    pieces.pop_front();
}

void LogStore::keep_within_memory_limit()
{
    if (pieces_size <= memory_limit)
        return;
    // The file gets one more chance before anything goes: the disk may have
    // room again.
    write_pieces();
    if (pieces_size <= memory_limit)
        return;
    // The file's lines are older than any here: with a gap after them they
    // would be no use.
    file.reset();
    file_size = 0;
    write_failed = false;
    lost = true;
    while (pieces_size > memory_limit)
        drop_front_piece();
    // Whole lines where there is a start of one; a single line larger than
    // the limit keeps its end.
    while (!pieces.empty() && !pieces.front().starts_line && line_starts > 0)
        drop_front_piece();
}

void LogStore::clear()
{
    pieces.clear();
    pieces_size = 0;
    line_starts = 0;
    has_lines = false;
    lost = false;
    loss_told = false;
    // A new file rather than the old one emptied: a copy being written out
    // still reads the old one, which goes once the copy is done.
    open_file();
}

bool LogStore::take_loss()
{
    if (!lost || loss_told)
        return false;
    loss_told = true;
    return true;
}

void LogStore::set_memory_limit(qint64 bytes)
{
    memory_limit = bytes;
    keep_within_memory_limit();
}

std::unique_ptr<LogStore::Copy> LogStore::take_copy()
{
    write_pieces();
    auto copy = std::make_unique<Copy>();
    copy->file_bytes = file ? file_size : 0;
    if (copy->file_bytes > 0)
        copy->reader = std::make_unique<platform::FileReader>(*file);
    // The pieces are shared, not copied: the store's own are detached from
    // them when they grow.
    copy->pieces.reserve(pieces.size());
    bool first = true;
    for (const Piece &piece : pieces) {
        // The lines before the first one here are gone: so is the "\n"
        // after them.
        const int skip = first && copy->file_bytes == 0 && piece.separated ? 1 : 0;
        first = false;
        if (piece.bytes.size() > skip) {
            if (copy->pieces.empty())
                copy->pieces_separated = piece.separated && skip == 0;
            copy->pieces.push_back(skip > 0 ? piece.bytes.mid(skip) : piece.bytes);
            copy->pieces_bytes += copy->pieces.back().size();
        }
    }
    return copy;
}

QByteArray LogStore::read_all()
{
    QByteArray all;
    QBuffer buffer(&all);
    buffer.open(QIODevice::WriteOnly);
    take_copy()->write_to(buffer);
    return all;
}

LogStore::Copy::~Copy() = default;

bool LogStore::Copy::write_to(QIODevice &out, std::atomic<qint64> *done) const
{
    const auto put = [&](const char *data, qint64 size) {
        if (out.write(data, size) != size)
            return false;
        if (done)
            *done += size;
        return true;
    };
    qint64 copied = 0;
    if (file_bytes > 0 && reader && reader->is_open()) {
        QByteArray block(int(qMin(file_bytes, copy_block)), Qt::Uninitialized);
        while (copied < file_bytes) {
            const qint64 read = reader->read_at(copied, block.data(), qMin<qint64>(file_bytes - copied, block.size()));
            if (read <= 0)
                break;
            if (!put(block.constData(), read))
                return false;
            copied += read;
        }
    }
    if (copied < file_bytes) {
        // The file has lost what it held or cannot be read: what memory
        // holds is still worth having, after a line that says what is not.
        const QByteArray notice =
            (copied > 0 ? QByteArray("\n") : QByteArray())
            + QStringLiteral("Не удалось прочитать временный файл лога: часть записей журнала до этого места утеряна.")
                  .toUtf8();
        if (!put(notice.constData(), notice.size()))
            return false;
        if (!pieces.empty() && !pieces_separated && !put("\n", 1))
            return false;
    }
    for (const QByteArray &piece : pieces) {
        if (!put(piece.constData(), piece.size()))
            return false;
    }
    return true;
}

bool LogStore::Copy::save_to(const QString &path, std::atomic<qint64> *done) const
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // The traffic holds the passwords the engineer wrote: for the owner's
    // eyes only, from the first byte on.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // What the buffer still holds reaches the disk only with the flush, and
    // commit() would not notice if it did not.
    if (!write_to(out, done) || !out.flush()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
