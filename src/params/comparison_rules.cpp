#include "params/comparison_rules.h"

#include "params/parameter_values.h"
#include "params/settings_file_rules.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTextCodec>

#include <cmath>

namespace params {

namespace {

QString json_text(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2)); // [...] -> ...
}

// The item at `index`, or "" for none (-1, the box left as it is).
QString item_at(const QStringList &items, int index)
{
    return index >= 0 && index < items.size() ? items.at(index) : QString();
}

QString shown_uart(const QString &value)
{
    const UartSetting setting = decode_uart(value);
    if (!value.contains(QLatin1Char('_')))
        return setting.speed;
    return encode_uart(setting.speed, item_at(uart_bits_items(), setting.data_bits),
                       item_at(uart_parity_items(), setting.parity), item_at(uart_stop_items(), setting.stop_bits));
}

// An integer exact to 64 bits: a whole number in range, or a text of
// decimal digits with an optional sign.
bool whole_number(const QJsonValue &value, qint64 *number)
{
    if (value.isString()) {
        static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
        bool ok = false;
        if (digits.match(value.toString()).hasMatch())
            *number = value.toString().toLongLong(&ok, 10);
        return ok;
    }
    if (!value.isDouble())
        return false;
    // An integer in the text stays a 64-bit integer; other numbers are
    // doubles, whole only below 2^63.
    const QVariant variant = value.toVariant();
    if (variant.type() == QVariant::LongLong) {
        *number = variant.toLongLong();
        return true;
    }
    const double real = value.toDouble();
    if (!std::isfinite(real) || std::trunc(real) != real || real < -9223372036854775808.0
        || real >= 9223372036854775808.0)
        return false;
    *number = qint64(real);
    return true;
}

// A number at full precision: the shortest text that reads back as it.
QString exact_number(double number)
{
    return QString::number(number, 'g', QLocale::FloatingPointShortest);
}

bool fits_int_array(const QJsonValue &value)
{
    qint64 number = 0;
    if (value.isString()) {
        for (const QString &part : value.toString().split(QLatin1Char('.'))) {
            if (!whole_number(part, &number))
                return false;
        }
        return true;
    }
    if (!value.isArray())
        return false;
    for (const QJsonValue &element : value.toArray()) {
        if (!whole_number(element, &number))
            return false;
    }
    return true;
}

bool fits_uart(const QString &text)
{
    static const QRegularExpression frame(QStringLiteral("^[0-9]+_([78NEO12]{3})$"));
    const QRegularExpressionMatch match = frame.match(text);
    if (!match.hasMatch())
        return false;
    // One mark of each box, in any order, as decode_uart reads them.
    const QString marks = match.captured(1);
    const auto count = [&](const char *of) {
        int found = 0;
        for (const QChar c : marks)
            found += QLatin1String(of).contains(c) ? 1 : 0;
        return found;
    };
    return count("78") == 1 && count("NEO") == 1 && count("12") == 1;
}

bool valid_utf8(const QByteArray &bytes)
{
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

} // namespace

const QStringList &per_unit_keys()
{
    static const QStringList keys = {QStringLiteral("ip"), QStringLiteral("object_name"),
                                     QStringLiteral("object_address")};
    return keys;
}

QJsonValue fitted_value(const QString &type, const QJsonValue &value)
{
    const QJsonValue none(QJsonValue::Undefined);
    switch (value_kind(type)) {
    case ValueKind::String: return value.isString() ? value : none;
    case ValueKind::Itf:
        return value.isString() && !value.toString().isEmpty() && itf_index(itf_items(), value.toString()) >= 0 ? value
                                                                                                                : none;
    case ValueKind::Uart: return value.isString() && fits_uart(value.toString()) ? value : none;
    case ValueKind::Float: return value.isDouble() && std::isfinite(value.toDouble()) ? value : none;
    case ValueKind::IntArray: return fits_int_array(value) ? value : none;
    case ValueKind::Int: {
        qint64 number = 0;
        return whole_number(value, &number) ? QJsonValue(number) : none;
    }
    }
    return none;
}

QString shown_value(const QString &type, const QJsonValue &value)
{
    const ValueKind kind = value_kind(type);
    switch (kind) {
    case ValueKind::Itf: {
        const QStringList items = itf_items();
        const int index = value.isString() ? itf_index(items, value.toString()) : -1;
        return index >= 0 ? items.at(index) : json_text(value);
    }
    case ValueKind::Uart: return value.isString() ? shown_uart(value.toString()) : json_text(value);
    case ValueKind::Float:
        if (value.isDouble())
            return exact_number(value.toDouble());
        break;
    case ValueKind::Int: {
        qint64 number = 0;
        if (value.isDouble() && whole_number(value, &number))
            return QString::number(number);
        break;
    }
    case ValueKind::String:
    case ValueKind::IntArray: break;
    }
    return cell_text(kind, value);
}

bool shows_file_value(const QString &key)
{
    return key != QLatin1String("time") && !per_unit_keys().contains(key);
}

