#include "app/controller_record.h"

namespace report {

void ControllerRecord::note(const QString &key, const QJsonValue &value, How how)
{
    if (identified())
        parameters.insert(key, {value, how, QDateTime::currentDateTime()});
}

QString how_text(How how, const QDateTime &at)
{
    const QString time = at.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    return (how == How::Read ? QStringLiteral("прочитано ") : QStringLiteral("записано ")) + time;
}

} // namespace report
