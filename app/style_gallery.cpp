#include "app/style_gallery.h"

#include <string>

#include "app/handlers.h"
#include "app/program_units.h"
#include "app/service_address.h"
#include "compiled_program.h"
#include "libraries/internet/internet_library.h"

namespace app {
namespace {

constexpr int32_t kSamplesPerRow = 5;
constexpr int32_t kGalleryOrigin = 88;

// CopyUnit(图片框1, out new): the new sample's reference, or none.
bool CopySampleTemplate(UnitRef* copy) {
    uint64_t target = 0;
    const UnitRef source{kStartWindow, kSampleTemplate, kPictureBoxType};
    runtime::ArgRecord out = runtime::MakePointerArg(&target, kPictureBoxType);
    if (CoreInt(core::kCopyUnit, {source.Arg(), out}) == 0 || target == 0) return false;
    *copy = UnitRef::From({target, kPictureBoxType});
    return true;
}

}  // namespace

SamplePlace GalleryPlace(int32_t n, int32_t width, int32_t height) {
    // The loop's counter and top after n samples, in closed form.
    int32_t counter, row;
    if (n <= kSamplesPerRow) {
        counter = n;
        row = 0;
    } else {
        counter = (n - kSamplesPerRow - 1) % (kSamplesPerRow + 1);
        row = (n - kSamplesPerRow - 1) / (kSamplesPerRow + 1) + 1;
    }
    return {width * (counter - 1), height * row};
}

int32_t GalleryTop(int32_t position) {
    int64_t top = int64_t{kGalleryOrigin} - position;
    if (top < INT32_MIN) return INT32_MIN;
    if (top > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(top);
}

Text DemoPictureFile(const char* runDirectory, int32_t n) {
    std::string number = std::to_string(n);
    return Text::Join({runtime::TextView(runDirectory), "\\img\\", number, ".png"});
}

Text DemoPictureAddress(const char* base, int32_t n) {
    std::string number = std::to_string(n);
    return Text::Join({runtime::TextView(base), "img/demo/", number, ".png"});
}

void BuildStyleGallery() {
    Text run = CoreText(core::kRunDirectory, {});
    for (int32_t n = 1; n <= kStyleCount; ++n) {
        UnitRef sample;
        if (!CopySampleTemplate(&sample)) break;
        // The copy has the template's size; its place follows from it.
        SamplePlace place = GalleryPlace(n, ReadInt(sample.window, sample.unit, kWidth),
                                         ReadInt(sample.window, sample.unit, kHeight));
        WriteInt(sample.window, sample.unit, kLeft, place.left);
        WriteInt(sample.window, sample.unit, kTop, place.top);
        Text file = DemoPictureFile(run.get(), n);
        Bytes picture(runtime::ArgPointer(CallCore(core::kReadFile, {TextArg(file.get())})));
        // Picture before visibility: the sample is first painted with it.
        WriteBytes(sample.window, sample.unit, kPicture, picture.get());
        Text tag = CoreText(core::kToText, {IntArg(n)});
        WriteText(sample.window, sample.unit, kTag, tag.get());
        WriteInt(sample.window, sample.unit, kVisible, 1);
        CallCore(core::kProcessEvents, {});
    }
}

void LoadDemoPictures() {
    WriteInt(kStartWindow, kProgressBar, kProgressMaximum, kStyleCount);
    Text run = CoreText(core::kRunDirectory, {});
    Text base = ServiceBaseAddress();
    for (int32_t n = 1; n <= kStyleCount; ++n) {
        Text address = DemoPictureAddress(base.get(), n);
        runtime::ArgRecord args[1] = {TextArg(address.get())};
        runtime::ArgRecord r = Rt().CallLibraryCommand(internet::kInternetCommands[internet::kHttpGetBytes], 1, args,
                                                       compiled_program::kLibrary_internet);
        Bytes bytes(r.type == runtime::kTypeBytes ? runtime::ArgPointer(r) : nullptr);
        // A failed download keeps the sample already there rather than
        // emptying its file.
        if (!bytes.empty()) {
            Text file = DemoPictureFile(run.get(), n);
            CallCore(core::kWriteFile, {TextArg(file.get()), runtime::MakePointerArg(bytes.get(), runtime::kTypeBytes)});
        }
        WriteInt(kStartWindow, kProgressBar, kProgressPosition, n);
    }
}

}  // namespace app
