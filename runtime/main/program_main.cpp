#include "runtime/main/program_main.h"

#include "runtime/application.h"

int main() { return runtime::Application::Instance().Run(runtime::kCompiledProgram); }
