#pragma once

namespace fendrel::cli {

// While one lives, SIGINT and SIGTERM no longer end the process at once: they are noted, and the
// work asks interrupted() between steps, so that it can remove what it staged before it stops.
class InterruptionGuard {
public:
    InterruptionGuard();
    ~InterruptionGuard();
    InterruptionGuard(const InterruptionGuard &) = delete;
    InterruptionGuard &operator=(const InterruptionGuard &) = delete;

    static bool interrupted();
};

} // namespace fendrel::cli
