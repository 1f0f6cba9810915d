// The sigservice program itself: command line, access log, clean stop on
// SIGTERM and SIGINT, a disk that refuses writes, and --write-demos.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support.h"

namespace {

struct Child {
  pid_t pid = -1;
  std::uint16_t port = 0;
  std::string errPath;
  std::string firstLine;
};

// Starts the program with args; stdout's first line gives the port.
Child Spawn(const std::vector<std::string>& args, const std::string& dir, rlim_t fileLimit = RLIM_INFINITY) {
  Child child;
  child.errPath = dir + "/stderr.txt";
  int out[2];
  if (pipe(out) != 0) return child;
  child.pid = fork();
  if (child.pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    int err = open(child.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(err, STDERR_FILENO);
    close(out[0]);
    if (fileLimit != RLIM_INFINITY) {
      rlimit lim{fileLimit, fileLimit};
      setrlimit(RLIMIT_FSIZE, &lim);
    }
    std::vector<char*> argv;
    std::string bin = SIGSERVICE_BIN;
    argv.push_back(bin.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(bin.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string line;
  char c;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline && read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  child.firstLine = line;
  std::size_t colon = line.rfind(':');
  if (line.rfind("sigservice listening on http://127.0.0.1:", 0) == 0 && colon != std::string::npos)
    child.port = static_cast<std::uint16_t>(std::atoi(line.c_str() + colon + 1));
  return child;
}

int WaitExit(pid_t pid) {
  for (int i = 0; i < 200; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class ServiceProcess : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = sigtest::MakeTempDir(); }
  void TearDown() override { sigtest::RemoveTree(dir_); }
  std::string dir_;
};

}  // namespace

TEST_F(ServiceProcess, LogsEachRequestAndStopsCleanlyOnSignals) {
  for (int sig : {SIGTERM, SIGINT}) {
    Child child = Spawn({"--port", "0", "--cache-dir", dir_ + "/cache", "--threads", "2"}, dir_);
    ASSERT_NE(child.port, 0) << child.firstLine;
    auto reply = sigtest::Http(child.port, "POST", "/", sigtest::FormBody("Log me", 4, 32));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(sigtest::Http(child.port, "GET", "/nothing%0D%0Ahere").status, 404);
    kill(child.pid, sig);
    EXPECT_EQ(WaitExit(child.pid), 0);
    std::string log = ReadFile(child.errPath);
    EXPECT_NE(log.find("127.0.0.1 \"POST /\" 200 "), std::string::npos) << log;
    EXPECT_NE(log.find("\"GET /nothing%0D%0Ahere\" 404 "), std::string::npos) << log;
    EXPECT_NE(log.find(sig == SIGTERM ? "SIGTERM" : "SIGINT"), std::string::npos) << log;
  }
}

TEST_F(ServiceProcess, KeepsServingWhenTheDiskRefusesWrites) {
  // A file-size limit of one byte makes every cache write fail as a full disk would.
  Child child = Spawn({"--port", "0", "--cache-dir", dir_ + "/cache", "--quiet"}, dir_, 1);
  ASSERT_NE(child.port, 0) << child.firstLine;
  for (int i = 0; i < 3; ++i) {
    auto reply = sigtest::Http(child.port, "POST", "/", sigtest::FormBody("Disk full " + std::to_string(i), 30 + i, 64));
    ASSERT_EQ(reply.status, 200);
    auto picture = sigtest::Http(child.port, "GET", "/" + sigtest::ScrapePath(reply.body));
    EXPECT_EQ(picture.status, 200);
    EXPECT_TRUE(sigtest::DecodePng(picture.body));
  }
  int files = 0;
  sigtest::DirBytes(dir_ + "/cache", &files);
  EXPECT_EQ(files, 0) << "no picture and no leftover temporary file";
  kill(child.pid, SIGTERM);
  EXPECT_EQ(WaitExit(child.pid), 0);
}

TEST_F(ServiceProcess, WritesTheSamplesItServes) {
  Child writer = Spawn({"--write-demos", dir_ + "/demos"}, dir_);
  EXPECT_EQ(WaitExit(writer.pid), 0);
  Child child = Spawn({"--port", "0", "--cache-dir", dir_ + "/cache", "--quiet"}, dir_);
  ASSERT_NE(child.port, 0);
  for (int n : {1, 2, 137, 409, 410}) {
    std::string file = ReadFile(dir_ + "/demos/" + std::to_string(n) + ".png");
    auto reply = sigtest::Http(child.port, "GET", "/img/demo/" + std::to_string(n) + ".png");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, file) << n;
  }
  int files = 0;
  sigtest::DirBytes(dir_ + "/demos", &files);
  EXPECT_EQ(files, 410);
  kill(child.pid, SIGTERM);
  EXPECT_EQ(WaitExit(child.pid), 0);
}

TEST_F(ServiceProcess, CommandLineMistakesAreReported) {
  Child help = Spawn({"--help"}, dir_);
  EXPECT_EQ(WaitExit(help.pid), 0);
  EXPECT_EQ(help.firstLine, "Usage: sigservice [options]");
  for (auto args : {std::vector<std::string>{"--port", "70000"}, {"--bogus"}, {"--port"}, {"--threads", "x"},
                    {"--bind", "localhost-ish", "--port", "0"}}) {
    Child bad = Spawn(args, dir_);
    EXPECT_NE(WaitExit(bad.pid), 0) << args[0];
    EXPECT_FALSE(ReadFile(bad.errPath).empty()) << args[0];
  }
}
