#include "link/log_store.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

// What waits in memory for the file is written once it reaches this size.
constexpr qint64 write_batch = 256 * 1024;
// Without the file: the newest lines kept for saving.
constexpr qint64 default_memory_limit = 16 * 1024 * 1024;
constexpr qint64 copy_block = 1024 * 1024;

} // namespace

LogStore::LogStore() : memory_limit(default_memory_limit)
{
    open_file();
}

LogStore::~LogStore() = default;

void LogStore::open_file()
{
    // QTemporaryFile makes the file readable and writable by its owner
    // alone and removes it when it is destroyed; on Linux, where the file
    // system allows, it has no name at all, so that not even a crash leaves
    // the traffic behind.
    // Unbuffered: the store knows at every write what reached the file.
    // Qt names no temporary directory when the one set does not exist; the
    // working directory is no place for the traffic.
    drop_file();
    const QString directory = QDir::tempPath();
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        return;
    file = std::make_unique<QTemporaryFile>(QDir(directory).filePath(QStringLiteral("configurator_log_XXXXXX")));
    QFile &plain_file = *file;
    file_writable = plain_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (!file_writable)
        file.reset();
}

void LogStore::drop_file()
{
    file.reset();
    file_writable = false;
    file_size = 0;
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
    if (file_writable && pieces_size >= write_batch)
        write_out();
    else if (!file_writable)
        keep_within_memory_limit();
}

void LogStore::write_out()
{
    if (!file_writable || pieces.empty())
        return;
    QByteArray batch;
    batch.reserve(int(pieces_size));
    for (const Piece &piece : pieces)
        batch += piece.bytes;
    if (file->seek(file_size) && file->write(batch) == batch.size()) {
        file_size += batch.size();
        pieces.clear();
        pieces_size = 0;
        line_starts = 0;
        return;
    }
    // The pieces stay in memory, after what the file holds whole; a part
    // of the batch that did get in is cut off again.
    file_writable = false;
    if (!file->resize(file_size)) {
        if (file_size > 0)
            lost = true;
        drop_file();
    }
    keep_within_memory_limit();
}

void LogStore::keep_within_memory_limit()
{
    if (pieces_size <= memory_limit)
        return;
    // The file's lines are older than any here: with a gap after them they
    // would be no use.
    drop_file();
    lost = true;
    const auto drop_front = [this] {
        pieces_size -= pieces.front().bytes.size();
        line_starts -= pieces.front().starts_line ? 1 : 0;
        pieces.pop_front();
    };
    while (pieces_size > memory_limit)
        drop_front();
    // Whole lines where there is a start of one; a single line larger than
    // the limit keeps its end.
    while (!pieces.empty() && !pieces.front().starts_line && line_starts > 0)
        drop_front();
}

void LogStore::clear()
{
    pieces.clear();
    pieces_size = 0;
    line_starts = 0;
    has_lines = false;
    lost = false;
    loss_told = false;
    if (file_writable && file->resize(0)) {
        file_size = 0;
        return;
    }
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
    if (!file_writable)
        keep_within_memory_limit();
}

bool LogStore::copy_to(QIODevice &out)
{
    write_out();
    bool at_start = true;
    if (file && file_size > 0) {
        if (!file->seek(0))
            return false;
        QByteArray block;
        for (qint64 left = file_size; left > 0; left -= block.size()) {
            block = file->read(qMin(left, copy_block));
            if (block.isEmpty() || out.write(block) != block.size())
                return false;
        }
        at_start = false;
    }
    for (const Piece &piece : pieces) {
        // The lines before this one are gone: so is the "\n" after them.
        const int skip = at_start && piece.separated ? 1 : 0;
        if (out.write(piece.bytes.constData() + skip, piece.bytes.size() - skip) != piece.bytes.size() - skip)
            return false;
        at_start = at_start && piece.bytes.size() == skip;
    }
    return true;
}

bool LogStore::save_to(const QString &path)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // The traffic holds the passwords the engineer wrote: for the owner's
    // eyes only, from the first byte on.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // What the buffer still holds reaches the disk only with the flush, and
    // commit() would not notice if it did not.
    if (!copy_to(out) || !out.flush()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

QByteArray LogStore::read_all()
{
    QByteArray all;
    QBuffer buffer(&all);
    buffer.open(QIODevice::WriteOnly);
    copy_to(buffer);
    return all;
}