bool shares_key(const Catalogue &catalogue, const QJsonObject &file)
{
    for (const ParamPage &page : catalogue) {
        for (const QString &key : page.keys) {
            if (file.contains(key))
                return true;
        }
    }
    return false;
}

Comparison compare_settings(const Catalogue &catalogue, const QJsonObject &file, const QJsonObject &controller)
{
    Comparison comparison;
    for (int page = 0; page < page_count; ++page) {
        const ParamPage &rows = catalogue[size_t(page)];
        for (int row = 0; row < rows.size(); ++row) {
            const QString &key = rows.keys.at(row);
            if (!file.contains(key))
                continue;
            ++comparison.named;
            // The clock is set with its own button; a row that may only be
            // written has nothing to compare with.
            const QString &access = rows.access.at(row);
            if (key == QLatin1String("time") || !readable(access))
                continue;
            ++comparison.compared;
            const QString &type = rows.types.at(row);
            const QJsonValue fitted = fitted_value(type, file.value(key));
            Difference difference;
            difference.missing = !controller.contains(key);
            if (!difference.missing)
                difference.controller_value = shown_value(type, controller.value(key));
            if (fitted.isUndefined()) {
                difference.kind = DifferenceKind::Unusable;
                difference.file_value = json_text(file.value(key));
            } else {
                difference.file_value = shown_value(type, fitted);
                if (!difference.missing && difference.controller_value == difference.file_value)
                    continue;
                if (difference.missing)
                    difference.kind = DifferenceKind::Missing;
                else if (per_unit_keys().contains(key))
                    difference.kind = DifferenceKind::PerUnit;
                else if (!writable(access))
                    difference.kind = DifferenceKind::ReadOnly;
            }
            difference.page = page;
            difference.row = row;
            difference.name = rows.names.at(row);
            difference.writable = writable(access);
            comparison.differences.append(difference);
        }
    }
    return comparison;
}

QString difference_tip(const Difference &difference)
{
    const QString in_controller = QStringLiteral("В контроллере: ") + difference.controller_value;
    switch (difference.kind) {
    case DifferenceKind::Unusable: return QStringLiteral("Значение в файле не подходит: ") + difference.file_value;
    case DifferenceKind::Missing: return QStringLiteral("Нет в ответе контроллера");
    case DifferenceKind::PerUnit:
        return QStringLiteral("Свой для каждого контроллера: не записывается из шаблона\nВ файле: ")
               + difference.file_value;
    case DifferenceKind::ReadOnly: return QStringLiteral("Только для чтения\n") + in_controller;
    case DifferenceKind::Flagged: break;
    }
    return in_controller;
}

QString comparison_text(const Comparison &comparison)
{
    if (comparison.named == 0)
        return QStringLiteral("В файле нет параметров этого контроллера");
    if (comparison.compared == 0)
        return QStringLiteral("Нечего сравнивать: в файле только время и параметры для записи");
    int counts[5] = {};
    for (const Difference &difference : comparison.differences)
        ++counts[int(difference.kind)];
    const int flagged = counts[int(DifferenceKind::Flagged)];
    const int unusable = counts[int(DifferenceKind::Unusable)];
    QString text = flagged == 0 && unusable == 0 ? differences_text(0) : QStringLiteral("Отличий: %1").arg(flagged);
    const struct
    {
        DifferenceKind kind;
        const char *words;
    } others[] = {{DifferenceKind::ReadOnly, "только для чтения"},
                  {DifferenceKind::PerUnit, "свои для контроллера"},
                  {DifferenceKind::Unusable, "не подходят"},
                  {DifferenceKind::Missing, "нет в ответе контроллера"}};
    for (const auto &other : others) {
        if (counts[int(other.kind)] > 0)
            text += QStringLiteral("; %1: %2").arg(QString::fromUtf8(other.words)).arg(counts[int(other.kind)]);
    }
    return text;
}

QString differences_text(int count)
{
    return count == 0 ? QStringLiteral("Отличий нет") : QStringLiteral("Отличий: %1").arg(count);
}

bool read_comparison_file(const QString &path, QJsonObject *values, QString *refusal)
{
    QString text;
    if (!read_settings_text(path, &text)) {
        *refusal = QStringLiteral("Файл настроек не прочитан");
        return false;
    }
    // A byte that is not UTF-8 reads as U+FFFD; only then are the bytes
    // themselves looked at, as a U+FFFD may stand in the file as it is.
    if (text.contains(QChar::ReplacementCharacter)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !valid_utf8(file.read(settings_file_limit + 1))) {
            *refusal = QStringLiteral("Файл настроек не в кодировке UTF-8");
            return false;
        }
    }
    if (!parse_settings(text, values)) {
        *refusal = QStringLiteral("Файл настроек повреждён");
        return false;
    }
    return true;
}

bool read_template(const Catalogue &catalogue, const QString &path, QJsonObject *values, QString *refusal)
{
    if (!read_comparison_file(path, values, refusal))
        return false;
    if (shares_key(catalogue, *values))
        return true;
    *refusal = comparison_text({});
    return false;
}

bool parse_settings(const QString &text, QJsonObject *values)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    *values = document.object();
    return true;
}

} // namespace params
