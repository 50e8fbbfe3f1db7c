#include "app/auxiliary_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

bool open_auxiliary_file(QFile &file, MissingAuxiliaryFile missing)
{
    if (!file.exists()) {
        if (missing == MissingAuxiliaryFile::BesideProgram) {
            file.setFileName(
                QDir(QCoreApplication::applicationDirPath()).filePath(QFileInfo(file.fileName()).fileName()));
        } else {
            if (!file.open(QIODevice::ReadWrite | QIODevice::Text))
                return false;
            file.close();
        }
    }
    return file.open(QIODevice::ReadOnly | QIODevice::Text);
}
