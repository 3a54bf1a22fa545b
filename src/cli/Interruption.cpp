#include "cli/Interruption.h"

#include <csignal>

namespace fendrel::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void noteInterruption(int)
{
    g_interrupted = 1;
}

struct sigaction g_savedInt;
struct sigaction g_savedTerm;

} // namespace

InterruptionGuard::InterruptionGuard()
{
    g_interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = noteInterruption;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_savedInt);
    sigaction(SIGTERM, &action, &g_savedTerm);
}

InterruptionGuard::~InterruptionGuard()
{
    sigaction(SIGINT, &g_savedInt, nullptr);
    sigaction(SIGTERM, &g_savedTerm, nullptr);
}

bool InterruptionGuard::interrupted()
{
    return g_interrupted != 0;
}

} // namespace fendrel::cli
