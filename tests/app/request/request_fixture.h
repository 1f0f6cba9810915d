// The request tests' fixture: a runtime with the program's real DLL
// declarations (the web-access tests' fixture), the real sigservice as a
// child process on an ephemeral loopback port, and byte-set helpers.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "app/code_pages.h"
#include "tests/app/web_access/app_fixture.h"

namespace apptest {

// A byte set on the runtime heap holding these bytes.
inline app::Bytes ByteSet(std::string_view bytes) { return app::MakeBytes(bytes.data(), bytes.size()); }

// sigservice on 127.0.0.1 with its own cache folder; stopped with SIGTERM.
class ServiceProcess {
public:
    ServiceProcess() {
        int out[2];
        if (pipe(out) != 0) return;
        std::string cacheDir = cache_.Path() + "/cache";
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execl(SIGSERVICE_BIN, SIGSERVICE_BIN, "--port", "0", "--cache-dir", cacheDir.c_str(), "--quiet",
                  "--threads", "2", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // The first line names the port: "sigservice listening on http://127.0.0.1:N/ ...".
        std::string line;
        char c;
        while (line.size() < 512 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        const std::string prefix = "sigservice listening on http://127.0.0.1:";
        if (line.rfind(prefix, 0) == 0) port_ = std::atoi(line.c_str() + prefix.size());
    }
    ~ServiceProcess() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            usleep(50 * 1000);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    int port() const { return port_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    sigtest::TempDir cache_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace apptest
