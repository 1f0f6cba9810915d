#include "units/common_dialog.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "units/label_texts.h"
#include "win/commdlg.h"

namespace units {
namespace {

// ORDER CommonDialogProperty, after the common properties.
constexpr PropertyRecord kCommonDialogProperties[] = {
    SIG_COMMON_PROPERTIES,
    {.kind = 1006, .flags = 0x8002},  // type
    {.kind = 1005, .flags = 0x8000},  // title
    {.kind = 1005, .flags = 0x8000},  // file name
    {.kind = 1005, .flags = 0x8000},  // filter
    {.kind = 1001, .flags = 0x8001},  // initial filter
    {.kind = 1005, .flags = 0x8000},  // initial directory
    {.kind = 1005, .flags = 0x8000},  // default extension
    {.kind = 1003, .flags = 0x8000},  // ask before creating
    {.kind = 1003, .flags = 0x8000},  // file must exist
    {.kind = 1003, .flags = 0x8000},  // ask before overwriting
    {.kind = 1003, .flags = 0x8000},  // path must exist
    {.kind = 1003, .flags = 0x8002},  // keep the current directory
    {.kind = 1014, .flags = 0x8000},  // font colour
    {.kind = 1003, .flags = 0x8000},  // bold
    {.kind = 1003, .flags = 0x8000},  // italic
    {.kind = 1003, .flags = 0x8000},  // strike-out
    {.kind = 1003, .flags = 0x8000},  // underline
    {.kind = 1005, .flags = 0x8000},  // font name
    {.kind = 1001, .flags = 0x8002},  // font size
    {.kind = 1005, .flags = 0x8000},  // help file
    {.kind = 1006, .flags = 0x8000},  // help command
    {.kind = 1001, .flags = 0x8001},  // help context
};
static_assert(std::size(kCommonDialogProperties) == kCommonPropertyCount + kCommonDialogPropertyCount);
static_assert(std::size(kCommonDialogProperties) == 30);

const char kClassName[] = "_VU_CommonDlg";

// Room for the chosen path; the platform's paths are far shorter.
constexpr size_t kFileBuffer = 32768;

enum HelpCommand : int32_t { kHelpFinder, kHelpContext, kHelpPopup, kHelpForceFile, kHelpOnHelp, kHelpQuit };

bool RegisterDialogClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(0, kClassName, &wc)) return true;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &UnitWindowProc;
    wc.hCursor = LoadCursorA(0, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

int32_t NotNegative(uint32_t raw) { return std::max(static_cast<int32_t>(raw), 0); }

int ScreenPixelsPerInch() {
    HDC screen = GetDC(0);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(0, screen);
    return dpi > 0 ? dpi : 96;
}

// Operation 9: every text through the callback, the font name as a face
// name (flag 1); numbers and switches stay as they are.
class DialogTextConverter {
public:
    DialogTextConverter(TextConvertCallback callback, uintptr_t context) : callback_(callback), context_(context) {}
    bool Has(uint32_t) const { return true; }
    void Int(const char*, int32_t&) {}
    void Colour(const char*, uint32_t&) {}
    void Logic(const char*, bool&) {}
    void Text(const char* name, std::string& v) {
        const char* out = callback_(v.c_str(), std::strcmp(name, "font_name") == 0 ? 1 : 0, context_);
        if (out) v = out;
    }

private:
    TextConvertCallback callback_;
    uintptr_t context_;
};

uint8_t* ConvertDialogTexts(const uint8_t* data, uint32_t* length, TextConvertCallback callback, uintptr_t context) {
    if (!length || !callback) return nullptr;
    runtime::templates::CommonDialogData d;
    if (!runtime::templates::ReadStoredUnitData({data, data ? *length : 0}, d)) return nullptr;
    DialogTextConverter converter(callback, context);
    runtime::templates::CommonDialogData::Visit(converter, d);
    return ConvertTextsInBlock(runtime::templates::WriteStoredUnitData(d), length);
}

runtime::UnitOperation LookupCommonDialog(int32_t number) {
    if (number == runtime::kOpConvertUnitTexts) return reinterpret_cast<runtime::UnitOperation>(&ConvertDialogTexts);
    return UnitOperations<CommonDialogUnit>::Lookup(number);
}

}  // namespace

std::string SystemFilter(const std::string& filter) {
    if (filter.empty()) return {};
    std::string out = filter;
    if (out.size() < 2 || out.compare(out.size() - 2, 2, "||") != 0) out += "||";
    std::replace(out.begin(), out.end(), '|', '\0');
    return out;
}

bool CommonDialogUnit::ReadData(std::span<const uint8_t> data) {
    return runtime::templates::ReadStoredUnitData(data, data_);
}

std::vector<uint8_t> CommonDialogUnit::SaveData() const { return runtime::templates::WriteStoredUnitData(data_); }

bool CommonDialogUnit::CreateNative(const CreateArgs& args) {
    if (!RegisterDialogClass()) return false;
    DWORD style = args.styles | WS_CHILD | WS_CLIPSIBLINGS;
    if (args.designMode) style |= WS_BORDER;
    return CreateBound(0, kClassName, "", style, args, args.parent) != 0;
}

HWND CommonDialogUnit::Owner() const {
    HWND root = GetAncestor(hwnd_, GA_ROOT);
    return root ? root : GetParent(hwnd_);
}

bool CommonDialogUnit::Open() {
    switch (data_.type) {
        case kDialogOpenFile: return OpenFile(false);
        case kDialogSaveFile: return OpenFile(true);
        case kDialogFont: return OpenFont();
        case kDialogHelp: return OpenHelp();
        default: return false;
    }
}

bool CommonDialogUnit::OpenFile(bool save) {
    DWORD flags = OFN_HIDEREADONLY;
    if (data_.create_prompt) flags |= OFN_CREATEPROMPT;
    if (data_.must_exist) flags |= OFN_FILEMUSTEXIST;
    if (data_.overwrite_prompt) flags |= OFN_OVERWRITEPROMPT;
    if (data_.path_must_exist) flags |= OFN_PATHMUSTEXIST;
    if (data_.keep_directory) flags |= OFN_NOCHANGEDIR;
    const std::string filter = SystemFilter(data_.filter);
    std::vector<char> file(kFileBuffer, '\0');
    std::memcpy(file.data(), data_.file_name.data(), std::min(data_.file_name.size(), kFileBuffer - 1));

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = filter.empty() ? 0 : static_cast<DWORD>(std::max(data_.initial_filter, 0)) + 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = data_.initial_directory.empty() ? nullptr : data_.initial_directory.c_str();
    ofn.lpstrTitle = data_.title.empty() ? nullptr : data_.title.c_str();
    ofn.lpstrDefExt = data_.default_extension.empty() ? nullptr : data_.default_extension.c_str();
    ofn.Flags = flags;
    const BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return false;  // cancelled: every property stays as it was
    file.back() = '\0';
    data_.file_name = file.data();
    return true;
}

bool CommonDialogUnit::OpenFont() {
    LOGFONTA lf{};
    if (data_.bold) lf.lfWeight = 700;
    lf.lfItalic = data_.italic ? 1 : 0;
    lf.lfUnderline = data_.underline ? 1 : 0;
    lf.lfStrikeOut = data_.strike_out ? 1 : 0;
    std::memcpy(lf.lfFaceName, data_.font_name.data(), std::min<size_t>(data_.font_name.size(), LF_FACESIZE - 1));
    const int dpi = ScreenPixelsPerInch();
    // Size 0 leaves the height to the dialog's default.
    if (data_.font_size > 0) lf.lfHeight = -MulDiv(data_.font_size, dpi, 72);

    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = Owner();
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    cf.rgbColors = data_.font_colour;
    if (!ChooseFontA(&cf)) return false;
    data_.font_colour = cf.rgbColors;
    data_.bold = lf.lfWeight >= 700;
    data_.italic = lf.lfItalic != 0;
    data_.strike_out = lf.lfStrikeOut != 0;
    data_.underline = lf.lfUnderline != 0;
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    data_.font_name = lf.lfFaceName;
    const int64_t height = std::abs(static_cast<int64_t>(lf.lfHeight));
    data_.font_size = static_cast<int32_t>(std::min<int64_t>((height * 72 + dpi / 2) / dpi, INT32_MAX));
    return true;
}

bool CommonDialogUnit::OpenHelp() {
    // This platform has no help engine and no help files: commands that show
    // a help file act as they do when the file is missing (nothing happens,
    // result 0). Help on using help and closing help need no file and are
    // taken as done; with no engine there is no open help for the window to
    // close when it is destroyed.
    switch (data_.help_command) {
        case kHelpOnHelp:
        case kHelpQuit: return true;
        default: return false;
    }
}

int32_t CommonDialogUnit::SetProperty(int32_t index, const PropertyValue& v) {
    const auto word = static_cast<uint32_t>(v.value);
    // Only text properties carry an address; other values are never read as one.
    auto text = [&v]() -> std::string {
        const char* raw = reinterpret_cast<const char*>(static_cast<uintptr_t>(v.value));
        return raw ? raw : "";
    };
    switch (index) {
        case kCdType: data_.type = ClampPick(word, 3); break;
        case kCdTitle: data_.title = text(); break;
        case kCdFileName: data_.file_name = text(); break;
        case kCdFilter: data_.filter = text(); break;
        case kCdInitialFilter: data_.initial_filter = NotNegative(word); break;
        case kCdInitialDirectory: data_.initial_directory = text(); break;
        case kCdDefaultExtension: data_.default_extension = text(); break;
        case kCdCreatePrompt: data_.create_prompt = word != 0; break;
        case kCdMustExist: data_.must_exist = word != 0; break;
        case kCdOverwritePrompt: data_.overwrite_prompt = word != 0; break;
        case kCdPathMustExist: data_.path_must_exist = word != 0; break;
        case kCdKeepDirectory: data_.keep_directory = word != 0; break;
        case kCdFontColour: data_.font_colour = word; break;
        case kCdBold: data_.bold = word != 0; break;
        case kCdItalic: data_.italic = word != 0; break;
        case kCdStrikeOut: data_.strike_out = word != 0; break;
        case kCdUnderline: data_.underline = word != 0; break;
        case kCdFontName: data_.font_name = text(); break;
        case kCdFontSize: data_.font_size = NotNegative(word); break;
        case kCdHelpFile: data_.help_file = text(); break;
        case kCdHelpCommand: data_.help_command = ClampPick(word, 5); break;
        case kCdHelpContext: data_.help_context = static_cast<int32_t>(word); break;
        default: return 0;
    }
    return 0;  // only stored, never rebuilt
}

bool CommonDialogUnit::GetProperty(int32_t index, PropertyValue* out) {
    auto word = [&](uint32_t w) { *out = {w, 0}; };
    auto logic = [&](bool b) { *out = {b ? 1u : 0u, 0}; };
    auto str = [&](const std::string& s) { *out = {reinterpret_cast<uintptr_t>(s.c_str()), 0}; };
    switch (index) {
        case kCdType: word(static_cast<uint32_t>(data_.type)); break;
        case kCdTitle: str(data_.title); break;
        case kCdFileName: str(data_.file_name); break;
        case kCdFilter: str(data_.filter); break;
        case kCdInitialFilter: word(static_cast<uint32_t>(data_.initial_filter)); break;
        case kCdInitialDirectory: str(data_.initial_directory); break;
        case kCdDefaultExtension: str(data_.default_extension); break;
        case kCdCreatePrompt: logic(data_.create_prompt); break;
        case kCdMustExist: logic(data_.must_exist); break;
        case kCdOverwritePrompt: logic(data_.overwrite_prompt); break;
        case kCdPathMustExist: logic(data_.path_must_exist); break;
        case kCdKeepDirectory: logic(data_.keep_directory); break;
        case kCdFontColour: word(data_.font_colour); break;
        case kCdBold: logic(data_.bold); break;
        case kCdItalic: logic(data_.italic); break;
        case kCdStrikeOut: logic(data_.strike_out); break;
        case kCdUnderline: logic(data_.underline); break;
        case kCdFontName: str(data_.font_name); break;
        case kCdFontSize: word(static_cast<uint32_t>(data_.font_size)); break;
        case kCdHelpFile: str(data_.help_file); break;
        case kCdHelpCommand: word(static_cast<uint32_t>(data_.help_command)); break;
        case kCdHelpContext: word(static_cast<uint32_t>(data_.help_context)); break;
        default: return false;
    }
    return true;
}

LRESULT CommonDialogUnit::WindowProc(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case runtime::kMsgOpenCommonDialog: return Open() ? 1 : 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            // Nothing of its own to show.
            PAINTSTRUCT ps;
            BeginPaint(hwnd_, &ps);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        default: return Default(message, w, l);
    }
}

runtime::UnitType CommonDialogUnitType() {
    static const char kName[] = "通用对话框";
    return runtime::UnitType{
        .name = kName,
        .englishName = "CommonDlg",
        .explanation = "",
        .flags = 0x80008040,
        .propertyCount = static_cast<uint32_t>(std::size(kCommonDialogProperties)),
        .properties = kCommonDialogProperties,
        .lookup = &LookupCommonDialog,
    };
}

}  // namespace units
