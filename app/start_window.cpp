// The start window's own handlers: settings in and out, the colour pickers
// and their edit boxes kept in step, the gallery following the scroll bar.
#include "app/app_object.h"
#include "app/handlers.h"
#include "app/program_units.h"
#include "app/settings_store.h"
#include "app/style_gallery.h"

namespace app {
namespace {

// At this width the two colour edit boxes (x = 1032) lie outside the window.
constexpr int32_t kStartWindowWidth = 975;

const UnitRef kStartWindowRef{kStartWindow, kStartWindowUnit, kWindowType};

// Letters black on white paper until the user picks colours. An empty box
// (first run, no settings file) would otherwise read as 0 for both, and
// every signature would come back black on black.
constexpr int32_t kFirstRunFontColour = 0x000000;
constexpr int32_t kFirstRunBackgroundColour = 0xFFFFFF;

int32_t ColourFromEditBox(uint32_t editBox, int32_t whenEmpty) {
    Text text = ReadText(kStartWindow, editBox, kEditContent);
    if (!text.get() || !*text.get()) return whenEmpty;
    return CoreInt(core::kToInteger, {TextArg(text.get())});
}

void ColourToEditBox(uint32_t picker, uint32_t editBox) {
    Text text = CoreText(core::kToText, {IntArg(ReadInt(kStartWindow, picker, kPickerColour))});
    WriteText(kStartWindow, editBox, kEditContent, text.get() ? text.get() : "");
}

}  // namespace

void StartWindowCreated() {
    Text path;
    LoadEditBoxes(kStartWindowRef, path);
    Text comboPath;
    LoadComboBoxes(kStartWindowRef, comboPath);
    WriteInt(kStartWindow, kStartWindowUnit, kWidth, kStartWindowWidth);
    RestorePickerColours();
    BuildStyleGallery();
}

void RestorePickerColours() {
    WriteInt(kStartWindow, kFontColourPicker, kPickerColour, ColourFromEditBox(kFontColourEditBox, kFirstRunFontColour));
    WriteInt(kStartWindow, kBackgroundColourPicker, kPickerColour,
             ColourFromEditBox(kBackgroundColourEditBox, kFirstRunBackgroundColour));
}

void StartWindowDestroyed() {
    Text path;
    SaveEditBoxes(kStartWindowRef, path, "");
    Text comboPath;
    SaveComboBoxes(kStartWindowRef, comboPath, "");
}

void FontColourChanged() { ColourToEditBox(kFontColourPicker, kFontColourEditBox); }

void BackgroundColourChanged() { ColourToEditBox(kBackgroundColourPicker, kBackgroundColourEditBox); }

void GalleryScrolled() {
    WriteInt(kStartWindow, kGalleryGroupBox, kTop, GalleryTop(ReadInt(kStartWindow, kGalleryScrollBar, kScrollPosition)));
}

void ProgramExit(int32_t) { AppObject::Instance().FreeCurrentPicture(); }

}  // namespace app
