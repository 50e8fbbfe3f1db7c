#ifndef DEVICES_MODELS_H
#define DEVICES_MODELS_H

#include <QString>
#include <QVector>

class QIODevice;

namespace device_list {

// The meter models the device table offers, read from the models file:
// entry i of each vector is one model.
struct Models
{
    QVector<QString> codes;
    QVector<QString> names;
    QVector<QString> makers;

    // The integer code of the model named `name`; false when the name is not
    // in the list or its code is not a whole number.
    bool code_of_name(const QString &name, int *code) const;
    // The name of the first model whose code is `code`; empty when none is.
    QString name_of_code(int code) const;
};

// Reads the models file, one "code;name;maker" line per model; lines with
// fewer than three fields are skipped, fields after the third ignored.
Models read_models(QIODevice &device);

} // namespace device_list

#endif // DEVICES_MODELS_H
