#include "app/settings_path.h"

#include "app/dll_numbers.h"

namespace app {
namespace {

constexpr uint32_t kDirectoryAttribute = 16;
constexpr char kDataFolder[] = "\\data";
constexpr char kSettingsFile[] = "\\data\\setsoft.ini";

}  // namespace

bool IsDirectory(const char* path) {
    auto r = static_cast<uint32_t>(runtime::CallDll(Rt(), kDllPathIsDirectory, path ? path : ""));
    return r == kDirectoryAttribute;
}

void EnsureDirectory(const char* path) {
    std::string_view p = runtime::TextView(path);
    // The last part of the path counts as a file name unless a separator ends it.
    Text folder = !p.empty() && p.back() == '\\' ? Text::Copy(p) : Text::Join({p, "\\"});
    runtime::CallDll(Rt(), kDllMakeSureDirectoryPathExists, folder.get());
}

Text SettingsFilePath() {
    Text run = CoreText(core::kRunDirectory, {});
    Text data = Text::Join({run.view(), kDataFolder});
    if (!IsDirectory(data.get())) EnsureDirectory(data.get());
    return Text::Join({run.view(), kSettingsFile});
}

}  // namespace app
