#include "params/comparison_rules.h"

#include "params/parameter_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

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

} // namespace

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
    case ValueKind::String:
    case ValueKind::Float:
    case ValueKind::IntArray:
    case ValueKind::Int: break;
    }
    return cell_text(kind, value);
}

QVector<Difference> compare_settings(const Catalogue &catalogue, const QJsonObject &file, const QJsonObject &controller)
{
    QVector<Difference> differences;
    for (int page = 0; page < page_count; ++page) {
        const ParamPage &rows = catalogue[size_t(page)];
        for (int row = 0; row < rows.size(); ++row) {
            const QString &key = rows.keys.at(row);
            if (!file.contains(key))
                continue;
            const QString &type = rows.types.at(row);
            Difference difference;
            difference.file_value = shown_value(type, file.value(key));
            difference.missing = !controller.contains(key);
            if (!difference.missing) {
                difference.controller_value = shown_value(type, controller.value(key));
                if (difference.controller_value == difference.file_value)
                    continue;
            }
            difference.page = page;
            difference.row = row;
            difference.name = rows.names.at(row);
            difference.writable = writable(rows.access.at(row));
            differences.append(difference);
        }
    }
    return differences;
}

QString difference_tip(const Difference &difference)
{
    return difference.missing ? QStringLiteral("Нет в ответе контроллера")
                              : QStringLiteral("В контроллере: ") + difference.controller_value;
}

QString differences_text(int count)
{
    return count == 0 ? QStringLiteral("Отличий нет") : QStringLiteral("Отличий: %1").arg(count);
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
