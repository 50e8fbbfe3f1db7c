#ifndef SIMULATED_CONTROLLER_H
#define SIMULATED_CONTROLLER_H

#include "controller_state.h"
#include "request_dispatcher.h"

// The simulated controller: its data and every request it answers. Not
// copyable, since the handlers hold on to the state.
class SimulatedController
{
public:
    explicit SimulatedController(const ControllerState &initial = ControllerState());
    SimulatedController(const SimulatedController &) = delete;
    SimulatedController &operator=(const SimulatedController &) = delete;

    ControllerState &state() { return data; }
    RequestDispatcher &dispatcher() { return requests; }

private:
    ControllerState data;
    RequestDispatcher requests;
};

#endif // SIMULATED_CONTROLLER_H
