#include "app/app_object.h"

#include "app/picture_size.h"
#include "compiled_program.h"
#include "libraries/internet/internet_library.h"

namespace app {

AppObject& AppObject::Instance() {
    // Never destroyed: see currentPicture_.
    static AppObject* object = new AppObject();
    return *object;
}

void AppObject::ReplaceCurrentPicture(Bytes picture) {
    FreeCurrentPicture();
    currentPicture_ = picture.release();
}

void AppObject::SetCurrentPictureSize(int32_t width, int32_t height) {
    currentPictureWidth_ = width;
    currentPictureHeight_ = height;
}

void AppObject::FreeCurrentPicture() {
    Rt().FreeMemory(currentPicture_);
    currentPicture_ = nullptr;
}

void KeepDownloadedPicture(const char* address) {
    runtime::ArgRecord args[1] = {TextArg(address)};
    runtime::ArgRecord r = Rt().CallLibraryCommand(internet::kInternetCommands[internet::kHttpGetBytes], 1, args,
                                                   compiled_program::kLibrary_internet);
    AppObject& app = AppObject::Instance();
    app.ReplaceCurrentPicture(Bytes(r.type == runtime::kTypeBytes ? runtime::ArgPointer(r) : nullptr));
    app.SetCurrentPictureSize(PictureWidth(app.CurrentPicture()), PictureHeight(app.CurrentPicture()));
}

}  // namespace app
