#include "engine/exchange.h"

#include <QJsonDocument>

#include <climits>
#include <cmath>

namespace exchange {

bool reply_complete(const QByteArray &buffer)
{
    if (!buffer.endsWith('}'))
        return false;
    // Objects and arrays still open, outside strings. A closing bracket
    // with nothing open is no JSON; it closes nothing.
    int open = 0;
    bool in_string = false, escaped = false;
    for (const char byte : buffer) {
        if (in_string) {
            if (escaped)
                escaped = false;
            else if (byte == '\\')
                escaped = true;
            else if (byte == '"')
                in_string = false;
            continue;
        }
        switch (byte) {
        case '"': in_string = true; break;
        case '{':
        case '[': ++open; break;
        case '}':
        case ']': open = qMax(0, open - 1); break;
        default: break;
        }
    }
    return open == 0;
}

bool whole_object(const QByteArray &buffer)
{
    if (buffer.contains('\0'))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(buffer, &error);
    return error.error == QJsonParseError::NoError && document.isObject();
}

int interval_ms(const QString &interval_text)
{
    bool ok = false;
    const int value = interval_text.toInt(&ok, 10);
    // Zero or garbage would make the timer spin and the product of the
    // time-out rule stay 0, so that an exchange never ends.
    return ok && value > 0 ? value : fallback_interval_ms;
}

bool timed_out(int ticks, int interval_ms, int budget_ms)
{
    return qint64(ticks) * interval_ms > budget_ms;
}

QString Reply::text() const
{
    return reply_text(bytes);
}

Reply read_reply(const QByteArray &bytes)
{
    Reply reply;
    reply.bytes = bytes;
    if (bytes.size() > max_reply_bytes)
        return reply;
    reply.whole = whole_object(bytes);
    reply.object = reply_object(bytes);
    reply.result = reply.object.value(QLatin1String("result")).toString();
    reply.error = error_text(reply.result);
    return reply;
}

Verdict wait_verdict(const WaitState &state)
{
    // A reply cut off at the limit is incomplete, whatever its last byte.
    if (state.gathered > state.byte_limit)
        return Verdict::Overflow;
    if (state.ends && state.quiet_ms >= state.quiet_needed)
        return Verdict::Complete;
    if (state.overall_budget_ms > 0 && state.since_start_ms > state.overall_budget_ms)
        return Verdict::OverallSpent;
    if (state.stalled)
        return Verdict::Stalled;
    if (state.waited > state.budget)
        return Verdict::BudgetSpent;
    return state.ends ? Verdict::Quieting : Verdict::Waiting;
}

QString reply_text(const QByteArray &buffer)
{
    const int nul = buffer.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? buffer : buffer.left(nul));
}

QJsonObject reply_object(const QByteArray &buffer)
{
    return QJsonDocument::fromJson(reply_text(buffer).toUtf8()).object();
}

QString reply_result(const QByteArray &buffer)
{
    return reply_object(buffer).value(QLatin1String("result")).toString();
}

QString shown_text(const QString &text)
{
    if (text.size() <= max_shown_characters)
        return text;
    return text.left(max_shown_characters - 1) + QChar(0x2026);
}

int reply_number(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double: {
        const double number = value.toDouble();
        return std::isfinite(number) && number >= INT_MIN && number <= INT_MAX ? int(std::lround(number)) : 0;
    }
    case QJsonValue::String: return value.toString().toInt();
    case QJsonValue::Bool: return value.toBool() ? 1 : 0;
    default: return 0;
    }
}

namespace {

struct ErrorValue
{
    const char *value;
    const char *text;
};

const ErrorValue error_vocabulary[] = {
    {"error_get", "Ошибка обработки запроса на чтение"},
    {"error_key", "Неизвестный ключ"},
    {"error_save", "Ошибка сохранения параметра или файла"},
    {"error_test", "Ошибка тестирования канала"},
    {"error_value", "Ошибка значения ключа"},
};

} // namespace

const QStringList &error_values()
{
    static const QStringList values = [] {
        QStringList list;
        for (const ErrorValue &error : error_vocabulary)
            list << QString::fromLatin1(error.value);
        return list;
    }();
    return values;
}

QString error_text(const QString &result)
{
    for (const ErrorValue &error : error_vocabulary) {
        if (result == QLatin1String(error.value))
            return QString::fromUtf8(error.text);
    }
    return QString();
}

QString guard_text_latin()
{
    // The second letter is a Latin "o", as the controller's users know it.
    return QString::fromUtf8("\xD0\x9F"
                             "o"
                             "рт не открыт");
}

QString guard_text_cyrillic()
{
    return QStringLiteral("Порт не открыт");
}

QString no_answer_text()
{
    return QStringLiteral("Устройство не отвечает");
}

QString not_enough_data_text()
{
    return QStringLiteral("Недостаточно данных");
}

QString wait_for_operation_text()
{
    return QStringLiteral("Дождитесь завершения операции");
}

QString write_unconfirmed_text()
{
    return QStringLiteral("Запись прервана: нет подтверждения записи");
}

QString settling_text()
{
    return QStringLiteral("Ожидание тишины на линии");
}

QString link_busy_text()
{
    return QStringLiteral("Линия не освободилась: запрос не отправлен");
}

QString device_write_progress(qint64 waited_ms)
{
    if (waited_ms <= 999)
        return QString();
    return QStringLiteral("Идёт запись приборов: ") + QString::number(waited_ms / 1000) + QLatin1Char('c');
}

QString device_read_progress(qint64 waited_ms)
{
    return QStringLiteral("Идёт чтение данных: ") + QString::number(waited_ms / 1000) + QLatin1Char('c');
}

QString load_progress(qint64 seconds)
{
    return QStringLiteral("Время загрузки: ") + QString::number(seconds) + QLatin1Char('c');
}

} // namespace exchange
