// The real process path: main() in the runtime, the program's entry
// routine, and the exit work when it returns, exits or fails.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/runtime/support/runtime_fixture.h"

namespace {

struct DemoRun {
    int status;
    std::string output;
};

DemoRun RunDemo(const std::string& end) {
    sigtest::TempDir dir;
    std::string out = dir.File("out");
    std::string command = "SIG_DEMO_END=" + end + " " SIG_BINARY_DIR "/bin/runtime_demo_program > " + out + " 2>&1";
    int raw = std::system(command.c_str());
    std::ifstream in(out);
    std::stringstream ss;
    ss << in.rdbuf();
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ss.str()};
}

TEST(ProgramMainTest, ReturningFromTheEntryRunsTheExitWorkWithCodeZero) {
    DemoRun r = RunDemo("return");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output,
              "library message 1\n"
              "text 1234\n"
              "folder set\n"
              "entry returns\n"
              "exit routine 0\n"
              "exit routine b 1\n"
              "exit routine c 2\n"
              "library message 6\n");
}

TEST(ProgramMainTest, ExitProgramEndsWithItsCodeAfterTheExitWork) {
    DemoRun r = RunDemo("exit");
    EXPECT_EQ(r.status, 7);
    EXPECT_THAT(r.output, ::testing::HasSubstr("exit routine 0\nexit routine b 1\nexit routine c 2\n"
                                               "library message 6\n"));
    EXPECT_THAT(r.output, ::testing::Not(::testing::HasSubstr("entry returns")));
}

TEST(ProgramMainTest, FatalErrorEndsWith255AndNoExitRoutines) {
    DemoRun r = RunDemo("fatal");
    EXPECT_EQ(r.status, 255);
    EXPECT_THAT(r.output, ::testing::HasSubstr(sigtest::U8(u8"错误: 运行时出错!\r\n\r\n错误代码：4\r\n")));
    EXPECT_THAT(r.output, ::testing::Not(::testing::HasSubstr("exit routine")));
    // Libraries are still told that the program ends.
    EXPECT_THAT(r.output, ::testing::HasSubstr("library message 6\n"));
}

}  // namespace
