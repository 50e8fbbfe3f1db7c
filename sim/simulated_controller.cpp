#include "simulated_controller.h"

#include "device_requests.h"
#include "file_store.h"
#include "identity_requests.h"
#include "parameter_requests.h"

SimulatedController::SimulatedController(const ControllerState &initial) : data(initial)
{
    add_identity_requests(requests, data);
    // Parameters.
    add_parameter_requests(requests, data);

    // Device lists and polls.
    add_device_requests(requests, data);

    // Files, transmission and update.
    add_file_requests(requests, data.files);
}
