#ifndef APP_SAFE_FILES_H
#define APP_SAFE_FILES_H

#include <QByteArray>
#include <QString>

#include <functional>

// Writing the files the user keeps: names built from what a controller
// reports, and content that lands whole or not at all.
namespace safe_files {

// `text` made fit to stand inside a file name: the characters that cannot
// (/ \ : * ? " < > | and control characters) become "_", so that a name
// built from it cannot lead out of the folder it is meant for.
QString name_part(const QString &text);

// Writes `content` to `path` through a temporary file that replaces the old
// one only once everything is written: a full disk, a read-only folder or a
// crash leaves the previous file as it was. `text_mode` writes line ends as
// the system writes them in text files. False when nothing was replaced.
bool write_whole(const QString &path, const QByteArray &content, bool text_mode = false);

// write_whole() on a worker thread, while the calling thread's event loop
// goes on turning: tens of megabytes and their sync to disk take longer
// than one turn may. Returns once the file is written or the write failed;
// events meanwhile may call back into the caller, which must be ready for
// that as for a modal dialog.
bool write_whole_while_turning(const QString &path, const QByteArray &content);

// Runs `work` on a worker thread (of `stack_size` bytes of stack, 0: the
// system's choice) while the calling thread's event loop turns, and returns
// once it is done. When no worker can be started, `work` runs on the
// calling thread.
void run_while_turning(const std::function<void()> &work, uint stack_size = 0);

} // namespace safe_files

#endif // APP_SAFE_FILES_H
