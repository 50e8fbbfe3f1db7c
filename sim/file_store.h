#ifndef FILE_STORE_H
#define FILE_STORE_H

#include <QByteArray>
#include <QHash>
#include <QString>

class RequestDispatcher;

// The files the simulated controller keeps, by name, in memory.
struct FileStore
{
    QHash<QString, QByteArray> files;
    // Fault: a download stops after half of its bytes and the connection
    // stays silent, as when the controller hangs in mid-transfer.
    bool stop_download_halfway = false;
};

// Largest file an upload header may announce.
constexpr qint64 max_stored_file_size = 64 * 1024 * 1024;

// Files, transmission and update:
//   {"file": NAME, "fl_size": N}     "ok", then N raw bytes stored as NAME
//                                    and "ok"; "error_save" when fewer came,
//                                    "error_value" for a bad name or size
//   {"method":"get","file":NAME}     the content, then {"result":"ok"};
//                                    "error_get" for an unknown name
//   {"method":"transmit"}            "ok"
//   {"method":"update"}              "ok", then the connection is dropped
void add_file_requests(RequestDispatcher &dispatcher, FileStore &store);

#endif // FILE_STORE_H
