// The core library's value commands (texts, conversions, byte sets, files,
// settings files), each with the library calling form. Bad, null, empty or
// omitted arguments give an empty or neutral result, never an error.
#pragma once

#include "runtime/values.h"

namespace core {

using runtime::ArgRecord;
#define CORE_COMMAND(name) void name(ArgRecord* result, int32_t argCount, ArgRecord* args)

// conversion_commands.cpp
CORE_COMMAND(CmdToText);
CORE_COMMAND(CmdToByteSet);
CORE_COMMAND(CmdToHexText);
CORE_COMMAND(CmdToInteger);
CORE_COMMAND(CmdToNumber);
CORE_COMMAND(CmdBitOr);
// byteset_commands.cpp
CORE_COMMAND(CmdByteSetLength);
CORE_COMMAND(CmdBlankByteSet);
CORE_COMMAND(CmdByteSetLeft);
// text_commands.cpp
CORE_COMMAND(CmdTextLength);
CORE_COMMAND(CmdCharOf);
CORE_COMMAND(CmdBlankText);
CORE_COMMAND(CmdTextRight);
CORE_COMMAND(CmdTextLeft);
CORE_COMMAND(CmdTextMiddle);
CORE_COMMAND(CmdToLowerCase);
CORE_COMMAND(CmdFindText);
CORE_COMMAND(CmdFindTextBackward);
CORE_COMMAND(CmdTrimBoth);
CORE_COMMAND(CmdRemoveAllSpaces);
CORE_COMMAND(CmdReplaceSubtext);
CORE_COMMAND(CmdSplitText);
CORE_COMMAND(CmdCompareText);
// file_commands.cpp
CORE_COMMAND(CmdRunDirectory);
CORE_COMMAND(CmdWriteFile);
CORE_COMMAND(CmdReadFile);
CORE_COMMAND(CmdReadConfigItem);
CORE_COMMAND(CmdWriteConfigItem);

#undef CORE_COMMAND

}  // namespace core
