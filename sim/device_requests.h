#ifndef DEVICE_REQUESTS_H
#define DEVICE_REQUESTS_H

class RequestDispatcher;
struct ControllerState;

// The device lists of the eight channels, the polls and the channel
// interfaces:
//   {"method":"get","devices":"allN"}     {"devices":[[ten values], ...]}
//   {"method":"delete","devices":"allN"}  the channel's list emptied
//   {"devices":[[nine values], ...]}      appended to the channels they name
//   {"method":"poll","devices":"all"}     every device polled
//   {"method":"poll","devices":"allN"}    the devices of channel N polled
//   {"method":"poll","devices":[code,channel,address,speed]}  one device
//   {"method":"poll_transmit"}            every device polled
//   {"rs_type":[eight "232" or "485"]}    the channel interfaces stored
// A device is [number, model code, serial, version, maker, address, channel,
// speed, note] and, in the list, the poll result as a tenth value. The lists
// start with a few devices on channels 1 and 2.
void add_device_requests(RequestDispatcher &dispatcher, ControllerState &state);

#endif // DEVICE_REQUESTS_H
