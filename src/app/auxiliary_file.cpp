#include "app/auxiliary_file.h"

#include <QFile>

bool open_auxiliary_file(QFile &file)
{
    if (!file.exists()) {
        if (!file.open(QIODevice::ReadWrite | QIODevice::Text))
            return false;
        file.close();
    }
    return file.open(QIODevice::ReadOnly | QIODevice::Text);
}
