// Which instructions a decoder's inner loop uses. Portable: SSE2 only, as the
// build targets. Best: wider ones where the processor has them, checked at
// run time. Both give the same bytes; tests run each against a plain loop.
#pragma once

namespace picture::detail {

enum class SimdPath { Best, Portable };

}  // namespace picture::detail
