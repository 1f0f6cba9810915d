// InternetState: the library's one per-process state. The root handle is
// opened on the first download and kept for later ones; the proxy texts are
// empty in this program (no command of its table sets them).
#pragma once

#include <string>

#include "win/types.h"

namespace internet {

struct InternetState {
    HINTERNET root = 0;
    HINTERNET connection = 0;  // open only during a download
    std::string proxy, proxyUser, proxyPassword;

    // Closes the connection and root handles (at program end).
    void TearDown();
};

InternetState& State();

}  // namespace internet
