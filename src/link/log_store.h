#ifndef LOG_STORE_H
#define LOG_STORE_H

#include <QByteArray>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

class QFile;
class QIODevice;

namespace platform {
class FileReader;
}

// The traffic log as "Запись в файл" saves it: UTF-8 lines separated by
// "\n". It lives in a temporary file of its own, in the system's temporary
// directory, readable by the user alone (the traffic holds passwords) and
// gone when the program ends, so that a week of transfers costs disk, not
// memory.
//
// When that file cannot be made or written (no temporary directory, a full
// disk), what it holds so far stays and the lines that follow are kept in
// memory. A write that failed is tried again with each batch that follows
// and before every copy, so that the file takes everything once there is
// room again. Only when the lines in memory outgrow their limit and a write
// fails once more do the oldest lines go (and the file with them), and the
// store says once that it lost records.
class LogStore
{
public:
    // The log as it was at one moment, to be written out on another thread
    // while the store goes on taking lines: the file's bytes up to that
    // moment, read through a handle of its own, and the lines memory held.
    class Copy
    {
    public:
        ~Copy();
        // Bytes of the log copied.
        qint64 size() const { return file_bytes + pieces_bytes; }
        // Writes the log to `out`, adding to `done` what is written. Should
        // the file fail to give its bytes, a line says so where they end and
        // the lines memory held follow. False when `out` failed.
        bool write_to(QIODevice &out, std::atomic<qint64> *done = nullptr) const;
        // Writes the log to `path` through a file that replaces an earlier
        // one there only once everything is written.
        bool save_to(const QString &path, std::atomic<qint64> *done = nullptr) const;

    private:
        friend class LogStore;
        std::unique_ptr<platform::FileReader> reader;
        qint64 file_bytes = 0;
        std::vector<QByteArray> pieces; // the first without a "\n" nothing comes before
        bool pieces_separated = false;  // the first piece begins with the "\n" before its line
        qint64 pieces_bytes = 0;
    };

    // `folder`: where the temporary file is made; empty, the system's
    // temporary folder as it is when the file is made.
    explicit LogStore(const QString &folder = QString());
    ~LogStore();

    // Starts the next line: "\n" before every line but the first.
    void begin_line();
    // Adds to the line begun last.
    void append(const QByteArray &utf8);
    // Lines are written to the file in batches; this writes what waits,
    // unless a write failed and not a batch has come since.
    void write_out();
    // Empties the log into a new temporary file; copies taken keep the old.
    void clear();

    // The log up to now, for writing out; what waits for the file is first
    // tried there once more.
    std::unique_ptr<Copy> take_copy();
    // The whole log; meant for small ones.
    QByteArray read_all();

    // True once per loss: older lines have gone to keep memory bounded.
    bool take_loss();
    // How many bytes of lines memory keeps when the file fails.
    void set_memory_limit(qint64 bytes);

private:
    struct Piece
    {
        QByteArray bytes;
        bool starts_line;
        bool separated; // begins with the "\n" before its line
    };

    void open_file();
    bool write_pieces();
    void drop_front_piece();
    void keep_within_memory_limit();

    QString folder;
    std::unique_ptr<QFile> file;
    qint64 file_size = 0; // bytes of the log in the file, older than the pieces
    bool write_failed = false;
    qint64 retry_at = 0; // while a write failed, the pieces' size at which it is tried again

    // Newer than the file's bytes: waiting to be written, or, while the file
    // fails, kept here instead.
    std::deque<Piece> pieces;
    qint64 pieces_size = 0;
    int line_starts = 0; // pieces that start a line

    bool has_lines = false;
    bool lost = false;
    bool loss_told = false;
    qint64 memory_limit;
};

#endif // LOG_STORE_H
