#ifndef DEVICES_MODELS_H
#define DEVICES_MODELS_H

#include <QString>
#include <QVector>

class QIODevice;

// The list of meter models the device table offers, one "code;name;maker"
// line per model.
struct ModelsList
{
    QVector<QString> codes;
    QVector<QString> names;
    QVector<QString> makers;
};

// Reads the models file; lines with fewer than three fields are skipped,
// fields after the third ignored.
ModelsList read_models(QIODevice &device);

#endif // DEVICES_MODELS_H
