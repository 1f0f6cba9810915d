#include "libraries/internet/internet_state.h"

#include "win/wininet.h"

namespace internet {

void InternetState::TearDown() {
    if (connection) InternetCloseHandle(connection);
    if (root) InternetCloseHandle(root);
    connection = 0;
    root = 0;
}

InternetState& State() {
    static InternetState state;
    return state;
}

}  // namespace internet
