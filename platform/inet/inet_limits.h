// Limits set on every transfer of the WinINet subset. The program sets no
// time-outs of its own and relies on these, so none of them is "for ever".
#pragma once

#include <cstdint>
#include <string>

#define SIG_INET_API __attribute__((visibility("default")))

namespace platform::inet {

struct InetLimits {
    long connect_timeout_ms = 10'000;       // TCP (and TLS) connection set-up
    long stall_timeout_ms = 30'000;         // no byte moving either way for this long ends the transfer
    long total_timeout_ms = 30L * 60'000;   // last guard against a server that drips bytes
    uint64_t max_header_bytes = 256 * 1024; // whole reply header block
    uint64_t max_body_bytes = 256ull << 20; // reply body
    long max_redirects = 10;
};

// The limits in force for transfers started from now on.
SIG_INET_API InetLimits CurrentInetLimits();
// Tests shorten the limits so a stall or an endless body ends in a second.
SIG_INET_API void SetInetLimitsForTesting(const InetLimits& limits);
SIG_INET_API void ResetInetLimits();

// PEM file of extra trusted certificates: $SIGDESIGNER_CA_FILE, or empty.
std::string ExtraCaFile();

// The error code of the last failed WinINet call on this thread, kept here as
// well as handed to SetLastError so tests do not depend on the kernel part.
SIG_INET_API uint32_t LastInetError();
void SetInetError(uint32_t code);

}  // namespace platform::inet
