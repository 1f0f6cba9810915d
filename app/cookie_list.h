// Cookie lists ("name=value; name=value"): the merge of the cookies sent
// with those a reply set, a cookie's name, and a list without repeats.
#pragma once

#include "app/core_calls.h"

namespace app {

// Blanks removed from both lists; every sent cookie whose name the received
// list lacks is appended; items ending in "=deleted" are dropped; repeated
// items collapse into the first.
Text MergeCookies(const char* sent, const char* received);
// The text before the first "=" (the whole item without one), trimmed.
Text CookieName(const char* item);
// The items of `text` split at `separator`, each kept once (first
// occurrence, exact comparison), joined with the separator.
Text DistinctJoin(const char* text, const char* separator);

}  // namespace app
