#include "platform/inet/inet_limits.h"

#include <cstdlib>
#include <mutex>

#include "win/kernel.h"

// The kernel part carries SetLastError; bind to it weakly so the internet
// subset links on its own as well.
#pragma weak SetLastError

namespace platform::inet {

namespace {
std::mutex g_limits_mu;
InetLimits g_limits;
thread_local uint32_t t_last_error = 0;
}  // namespace

InetLimits CurrentInetLimits() {
    std::lock_guard<std::mutex> lock(g_limits_mu);
    return g_limits;
}

void SetInetLimitsForTesting(const InetLimits& limits) {
    std::lock_guard<std::mutex> lock(g_limits_mu);
    g_limits = limits;
}

void ResetInetLimits() { SetInetLimitsForTesting(InetLimits{}); }

std::string ExtraCaFile() {
    const char* v = std::getenv("SIGDESIGNER_CA_FILE");
    return v ? std::string(v) : std::string();
}

uint32_t LastInetError() { return t_last_error; }

void SetInetError(uint32_t code) {
    t_last_error = code;
    if (&SetLastError) SetLastError(code);
}

}  // namespace platform::inet
