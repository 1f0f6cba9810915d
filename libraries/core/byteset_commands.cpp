// ByteSetLength, BlankByteSet, ByteSetLeft.
#include <algorithm>

#include "libraries/core/command_args.h"
#include "libraries/core/core_library.h"
#include "libraries/core/value_commands.h"

namespace core {

using namespace runtime;

void CmdByteSetLength(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    ReturnInt(result, static_cast<int32_t>(std::min<size_t>(ByteSetLength(a.Bytes(0)), INT32_MAX)));
}

void CmdBlankByteSet(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakePointerArg(nullptr, kTypeBytes);  // empty until filled
    CommandArgs a(argCount, args);
    int32_t n = a.Int(0, 0);
    if (n <= 0) return;
    *result = MakePointerArg(MakeZeroByteSet(Notify(), static_cast<size_t>(n)), kTypeBytes);
}

void CmdByteSetLeft(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    std::string_view bytes = ByteSetView(a.Bytes(0));
    int32_t n = std::clamp<int64_t>(a.Int(1, 0), 0, static_cast<int64_t>(bytes.size()));
    ReturnBytes(result, bytes.substr(0, static_cast<size_t>(n)));
}

}  // namespace core
