#include "device_requests.h"

#include "controller_state.h"
#include "request_dispatcher.h"

#include <QJsonArray>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int channel_count = 8;
constexpr int devices_per_channel = 256;
constexpr int element_count = 9; // as written; the list adds the poll result

enum Element { Number, Code, Serial, Version, Maker, Address, Channel, Speed, Note, Polled };

QJsonObject result(const char *code)
{
    return RequestDispatcher::result(QString::fromLatin1(code));
}

bool whole(const QJsonValue &value)
{
    return value.isDouble() && std::trunc(value.toDouble()) == value.toDouble();
}

// A written device: nine values of the right types on an existing channel.
bool valid_device(const QJsonValue &value)
{
    const QJsonArray device = value.toArray();
    if (!value.isArray() || device.size() != element_count)
        return false;
    for (const int text : {Serial, Maker, Note}) {
        if (!device.at(text).isString())
            return false;
    }
    for (const int number : {Number, Code, Version, Address, Channel, Speed}) {
        if (!whole(device.at(number)))
            return false;
    }
    const int channel = device.at(Channel).toInt();
    return channel >= 1 && channel <= channel_count;
}

// Whether a device answers a poll, decided by its data alone so that tests
// know the outcome: it answers at its own speed unless its network address
// is a multiple of 3.
bool answers(const QJsonArray &device, int speed)
{
    return device.at(Address).toInt() % 3 != 0 && device.at(Speed).toInt() == speed;
}

// "allN" -> N, 0 for anything else.
int channel_of(const QJsonValue &value)
{
    const QString text = value.toString();
    if (!text.startsWith(QLatin1String("all")) || text.size() != 4)
        return 0;
    const int channel = text.mid(3).toInt();
    return channel >= 1 && channel <= channel_count ? channel : 0;
}

class DeviceLists
{
public:
    DeviceLists() : channels(channel_count)
    {
        // Channel 1 as last polled; channel 2 not polled yet.
        channels[0] = {
            QJsonArray{1, 1, "10000001", 1, "Ловарис", 1, 1, 9600, "Щит 1", 1},
            QJsonArray{2, 3, "10000002", 2, "Квентор Энерго", 2, 1, 9600, "Щит 1", 1},
            QJsonArray{3, 7, "10000003", 1, "Брамиль", 3, 1, 19200, "Подвал", 0},
        };
        channels[1] = {
            QJsonArray{257, 5, "20000001", 1, "Завод Сантелл", 4, 2, 9600, "", 0},
            QJsonArray{258, 11, "20000002", 3, "Ольвен", 6, 2, 4800, "Ввод 2", 0},
        };
    }

    QJsonObject get(const QJsonObject &request) const
    {
        const int channel = channel_of(request.value(QLatin1String("devices")));
        if (channel == 0)
            return result("error_value");
        QJsonArray list;
        for (const QJsonArray &device : channels.at(channel - 1))
            list.append(device);
        return QJsonObject{{QStringLiteral("devices"), list}};
    }

    QJsonObject remove(const QJsonObject &request)
    {
        const int channel = channel_of(request.value(QLatin1String("devices")));
        if (channel == 0)
            return result("error_value");
        channels[channel - 1].clear();
        return result("ok");
    }

    // All devices of a request or none: a malformed one refuses the lot.
    QJsonObject write(const QJsonObject &request)
    {
        const QJsonArray devices = request.value(QLatin1String("devices")).toArray();
        QVector<int> added(channel_count);
        for (const QJsonValue &device : devices) {
            if (!valid_device(device))
                return result("error_value");
            const int channel = device.toArray().at(Channel).toInt();
            if (channels.at(channel - 1).size() + ++added[channel - 1] > devices_per_channel)
                return result("error_save");
        }
        for (const QJsonValue &device : devices) {
            QJsonArray listed = device.toArray();
            listed.append(0); // not polled yet
            channels[listed.at(Channel).toInt() - 1].append(listed);
        }
        return result("ok");
    }

