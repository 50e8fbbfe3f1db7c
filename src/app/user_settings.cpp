#include "app/user_settings.h"

std::unique_ptr<QSettings> open_user_settings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrin"),
                                       QStringLiteral("configurator_USPD_Kestrin"));
}
