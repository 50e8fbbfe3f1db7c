#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

// Helpers shared by the fuzz targets.

#include "params/catalogue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

namespace fuzz {

// The input as a byte array of its own (a copy, so that the sanitizer sees
// reads past its end).
inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size));
}

// Takes leading bytes off the input to steer a target; what is left is the
// payload.
class Input
{
public:
    Input(const uint8_t *data, size_t size) : data(data), size(size) {}

    uint8_t take_byte()
    {
        if (size == 0)
            return 0;
        const uint8_t byte = *data;
        ++data;
        --size;
        return byte;
    }
    QByteArray rest() const { return bytes(data, size); }
    size_t remaining() const { return size; }

private:
    const uint8_t *data;
    size_t size;
};

// A small catalogue with one row of every type and access, on all four
// pages, as the comparison targets use it.
inline params::Catalogue small_catalogue()
{
    params::Catalogue catalogue;
    auto add = [&catalogue](int page, const char *key, const char *name, const char *type, const char *access) {
        ParamPage &p = catalogue[page];
        p.keys << QString::fromUtf8(key);
        p.names << QString::fromUtf8(name);
        p.types << QString::fromUtf8(type);
        p.access << QString::fromUtf8(access);
    };
    add(0, "time", "Дата и время", "String", "RW");
    add(0, "object_name", "Наименование объекта", "String", "RW");
    add(0, "hw_serial", "Заводской номер", "String", "R");
    add(0, "poll_period", "Период опроса, мин", "Int", "RW");
    add(0, "board_temp", "Температура платы", "Float", "R");
    add(0, "trim", "Поправка", "Float", "RW");
    add(1, "ip_address", "IP-адрес", "Int[]", "RW");
    add(1, "net_port", "Порт", "Int", "RW");
    add(1, "password", "Пароль", "String", "W");
    add(2, "if1_type", "Интерфейс 1", "Itf", "RW");
    add(2, "if1_uart", "Параметры линии 1", "Uart", "RW");
    add(2, "if2_type", "Интерфейс 2", "Itf", "R");
    add(2, "if2_uart", "Параметры линии 2", "Uart", "R");
    add(3, "reboot", "Перезапуск", "Int", "W");
    add(3, "mask", "Маска", "Int[]", "RW");
    add(3, "ip_address", "IP-адрес (сервис)", "Int[]", "R");
    return catalogue;
}

inline const QStringList &all_types()
{
    static const QStringList types{QStringLiteral("String"), QStringLiteral("Int"),  QStringLiteral("Float"),
                                   QStringLiteral("Int[]"),  QStringLiteral("Uart"), QStringLiteral("Itf"),
                                   QStringLiteral("Unknown")};
    return types;
}

} // namespace fuzz

#endif // FUZZ_SUPPORT_H
