#ifndef APP_AUXILIARY_FILE_H
#define APP_AUXILIARY_FILE_H

class QFile;

// Opens one of the program's auxiliary text files for reading. A missing
// file is created empty first, so that the user finds it to fill in; an
// existing one is opened read-only, so a write-protected file still reads.
bool open_auxiliary_file(QFile &file);

#endif // APP_AUXILIARY_FILE_H
