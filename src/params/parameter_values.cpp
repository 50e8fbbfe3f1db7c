#include "params/parameter_values.h"

#include <QJsonArray>
#include <QVariant>

#include <cmath>

namespace params {

namespace {

QString last_word(const QString &text)
{
    return text.section(QLatin1Char(' '), -1);
}

QString first_word(const QString &text)
{
    return text.section(QLatin1Char(' '), 0, 0);
}

QString number_text(double number)
{
    // Whole numbers in full (beyond the int range too); anything else with
    // six significant digits rather than as a misleading 0.
    if (std::isfinite(number) && std::trunc(number) == number && std::abs(number) < 1e18)
        return QString::number(qint64(number));
    return QString::number(number, 'g', 6);
}

QString element_text(const QJsonValue &element)
{
    return element.toVariant().toString();
}

} // namespace

ValueKind value_kind(const QString &type)
{
    if (type.contains(QLatin1String("String")))
        return ValueKind::String;
    if (type.contains(QLatin1String("Itf")))
        return ValueKind::Itf;
    if (type.contains(QLatin1String("Uart")))
        return ValueKind::Uart;
    if (type.contains(QLatin1String("Float")))
        return ValueKind::Float;
    if (type.contains(QLatin1String("Int[]")))
        return ValueKind::IntArray;
    return ValueKind::Int;
}

EditorKind editor_kind(const QString &type)
{
    if (type.contains(QLatin1String("Uart")))
        return EditorKind::Uart;
    if (type.contains(QLatin1String("Itf")))
        return EditorKind::Itf;
    return EditorKind::Plain;
}

QStringList uart_bits_items()
{
    return {QStringLiteral("Количество бит данных - 7"), QStringLiteral("Количество бит данных - 8")};
}

QStringList uart_parity_items()
{
    return {QStringLiteral("N – без проверки"), QStringLiteral("E – проверка на чётность"),
            QStringLiteral("O – проверка на нечётность")};
}

QStringList uart_stop_items()
{
    return {QStringLiteral("Количество стоп-бит - 1"), QStringLiteral("Количество стоп-бит - 2")};
}

QStringList itf_items()
{
    return {QStringLiteral("NON – интерфейс не задан"), QStringLiteral("485 – интерфейс RS-485"),
            QStringLiteral("232 – интерфейс RS-232"),   QStringLiteral("CAN – интерфейс CAN"),
            QStringLiteral("ETH – интерфейс Ethernet"), QStringLiteral("GSM – интерфейс GPRS"),
            QStringLiteral("USB –интерфейс USB")};
}

QString cell_text(ValueKind kind, const QJsonValue &value)
{
    switch (kind) {
    case ValueKind::Float: return QString::number(value.toDouble(), 'g', 6);
    case ValueKind::IntArray: {
        // A dotted text ("192.168.0.1") is what the row shows for an array.
        if (value.isString())
            return value.toString();
        QStringList parts;
        for (const QJsonValue &element : value.toArray())
            parts << element_text(element);
        return parts.join(QLatin1Char('.'));
    }
    case ValueKind::Int: return number_text(value.toDouble());
    case ValueKind::String:
    case ValueKind::Itf:
    case ValueKind::Uart: break;
    }
    return value.toString();
}

UartSetting decode_uart(const QString &value)
{
    const QStringList parts = value.split(QLatin1Char('_'));
    UartSetting setting;
    setting.speed = parts.at(0);
    if (parts.size() < 2)
        return setting;
    // Substring tests in a fixed order; within each box the later match wins.
    const QString &frame = parts.at(1);
    if (frame.contains(QLatin1Char('7')))
        setting.data_bits = 0;
    if (frame.contains(QLatin1Char('8')))
        setting.data_bits = 1;
    if (frame.contains(QLatin1Char('1')))
        setting.stop_bits = 0;
    if (frame.contains(QLatin1Char('2')))
        setting.stop_bits = 1;
    if (frame.contains(QLatin1Char('N')))
        setting.parity = 0;
    if (frame.contains(QLatin1Char('E')))
        setting.parity = 1;
    if (frame.contains(QLatin1Char('O')))
        setting.parity = 2;
    return setting;
}

QString encode_uart(const QString &speed, const QString &bits_item, const QString &parity_item,
                    const QString &stop_item)
{
    return speed + QLatin1Char('_') + last_word(bits_item) + first_word(parity_item) + last_word(stop_item);
}

int itf_index(const QStringList &items, const QString &value)
{
    int index = -1;
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).contains(value))
            index = i;
    }
    return index;
}

QString itf_code(const QString &item)
{
    return first_word(item);
}

QJsonValue write_value(const QString &type, const WriteSource &source)
{
    QJsonValue value(QJsonValue::Undefined);
    if (type.contains(QLatin1String("String")))
        value = source.text;
    if (type.contains(QLatin1String("Int"))) {
        bool ok = false;
        const qint64 number = source.text.toLongLong(&ok, 10);
        value = ok ? number : 0;
    }
    if (type.contains(QLatin1String("Float"))) {
        bool ok = false;
        const double number = source.text.toDouble(&ok);
        value = ok && std::isfinite(number) ? number : 0.0;
    }
    if (type.contains(QLatin1String("Int[]")))
        value = QJsonArray::fromStringList(source.text.split(QLatin1Char('.')));
    if (type.contains(QLatin1String("Itf")))
        value = itf_code(source.itf_item);
    if (type.contains(QLatin1String("Uart")))
        value = source.uart;
    return value;
}

QString clock_text(const QDateTime &local_time)
{
    // Relabelled as UTC, so that the fields stay as the wall clock shows
    // them; the round trip through whole seconds drops the milliseconds.
    QDateTime wall = local_time;
    wall.setTimeSpec(Qt::UTC);
    return QDateTime::fromSecsSinceEpoch(wall.toSecsSinceEpoch(), Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace params
