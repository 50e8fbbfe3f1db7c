#ifndef APP_USER_SETTINGS_H
#define APP_USER_SETTINGS_H

#include <QSettings>

#include <memory>

// The user's preferences that outlive a session beyond the five lines of
// settings.txt: an INI file in the user's configuration folder (QSettings,
// user scope), so that tests can point it at a folder of their own.
std::unique_ptr<QSettings> open_user_settings();

#endif // APP_USER_SETTINGS_H
