#include "plausible_values.h"

#include "controller_state.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

QJsonArray quad(const AddressQuad &address)
{
    return QJsonArray{address[0], address[1], address[2], address[3]};
}

QJsonObject site_values(const ControllerState &state)
{
    QJsonObject values{
        // Main page.
        {"time", LiveValues::clock_text(QDateTime::currentDateTime())},
        {"object_name", QStringLiteral("Котельная №3")},
        {"object_address", QStringLiteral("ул. Полевая, 12")},
        {"hw_serial", state.serial},
        {"fw_build", QStringLiteral("%1 сборка 318 от 2025-03-14").arg(state.fw_ver)},
        {"uptime", 0},
        {"tz_offset", 3},
        {"poll_period", 15},
        {"archive_depth", 90},
        {"log_level", 2},
        {"board_temp", 31.0},
        {"supply_voltage", 12.0},
        {"battery_voltage", 3.6},
        {"clock_drift", -0.4},
        {"access_pass", QString()},
        {"display_mode", 1},
        {"night_start", 23},
        {"night_end", 7},
        // Network.
        {"ip", QJsonArray{192, 168, 100, 129}},
        {"gateway", QJsonArray{192, 168, 100, 1}},
        {"mask", QJsonArray{255, 255, 255, 0}},
        {"dns1", QJsonArray{192, 168, 100, 1}},
        {"dns2", QJsonArray{192, 168, 100, 2}},
        {"mac", QStringLiteral("02:4B:53:20:41:17")},
        {"dhcp", 0},
        {"srv_ip", QJsonArray{192, 168, 100, 10}},
        {"srv_port", 7020},
        {"srv_host", QStringLiteral("sbor.kotelnaya3.local")},
        {"listen_port", 2200},
        {"send_period", 30},
        {"keepalive", 60},
        {"apn", QStringLiteral("internet")},
        {"apn_user", QStringLiteral("gprs")},
        {"apn_pass", QString()},
        {"gsm_level", -71},
        {"gsm_operator", QStringLiteral("Сотовая сеть 1")},
        {"ntp_ip", QJsonArray{192, 168, 100, 1}},
        {"ntp_period", 24},
        // Interfaces.
        {"rs_timeout", 500},
        {"rs_pause", 50},
        {"rs_retries", 3},
        // Service.
        {"svc_uart", QStringLiteral("115200_8N1")},
        {"svc_itf", QStringLiteral("USB")},
        {"wdt_enable", 1},
        {"reboot", 0},
        {"factory_reset", 0},
        {"log_clear", 0},
        {"fs_total", 8192},
        {"fs_free", 5324},
        {"cpu_load", 12.0},
        {"boot_count", 14},
        {"last_error", QStringLiteral("нет")},
        {"adc_coef", 1.0023},
        {"service_pass", QString()},
        {"update_url", QStringLiteral("http://sbor.kotelnaya3.local/fw/")},
        {"trace_channels", QJsonArray{1, 2}},
        {"test_channel", 0},
    };

    // The Ethernet side as the network status reports it: own address,
    // gateway, mask, DNS.
    const char *const network_keys[] = {"ip", "gateway", "mask", "dns1"};
    for (int i = 0; i < 4 && i < state.ipconfig.size(); ++i)
        values.insert(QLatin1String(network_keys[i]), quad(state.ipconfig.at(i)));

    // Channel ports: meters at their usual speeds, the interface each
    // channel has.
    const char *const frames[] = {"9600_8N1", "9600_8N1", "19200_8N1", "9600_8E1",
                                  "2400_8E1", "9600_8N1", "4800_8N1",  "9600_8N1"};
    for (int channel = 1; channel <= 8; ++channel) {
        const QString itf = state.rs_type.value(channel - 1);
        values.insert(QStringLiteral("uart%1").arg(channel), QLatin1String(frames[channel - 1]));
        values.insert(QStringLiteral("itf%1").arg(channel),
                      itf == QLatin1String("232") || itf == QLatin1String("485") ? itf : QStringLiteral("NON"));
    }
    return values;
}

} // namespace

QString plausible_serial()
{
    return QStringLiteral("KS-2041-0117");
}

void make_plausible(ControllerState &state, quint32 seed)
{
    const QJsonObject values = site_values(state);
    // One at a time, so that a key the catalogue lacks or types otherwise
    // does not keep the others from being stored.
    for (auto value = values.begin(); value != values.end(); ++value)
        state.parameters.write(QJsonObject{{value.key(), value.value()}});

    LiveValues live(seed);
    live.run_clock(QStringLiteral("time"));
    live.count_uptime(QStringLiteral("uptime"));
    live.drift(QStringLiteral("supply_voltage"), {12.0, 0.04, 11.9, 12.1, 2});
    live.drift(QStringLiteral("battery_voltage"), {3.6, 0.004, 3.58, 3.62, 3});
    live.drift(QStringLiteral("board_temp"), {31.0, 0.2, 30.5, 31.5, 1});
    live.drift(QStringLiteral("cpu_load"), {12.0, 3.0, 4.0, 30.0, 1});
    live.drift(QStringLiteral("gsm_level"), {-71.0, 2.0, -79.0, -63.0, 0});
    live.drift(QStringLiteral("fs_free"), {5324.0, 3.0, 4096.0, 5324.0, 0, true});
    state.live = live;
}
