#ifndef LOG_STORE_H
#define LOG_STORE_H

#include <QByteArray>
#include <QString>

#include <deque>
#include <memory>

class QIODevice;
class QTemporaryFile;

// The traffic log as "Запись в файл" saves it: UTF-8 lines separated by
// "\n". It lives in a temporary file of its own, in the system's temporary
// directory, readable by the user alone (the traffic holds passwords) and
// gone when the program ends, so that a week of transfers costs disk, not
// memory.
//
// When that file cannot be made or written (no temporary directory, a full
// disk), what it holds so far stays and the lines that follow are kept in
// memory; once they outgrow their limit, the oldest lines go (and the file
// with them), and the store says once that it lost records.
class LogStore
{
public:
    LogStore();
    ~LogStore();

    // Starts the next line: "\n" before every line but the first.
    void begin_line();
    // Adds to the line begun last.
    void append(const QByteArray &utf8);
    // Lines are written to the file in batches; this writes what waits.
    void write_out();
    // Empties the log; a file that failed is tried afresh.
    void clear();

    // Copies the log to `path`, a block at a time, through a file that
    // replaces an earlier one there only once everything is written.
    bool save_to(const QString &path);
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
    void drop_file();
    void keep_within_memory_limit();
    bool copy_to(QIODevice &out);

    std::unique_ptr<QTemporaryFile> file;
    bool file_writable = false;
    qint64 file_size = 0; // bytes of the log in the file, older than the pieces

    // Newer than the file's bytes: waiting to be written, or, once the file
    // has failed, kept here instead.
    std::deque<Piece> pieces;
    qint64 pieces_size = 0;
    int line_starts = 0; // pieces that start a line

    bool has_lines = false;
    bool lost = false;
    bool loss_told = false;
    qint64 memory_limit;
};

#endif // LOG_STORE_H