    QJsonObject poll(const QJsonObject &request)
    {
        const QJsonValue devices = request.value(QLatin1String("devices"));
        if (devices.isArray())
            return poll_one(devices.toArray());
        if (devices.toString() == QLatin1String("all"))
            return poll_all();
        const int channel = channel_of(devices);
        return channel == 0 ? result("error_value") : poll_channel(channel);
    }

    QJsonObject poll_all()
    {
        int polled = 0, answered = 0;
        for (int channel = 1; channel <= channel_count; ++channel)
            poll_devices(channel, &polled, &answered);
        return group_result(polled, answered);
    }

private:
    QJsonObject poll_channel(int channel)
    {
        int polled = 0, answered = 0;
        poll_devices(channel, &polled, &answered);
        return group_result(polled, answered);
    }

    // [model code, channel, address, speed]: the devices of that channel
    // with that model and address are polled at that speed.
    QJsonObject poll_one(const QJsonArray &values)
    {
        if (values.size() != 4 || !std::all_of(values.begin(), values.end(), whole))
            return result("error_value");
        const int channel = values.at(1).toInt();
        if (channel < 1 || channel > channel_count)
            return result("error_value");
        bool found = false, answered = false;
        for (QJsonArray &device : channels[channel - 1]) {
            if (device.at(Code).toInt() != values.at(0).toInt() || device.at(Address).toInt() != values.at(2).toInt())
                continue;
            found = true;
            const bool ok = answers(device, values.at(3).toInt());
            device[Polled] = ok ? 1 : 0;
            answered = answered || ok;
        }
        if (!found)
            return result("error_value");
        return result(answered ? "ok" : "error_test");
    }

    void poll_devices(int channel, int *polled, int *answered)
    {
        for (QJsonArray &device : channels[channel - 1]) {
            const bool ok = answers(device, device.at(Speed).toInt());
            device[Polled] = ok ? 1 : 0;
            ++*polled;
            *answered += ok ? 1 : 0;
        }
    }

    // A poll that reached none of its devices failed; one with none to
    // poll did what it was asked.
    static QJsonObject group_result(int polled, int answered)
    {
        return result(polled > 0 && answered == 0 ? "error_test" : "ok");
    }

    QVector<QVector<QJsonArray>> channels;
};

QJsonObject set_interfaces(ControllerState &state, const QJsonObject &request)
{
    const QJsonArray types = request.value(QLatin1String("rs_type")).toArray();
    QStringList stored;
    for (const QJsonValue &type : types) {
        if (type.toString() != QLatin1String("232") && type.toString() != QLatin1String("485"))
            return result("error_value");
        stored << type.toString();
    }
    if (stored.size() != channel_count)
        return result("error_value");
    state.rs_type = stored;
    return result("ok");
}

} // namespace

void add_device_requests(RequestDispatcher &dispatcher, ControllerState &state)
{
    // The handlers share the lists for as long as the dispatcher keeps them.
    const auto lists = std::make_shared<DeviceLists>();
    const QString devices = QStringLiteral("devices");

    dispatcher.add_route({QStringLiteral("get"), devices, QJsonValue::String},
                         [lists](const QJsonObject &request) { return lists->get(request); });
    dispatcher.add_route({QStringLiteral("delete"), devices},
                         [lists](const QJsonObject &request) { return lists->remove(request); });
    dispatcher.add_route({QString(), devices, QJsonValue::Array},
                         [lists](const QJsonObject &request) { return lists->write(request); });
    dispatcher.add_route({QStringLiteral("poll"), devices},
                         [lists](const QJsonObject &request) { return lists->poll(request); });
    dispatcher.add_route({QStringLiteral("poll_transmit")}, [lists](const QJsonObject &) { return lists->poll_all(); });
    dispatcher.add_route({QString(), QStringLiteral("rs_type"), QJsonValue::Array},
                         [&state](const QJsonObject &request) { return set_interfaces(state, request); });
}
