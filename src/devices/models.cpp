#include "devices/models.h"

#include <QTextStream>

ModelsList read_models(QIODevice &device)
{
    ModelsList models;
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
