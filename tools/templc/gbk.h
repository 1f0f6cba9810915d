// UTF-8 template texts to the GBK bytes the program stores.
#pragma once

#include <string>

namespace templc {

// Throws std::runtime_error naming the text when a character has no GBK
// form or the input is not UTF-8.
std::string Utf8ToGbk(const std::string& utf8);

}  // namespace templc
