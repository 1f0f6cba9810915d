// The result window: sized to the downloaded picture, showing it, and
// saving it unchanged to a file chosen in the save dialog.
#include "app/app_object.h"
#include "app/handlers.h"
#include "app/program_units.h"
#include "compiled_program.h"
#include "libraries/os/os_library.h"

namespace app {
namespace {

// Room below the picture for the window's frame.
constexpr int32_t kExtraHeight = 20;
constexpr int32_t kSaveButtonMargin = 15;
constexpr int32_t kSaveButtonTop = 3;
constexpr int32_t kDesktopFolder = 3;

constexpr char kDefaultSaveName[] = "morvane艺术字.png";

Text DesktopFolder() {
    runtime::ArgRecord args[1] = {IntArg(kDesktopFolder)};
    runtime::ArgRecord r =
        Rt().CallLibraryCommand(os::kOsCommands[os::kGetSpecialFolder], 1, args, compiled_program::kLibrary_os);
    return Text(r.type == runtime::kTypeText ? runtime::ArgPointer<char>(r) : nullptr);
}

}  // namespace

void ResultWindowCreated() {
    const AppObject& app = AppObject::Instance();
    int32_t width = app.CurrentPictureWidth();
    int32_t height = app.CurrentPictureHeight();
    WriteInt(kResultWindow, kResultWindowUnit, kWidth, width);
    WriteInt(kResultWindow, kResultWindowUnit, kHeight, height + kExtraHeight);

    WriteInt(kResultWindow, kResultPicture, kTop, 0);
    WriteInt(kResultWindow, kResultPicture, kLeft, 0);
    WriteInt(kResultWindow, kResultPicture, kWidth, width);
    WriteInt(kResultWindow, kResultPicture, kHeight, height);
    WriteBytes(kResultWindow, kResultPicture, kPicture, app.CurrentPicture());

    int32_t windowWidth = ReadInt(kResultWindow, kResultWindowUnit, kWidth);
    int32_t buttonWidth = ReadInt(kResultWindow, kSaveButton, kWidth);
    WriteInt(kResultWindow, kSaveButton, kLeft, windowWidth - buttonWidth - kSaveButtonMargin);
    WriteInt(kResultWindow, kSaveButton, kTop, kSaveButtonTop);
}

void ResultWindowDestroyed() { WriteInt(kStartWindow, kProgressBar, kProgressPosition, 0); }

void SavePicture() {
    WriteText(kResultWindow, kSaveDialog, kDialogFileName, kDefaultSaveName);
    Text desktop = DesktopFolder();
    WriteText(kResultWindow, kSaveDialog, kDialogInitialFolder, desktop.get() ? desktop.get() : "");

    const UnitRef dialog{kResultWindow, kSaveDialog, kCommonDialogType};
    bool confirmed = CoreInt(core::kCommonDialogOpen, {dialog.Arg()}) != 0;
    Text name = ReadText(kResultWindow, kSaveDialog, kDialogFileName);
    // A cancelled dialog leaves the offered name in place.
    if (!confirmed || name.empty() || name.view() == kDefaultSaveName) return;
    Bytes picture = ReadBytes(kResultWindow, kResultPicture, kPicture);
    CallCore(core::kWriteFile, {TextArg(name.get()), runtime::MakePointerArg(picture.get(), runtime::kTypeBytes)});
}

}  // namespace app
