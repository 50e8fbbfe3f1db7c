#ifndef PARAMETER_REQUESTS_H
#define PARAMETER_REQUESTS_H

class RequestDispatcher;
struct ControllerState;

// The controller's parameters (ControllerState::parameters):
//   {"method":"get","params":"all"}  every parameter and "result":"ok"
//   {"key":value,...}                a write without "method": "ok", or
//                                    "error_key" / "error_value" and nothing stored
// A get of listed keys is answered with the identity handlers, which look
// up parameter keys as well. The write takes the requests without "method"
// that no other route takes.
void add_parameter_requests(RequestDispatcher &dispatcher, ControllerState &state);

#endif // PARAMETER_REQUESTS_H
