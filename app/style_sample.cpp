// A press on a style sample: the request for that style, the download of
// the rendered picture and the result window that shows it.
#include "app/app_object.h"
#include "app/dll_numbers.h"
#include "app/handlers.h"
#include "app/program_units.h"
#include "app/signature_request.h"

namespace app {
namespace {

constexpr int32_t kPressedBorder = 1;
constexpr int32_t kReleasedBorder = 5;

// The progress bar's set-bar-colour message, and yellow.
constexpr uint32_t kProgressSetBarColour = 0x409;
constexpr uint32_t kYellow = 0x0000FFFF;

UnitRef EventUnit() { return UnitRef::From(CallCore(core::kGetEventUnit, {})); }

void SetProgress(int32_t position) { WriteInt(kStartWindow, kProgressBar, kProgressPosition, position); }

void EnableGallery(bool enabled) { WriteInt(kStartWindow, kGalleryGroupBox, kDisabled, enabled ? 0 : 1); }

void ColourProgressBar() {
    const UnitRef bar{kStartWindow, kProgressBar, kProgressBarType};
    auto window = static_cast<uint32_t>(CoreInt(core::kGetWindowHandle, {bar.Arg()}));
    runtime::CallDll(Rt(), kDllSendMessage, window, kProgressSetBarColour, 1u, kYellow);
}

}  // namespace

void StyleSamplePressed() {
    UnitRef sample = EventUnit();
    if (sample.type != kPictureBoxType) Rt().ReportRuntimeError(kRuntimeErrorWrongUnitType);
    WriteInt(sample.window, sample.unit, kPictureBorder, kPressedBorder);
    // The only guard against a second request while this one runs.
    EnableGallery(false);
    SetProgress(90);
    ColourProgressBar();

    Text styleNumber = ReadText(sample.window, sample.unit, kTag);
    Text address = FetchSignatureAddress(styleNumber.get() ? styleNumber.get() : "");
    SetProgress(300);
    if (address.empty()) {
        EnableGallery(true);
        return;
    }
    KeepDownloadedPicture(address.get());
    SetProgress(410);
    EnableGallery(true);

    const UnitRef result{kResultWindow, kResultWindowUnit, kWindowType};
    CallCore(core::kLoadWindow, {result.Arg(), OmittedArg(), BoolArg(true)});
}

void StyleSampleReleased() {
    UnitRef sample = EventUnit();
    WriteInt(sample.window, sample.unit, kPictureBorder, kReleasedBorder);
}

}  // namespace app
