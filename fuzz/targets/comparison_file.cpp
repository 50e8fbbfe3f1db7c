// A settings file chosen for a comparison: read from disk (a temporary
// folder), then compared with a fixed controller reply over a small fixed
// catalogue, every value fitted to every row type.

#include "params/comparison_rules.h"
#include "params/settings_file_rules.h"
#include "fuzz_support.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

QJsonObject controller_reply()
{
    QJsonObject reply;
    reply.insert(QStringLiteral("time"), QStringLiteral("2026-01-15 09:30:00"));
    reply.insert(QStringLiteral("object_name"), QStringLiteral("Подстанция 4"));
    reply.insert(QStringLiteral("hw_serial"), QStringLiteral("QX-001234"));
    reply.insert(QStringLiteral("poll_period"), 30);
    reply.insert(QStringLiteral("board_temp"), 24.5);
    reply.insert(QStringLiteral("trim"), QStringLiteral("0.25"));
    reply.insert(QStringLiteral("ip_address"), QJsonArray{192, 168, 0, 20});
    reply.insert(QStringLiteral("net_port"), QStringLiteral("4001"));
    reply.insert(QStringLiteral("if1_type"), QStringLiteral("485"));
    reply.insert(QStringLiteral("if1_uart"), QStringLiteral("9600_8N1"));
    reply.insert(QStringLiteral("if2_type"), 3);
    reply.insert(QStringLiteral("if2_uart"), QStringLiteral("19200"));
    reply.insert(QStringLiteral("mask"), QStringLiteral("255.255.255.0"));
    reply.insert(QStringLiteral("result"), QStringLiteral("ok"));
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("settings.txt"));
    static const params::Catalogue catalogue = fuzz::small_catalogue();
    static const QJsonObject controller = controller_reply();
    if (!folder.isValid())
        __builtin_trap();

    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            __builtin_trap();
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }

    (void)params::file_sha256(path);
    QJsonObject values;
    QString refusal;
    if (!params::read_comparison_file(path, &values, &refusal))
        return 0;

    const params::Comparison comparison = params::compare_settings(catalogue, values, controller);
    for (const params::Difference &difference : comparison.differences)
        (void)params::difference_tip(difference);
    (void)params::comparison_text(comparison);
    (void)params::differences_text(comparison.differences.size());

    // The file against itself as the controller's reply, too.
    (void)params::compare_settings(catalogue, values, values);

    for (auto it = values.begin(); it != values.end(); ++it) {
        for (const QString &type : fuzz::all_types()) {
            const QJsonValue fitted = params::fitted_value(type, it.value());
            (void)params::shown_value(type, it.value());
            if (!fitted.isUndefined())
                (void)params::shown_value(type, fitted);
        }
    }
    return 0;
}
