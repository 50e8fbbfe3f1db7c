#ifndef TESTS_PROCESS_CENSUS_H
#define TESTS_PROCESS_CENSUS_H

// What this process holds of the system, to see that processes it started
// are released: its open file descriptors and its child processes.
namespace harness {

int open_descriptors();
// Child processes of this one, finished but not yet reaped ones included.
int child_processes();

} // namespace harness

#endif // TESTS_PROCESS_CENSUS_H
