#ifndef IDENTITY_REQUESTS_H
#define IDENTITY_REQUESTS_H

class RequestDispatcher;
struct ControllerState;

// Who the controller is and how its Ethernet side is set up:
//   {"method":"get","params":[...]}     the identity and parameter keys asked for
//   {"method":"get","params":"serial"}  {"serial": ...} (serial search)
//   {"method":"ipconfig"}               {"ipconfig": [[own], [gateway], [mask], [dns]]}
// The handlers read `state` when a request comes, so later changes show; a
// read moves the parameters that change by themselves.
void add_identity_requests(RequestDispatcher &dispatcher, ControllerState &state);

#endif // IDENTITY_REQUESTS_H
