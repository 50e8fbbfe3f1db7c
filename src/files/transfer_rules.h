#ifndef FILES_TRANSFER_RULES_H
#define FILES_TRANSFER_RULES_H

#include <QByteArray>
#include <QString>

// Rules of the file transfers that need no window: names, the content of a
// download reply and the results the controller reports for a transfer.
namespace transfer {

// A transfer that has waited this many seconds of the load timer without
// its reply (or, for a download, without a first byte) has failed.
constexpr int no_answer_seconds = 10;

// The closing fragment of a download reply, {"result":"ok"}: this many bytes.
constexpr int result_fragment_length = 15;

// Largest file an upload reads and a download gathers; a reply that grows
// beyond it ends the download. Each is logged in full, as hex and as text,
// into the log's file on disk.
constexpr int max_file_bytes = 32 * 1024 * 1024;

// The name an upload header announces: the chosen path's part after its
// last "/", as the file dialog writes paths on every system.
QString upload_name(const QString &path);

// Where a download is saved: the chosen path followed by "." and the
// extension of the controller's file name (its part after the first ".",
// made fit for a file name). A controller name without an extension leaves
// the chosen path as it is; no chosen path (a cancelled dialog) gives none.
QString download_save_path(const QString &chosen_path, const QString &controller_name);

// Whether a download reply has come whole: it ends with its result,
// "result":"value"} (value a word). The file before it may hold braces of
// its own, so a last byte "}" alone does not end it.
bool download_complete(const QByteArray &reply);

// The file content of a download reply: all but its closing fragment.
QByteArray download_content(const QByteArray &reply);

// The result a download reply closes with: "ok" (only as the whole closing
// fragment, {"result":"ok"}), one of the error values, or empty when it
// names none. Only the last "result" of the reply counts, so a downloaded
// file that itself holds such a text is read correctly.
QString download_result(const QByteArray &reply);

// The first error value, in the order of the vocabulary, that occurs
// anywhere in an upload reply; empty when there is none.
QString error_in_reply(const QByteArray &reply);

} // namespace transfer

#endif // FILES_TRANSFER_RULES_H
