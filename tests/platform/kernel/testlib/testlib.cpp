// A library for the module tests, with an ordinal table of its own.
#include <cstdint>

#include "win/kernel.h"

WINEXPORT int TestAdd(int a, int b) { return a + b; }
WINEXPORT int TestFive() { return 5; }
WINEXPORT const char* TestName() { return "testlib"; }
// Ordinal 5 names TestFive; ordinal 7 names a function that does not exist.
WINEXPORT const SigExportOrdinal sig_export_ordinals[] = {{1, "TestAdd"}, {5, "TestFive"}, {7, "NoSuchExport"}};
WINEXPORT const uint32_t sig_export_ordinal_count = 3;
