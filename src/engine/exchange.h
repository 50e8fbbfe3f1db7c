#ifndef ENGINE_EXCHANGE_H
#define ENGINE_EXCHANGE_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Rules of the request/reply cycle that need no window: when a reply is
// complete, when an exchange has waited too long, how a reply is read and
// which status text a result value stands for.
namespace exchange {

// Time budgets in milliseconds: an exchange times out once the waited ticks
// times the tick interval exceed its budget.
constexpr int standard_budget_ms = 9999;
constexpr int identification_budget_ms = 2999;
constexpr int device_list_budget_ms = 1999;

// Tick interval used when the interval field holds no positive whole number.
constexpr int fallback_interval_ms = 100;

// A reply is complete when its last byte is the closing brace; nothing else
// is checked (there is no other framing).
bool reply_complete(const QByteArray &buffer);

// The tick interval for the text of the interval field.
int interval_ms(const QString &interval_text);

bool timed_out(int ticks, int interval_ms, int budget_ms);

// The reply as text: UTF-8 up to the first NUL byte.
QString reply_text(const QByteArray &buffer);
// The reply's JSON object; anything that is not a JSON object reads as an
// empty one.
QJsonObject reply_object(const QByteArray &buffer);

// Status text for an error value of "result", empty for "ok" and for any
// value outside the vocabulary.
QString error_text(const QString &result);

// Texts of the status line.
QString guard_text_latin();    // "Пoрт не открыт" with a Latin "o"
QString guard_text_cyrillic(); // "Порт не открыт"
QString no_answer_text();
QString not_enough_data_text();

// Progress texts shown while an exchange waits ("c" is a Latin letter).
// The device-list write shows its time from the first second on, the
// device-list read always, the file transfers their load seconds.
QString device_write_progress(qint64 waited_ms);
QString device_read_progress(qint64 waited_ms);
QString load_progress(qint64 seconds);

} // namespace exchange

#endif // ENGINE_EXCHANGE_H
