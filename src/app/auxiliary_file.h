#ifndef APP_AUXILIARY_FILE_H
#define APP_AUXILIARY_FILE_H

class QFile;

// What becomes of an auxiliary file the working directory lacks.
enum class MissingAuxiliaryFile {
    // Created empty first, so that the user finds it to fill in.
    Create,
    // Read from the program's own folder instead (where the build and the
    // installation put the shipped ones); nothing is created.
    BesideProgram,
};

// Opens one of the program's auxiliary text files for reading. An existing
// one is opened read-only, so a write-protected file still reads.
bool open_auxiliary_file(QFile &file, MissingAuxiliaryFile missing = MissingAuxiliaryFile::Create);

#endif // APP_AUXILIARY_FILE_H
