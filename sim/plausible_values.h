#ifndef PLAUSIBLE_VALUES_H
#define PLAUSIBLE_VALUES_H

#include <QString>

struct ControllerState;

// The serial number a plausible controller has unless one is given.
QString plausible_serial();

// Gives the parameters of `state` the values of a controller at work on
// its site (the keys of the configurator's catalogue; other keys and keys
// of another type keep their defaults) and sets its clock, uptime and
// measurements going, with random steps from `seed`. The identity, the
// channel interfaces and the Ethernet side of `state` are shown in the
// parameters that repeat them.
void make_plausible(ControllerState &state, quint32 seed);

#endif // PLAUSIBLE_VALUES_H
