// A small library for the DLL-command tests, built twice: once into the
// program folder (SIG_TEST_DLL_COPY 1) and once into a sub-folder (2), under
// the same file name.
#include <cstdint>

#include "win/kernel.h"

WINEXPORT intptr_t RtWhichCopy() { return SIG_TEST_DLL_COPY; }
WINEXPORT intptr_t RtSum3(intptr_t a, intptr_t b, intptr_t c) { return a + b * 10 + c * 100; }
WINEXPORT intptr_t RtSum12(intptr_t a, intptr_t b, intptr_t c, intptr_t d, intptr_t e, intptr_t f, intptr_t g,
                           intptr_t h, intptr_t i, intptr_t j, intptr_t k, intptr_t l) {
    return a + b + c + d + e + f + g + h + i + j + k + l * 1000;
}
WINEXPORT intptr_t RtFive() { return 55; }

WINEXPORT const SigExportOrdinal sig_export_ordinals[] = {{5, "RtFive"}, {7, "RtWhichCopy"}};
WINEXPORT const uint32_t sig_export_ordinal_count = 2;
