#ifndef ENGINE_EXCHANGE_H
#define ENGINE_EXCHANGE_H

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// Rules of the request/reply cycle that need no window: when a reply is
// complete, when an exchange has waited too long, how a reply is read and
// which status text a result value stands for.
namespace exchange {

// Time budgets in milliseconds: an exchange times out once the waited ticks
// times the tick interval exceed its budget.
constexpr int standard_budget_ms = 9999;
constexpr int identification_budget_ms = 2999;
constexpr int device_list_budget_ms = 1999;
// The device list's budget runs from its last byte; this from its request.
constexpr int device_list_overall_budget_ms = 60000;

// The longest reply kept, but for a download's: a hundred times the longest
// device list, and more than any parameter value a controller shows.
constexpr int max_reply_bytes = 4 * 1024 * 1024;

// Tick interval used when the interval field holds no positive whole number.
constexpr int fallback_interval_ms = 100;

// How long the link must have been quiet before a request goes out after
// an operation that ended without its reply, and before a download that
// ends in its result counts as whole: whatever the interval, long enough
// for a controller's late answer to arrive and be dropped.
constexpr int settle_quiet_ms = 300;

// A reply is complete when its last byte is the closing brace and no object
// or array opened outside a string is still open: a reply paused after a
// brace inside a value, or after a nested object, waits for the rest. Bytes
// that are no JSON at all end at their last brace (there is no other
// framing).
bool reply_complete(const QByteArray &buffer);

// Whether the reply is one JSON object and nothing else: no NUL, nothing
// before or after it.
bool whole_object(const QByteArray &buffer);

// The tick interval for the text of the interval field.
int interval_ms(const QString &interval_text);

bool timed_out(int ticks, int interval_ms, int budget_ms);

// A complete reply, read once for every block that looks at it.
struct Reply
{
    QByteArray bytes;
    bool whole = false; // one JSON object and nothing else (whole_object)
    QJsonObject object; // the object up to the first NUL; empty if none
    QString result;     // its "result" as a text; empty when there is none
    QString error;      // the status text of an error result; empty otherwise
    QString text() const;
};
// Replies longer than max_reply_bytes (a download's) are not parsed.
Reply read_reply(const QByteArray &bytes);

// How a pending exchange stands at a tick, from what has been measured.
struct WaitState
{
    int gathered = 0;     // reply bytes so far
    int byte_limit = 0;   // beyond it, the reply is cut off
    bool ends = false;    // the bytes end as the exchange's completion rule says
    qint64 quiet_ms = 0;  // since the last byte came
    int quiet_needed = 0; // the quiet a reply that ends needs before it counts
    qint64 waited = 0;    // the exchange's measure (milliseconds or seconds)
    qint64 budget = 0;    // the measure's budget
    bool stalled = false; // a download has had no new byte for too long
    qint64 since_start_ms = 0;
    int overall_budget_ms = 0; // 0: none
};
enum class Verdict {
    Waiting,
    Quieting, // the reply ends, but the link has not been quiet long enough
    Complete,
    Overflow,     // beyond the byte limit
    BudgetSpent,  // the exchange's own measure
    Stalled,      // a download without a new byte
    OverallSpent, // the operation's overall limit
};
Verdict wait_verdict(const WaitState &state);

// The reply as text: UTF-8 up to the first NUL byte.
QString reply_text(const QByteArray &buffer);
// The reply's JSON object; anything that is not a JSON object reads as an
// empty one.
QJsonObject reply_object(const QByteArray &buffer);
// The "result" a reply reports: a text, empty when there is none.
QString reply_result(const QByteArray &buffer);

// A text from the controller as a widget shows it: a text longer than
// max_shown_characters is cut there and ends in "…". Laying out a line of a
// megabyte stalls the window for seconds, and no value a controller keeps
// comes near the limit.
constexpr int max_shown_characters = 4096;
QString shown_text(const QString &text);

// A reply number as an int: numbers, numeric texts and booleans count;
// anything else, and a number an int cannot hold, reads as 0.
int reply_number(const QJsonValue &value);

// The error values a controller reports in "result", in the order they are
// looked for.
const QStringList &error_values();
// Status text for an error value of "result", empty for "ok" and for any
// value outside the vocabulary.
QString error_text(const QString &result);

// Texts of the status line.
QString guard_text_latin();    // "Пoрт не открыт" with a Latin "o"
QString guard_text_cyrillic(); // "Порт не открыт"
QString no_answer_text();
QString not_enough_data_text();
// A request pressed while another operation is pending is not sent.
QString wait_for_operation_text();
// A write step that the controller did not confirm ends the write.
QString write_unconfirmed_text();
// A request held back while a late answer to an earlier one may still come.
QString settling_text();
// The link never went quiet: the request was not sent.
QString link_busy_text();

// Progress texts shown while an exchange waits ("c" is a Latin letter).
// The device-list write shows its time from the first second on, the
// device-list read always, the file transfers their load seconds.
QString device_write_progress(qint64 waited_ms);
QString device_read_progress(qint64 waited_ms);
QString load_progress(qint64 seconds);

} // namespace exchange

#endif // ENGINE_EXCHANGE_H
