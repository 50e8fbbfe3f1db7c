#include "simulated_controller.h"

#include "identity_requests.h"

SimulatedController::SimulatedController(const ControllerState &initial) : data(initial)
{
    add_identity_requests(requests, data);
    // Parameters.

    // Device lists and polls.

    // Files, transmission and update.
}
