#include "parameter_store.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <cmath>

namespace {

bool is_whole_number(const QJsonValue &value)
{
    const double number = value.toDouble();
    return value.isDouble() && std::isfinite(number) && std::trunc(number) == number;
}

QJsonValue int_array(const QJsonValue &value)
{
    if (!value.isArray())
        return QJsonValue(QJsonValue::Undefined);
    QJsonArray numbers;
    for (const QJsonValue &element : value.toArray()) {
        bool ok = is_whole_number(element);
        const qint64 number = ok ? qint64(element.toDouble()) : element.toString().toLongLong(&ok);
        if (!ok)
            return QJsonValue(QJsonValue::Undefined);
        numbers.append(number);
    }
    return numbers;
}

bool is_uart_value(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[1-9][0-9]*_[78][NEO][12]$"));
    return pattern.match(text).hasMatch();
}

bool is_interface(const QString &text)
{
    static const QStringList codes = {"NON", "485", "232", "CAN", "ETH", "GSM", "USB"};
    return codes.contains(text);
}

} // namespace

bool ParameterStore::type_of(const QString &type_text, Type *type)
{
    static const struct
    {
        const char *mark;
        Type type;
    } marks[] = {{"String", Type::String},  {"Int", Type::Int}, {"Float", Type::Float},
                 {"Int[]", Type::IntArray}, {"Itf", Type::Itf}, {"Uart", Type::Uart}};
    bool found = false;
    for (const auto &mark : marks) {
        if (type_text.contains(QLatin1String(mark.mark))) {
            *type = mark.type;
            found = true;
        }
    }
    return found;
}

QJsonValue ParameterStore::default_value(Type type)
{
    switch (type) {
    case Type::String: return QString();
    case Type::Int: return 0;
    case Type::Float: return 0.0;
    case Type::IntArray: return QJsonArray{0, 0, 0, 0};
    case Type::Uart: return QStringLiteral("9600_8N1");
    case Type::Itf: return QStringLiteral("485");
    }
    return QJsonValue(QJsonValue::Undefined);
}

QJsonValue ParameterStore::accepted(Type type, const QJsonValue &value)
{
    const QJsonValue refused(QJsonValue::Undefined);
    switch (type) {
    case Type::String: return value.isString() ? value : refused;
    case Type::Int: return is_whole_number(value) ? value : refused;
    case Type::Float: return value.isDouble() ? value : refused;
    case Type::IntArray: return int_array(value);
    case Type::Uart: return is_uart_value(value.toString()) ? value : refused;
    case Type::Itf: return is_interface(value.toString()) ? value : refused;
    }
    return refused;
}

int ParameterStore::add_catalogue(QIODevice &catalogue)
{
    int added = 0;
    QTextStream stream(&catalogue);
    stream.setCodec("UTF-8");
    while (!stream.atEnd()) {
        const QStringList fields = stream.readLine().split(QLatin1Char(';'));
        Type type;
        if (fields.size() < 5 || !type_of(fields.at(2), &type))
            continue;
        add(fields.at(0), type);
        ++added;
    }
    return added;
}

void ParameterStore::add(const QString &key, Type type)
{
    entries.insert(key, {type, default_value(type)});
}

QJsonValue ParameterStore::value(const QString &key) const
{
    const auto entry = entries.find(key);
    return entry == entries.end() ? QJsonValue(QJsonValue::Undefined) : entry->value;
}

QJsonObject ParameterStore::all() const
{
    QJsonObject values;
    for (auto entry = entries.begin(); entry != entries.end(); ++entry)
        values.insert(entry.key(), entry->value);
    return values;
}

QString ParameterStore::write(const QJsonObject &values)
{
    QMap<QString, QJsonValue> accepted_values;
    for (auto member = values.begin(); member != values.end(); ++member) {
        const auto entry = entries.find(member.key());
        if (entry == entries.end())
            return QStringLiteral("error_key");
        const QJsonValue value = accepted(entry->type, member.value());
        if (value.isUndefined())
            return QStringLiteral("error_value");
        accepted_values.insert(member.key(), value);
    }
    for (auto value = accepted_values.begin(); value != accepted_values.end(); ++value)
        entries[value.key()].value = value.value();
    return QStringLiteral("ok");
}
