#include "simulated_controller.h"

#include "file_store.h"
#include "identity_requests.h"

SimulatedController::SimulatedController(const ControllerState &initial) : data(initial)
{
    add_identity_requests(requests, data);
    // Parameters.

    // Device lists and polls.

    // Files, transmission and update.
    add_file_requests(requests, data.files);
}
