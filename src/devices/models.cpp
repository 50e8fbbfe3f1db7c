#include "devices/models.h"

#include <QTextStream>

namespace device_list {

namespace {

bool whole_number(const QString &text, int *number)
{
    bool ok = false;
    *number = text.toInt(&ok, 10);
    return ok;
}

} // namespace

bool Models::code_of_name(const QString &name, int *code) const
{
    const int index = names.indexOf(name);
    return index >= 0 && index < codes.size() && whole_number(codes.at(index), code);
}

QString Models::name_of_code(int code) const
{
    const int count = qMin(codes.size(), names.size());
    for (int k = 0; k < count; ++k) {
        int listed = 0;
        if (whole_number(codes.at(k), &listed) && listed == code)
            return names.at(k);
    }
    return QString();
}

Models read_models(QIODevice &device)
{
    Models models;
    QTextStream stream(&device);
    while (!stream.atEnd()) {
        const QStringList fields = stream.readLine().split(QLatin1Char(';'));
        if (fields.size() < 3)
            continue;
        models.codes << fields.at(0);
        models.names << fields.at(1);
        models.makers << fields.at(2);
    }
    return models;
}

} // namespace device_list
