#ifndef PARAMS_SETTINGS_FILE_RULES_H
#define PARAMS_SETTINGS_FILE_RULES_H

#include "params/catalogue.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

// The files that hold a controller's whole parameter set: the one saved
// from a controller and the factory settings shipped with the program.
namespace params {

// "Считанные параметры_УСПД_" + serial + "_дата_dd_MM_yyyy.txt", with the
// serial made fit for a file name, so the file stays in the working folder.
QString settings_file_name(const QString &serial, const QDateTime &now);

QString factory_file_name(); // "Заводские настройки.txt"

// The filter of the dialogs that choose a settings file.
QString settings_file_filter();

// The SHA-256 of a settings file, as read now; empty when it cannot be read.
QByteArray file_sha256(const QString &path);

// Largest file taken for a settings file; a parameter set is a few
// kilobytes, and a huge file chosen by mistake is not read into memory.
constexpr qint64 settings_file_limit = 16 * 1024 * 1024;

// The text of a settings file, opened for reading only (a write-protected
// file loads, a missing one is not created). False when it cannot be read.
bool read_settings_text(const QString &path, QString *text);

// Whether a reply is a parameter set: it holds a key of the catalogue (with
// no catalogue loaded, any key but "result"). A bare status or an object of
// another kind is none.
bool holds_settings(const Catalogue &catalogue, const QJsonObject &reply);

} // namespace params

#endif // PARAMS_SETTINGS_FILE_RULES_H
