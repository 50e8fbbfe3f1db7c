#ifndef ENGINE_REQUESTS_H
#define ENGINE_REQUESTS_H

#include <QByteArray>

// Request texts as the controller expects them, byte for byte.
namespace requests {

// {"method":"get","params":["serial","fw_ver","fw_id","rs_type"]}, indented.
QByteArray identification();
// {"method":"get","params":"serial"}, indented.
QByteArray serial_search();
// {"method":"ipconfig"}, indented.
QByteArray network_status();

} // namespace requests

#endif // ENGINE_REQUESTS_H
