#ifndef APP_SESSION_SETTINGS_H
#define APP_SESSION_SETTINGS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// The session settings file: port name, baud rate, stop bits, parity and
// tick interval, one per line, in the system's local 8-bit code page.
namespace session_settings {

constexpr int kept_lines = 10;

// Reads the lines of the file; the result always holds `kept_lines`
// entries, missing lines as empty strings, further lines dropped.
QStringList read_lines(QIODevice &device);

// Index of the baud-rate entry whose value equals the line's, or 3 (9600).
int baud_index(const QString &line, const QStringList &rates);
// Index in the stop-bit box ("1", "2") for the line.
int stop_bits_index(const QString &line);
// Index in the parity box (none, odd, even) for the line.
int parity_index(const QString &line);

// The file's content as written at exit.
QByteArray format(const QString &port_name, const QString &baud, const QString &stop_bits, int parity_index,
                  const QString &interval);

} // namespace session_settings

#endif // APP_SESSION_SETTINGS_H
