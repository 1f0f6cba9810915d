// GetOpenFileNameA / GetSaveFileNameA: a modal window with the folder's
// entries, a file-name box and the filter list; or, when an answer is queued
// (tests, automation), the same checks on the answered name without drawing.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/comdlg/answers.h"
#include "platform/comdlg/modal.h"
#include "win/commctrl.h"
#include "win/kernel.h"

namespace platform::comdlg {
namespace {

struct Filter {
    std::string name, pattern;
};

std::vector<Filter> ParseFilters(const char* f) {
    std::vector<Filter> out;
    if (!f) return out;
    // Pairs of NUL-ended texts, the list ended by an empty text. A bound
    // keeps a filter missing its final NUL from running on forever.
    for (int guard = 0; *f && guard < 256; ++guard) {
        Filter x;
        x.name = f;
        f += x.name.size() + 1;
        if (!*f) break;
        x.pattern = f;
        f += x.pattern.size() + 1;
        out.push_back(x);
    }
    return out;
}

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool IsDir(const std::string& p) {
    DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentDir() {
    char buf[MAX_PATH * 2];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string("\\");
}

bool IsAbsolute(const std::string& p) {
    return (!p.empty() && (p[0] == '\\' || p[0] == '/')) || (p.size() >= 2 && p[1] == ':');
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    char last = dir.back();
    return (last == '\\' || last == '/') ? dir + name : dir + "\\" + name;
}

// The last separator, not mistaking a GBK trail byte 0x5C for one.
size_t LastSep(const std::string& p) {
    size_t sep = std::string::npos;
    for (size_t i = 0; i < p.size();) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < p.size()) {
            i += 2;
            continue;
        }
        if (c == '\\' || c == '/') sep = i;
        ++i;
    }
    return sep;
}

// The default extension without a leading "*." or ".", as callers store it both ways.
std::string DefExt(const char* d) {
    if (!d) return "";
    std::string e = d;
    if (e.rfind("*.", 0) == 0) e = e.substr(2);
    else if (!e.empty() && e[0] == '.') e = e.substr(1);
    if (e.find_first_of("*?;") != std::string::npos) return "";
    return e.substr(0, 3 <= e.size() ? e.size() : e.size());
}

enum class Outcome { kRefused, kDone, kTooSmall };

const char kExistsText[] = " \xd2\xd1\xbe\xad\xb4\xe6\xd4\xda\xa1\xa3\n\xd2\xaa\xcc\xe6\xbb\xbb\xcb\xfc\xc2\xf0\xa3\xbf";  // " 已经存在。\n要替换它吗？"
const char kCreateText[] = " \xb2\xbb\xb4\xe6\xd4\xda\xa1\xa3\n\xd2\xaa\xb4\xb4\xbd\xa8\xcb\xfc\xc2\xf0\xa3\xbf";  // " 不存在。\n要创建它吗？"
const char kMissingText[] = " \xce\xc4\xbc\xfe\xce\xb4\xd5\xd2\xb5\xbd\xa1\xa3";  // " 文件未找到。"
const char kPathText[] = " \xc2\xb7\xbe\xb6\xb2\xbb\xb4\xe6\xd4\xda\xa1\xa3";   // " 路径不存在。"

// Checks a confirmed name against the flags and writes the results.
Outcome Accept(OPENFILENAMEA* o, bool save, const std::string& folder, std::string typed, DWORD filter, HWND owner,
               const char* caption) {
    while (!typed.empty() && typed.back() == ' ') typed.pop_back();
    if (typed.empty()) return Outcome::kRefused;
    std::string path = IsAbsolute(typed) ? typed : Join(folder, typed);
    size_t sep = LastSep(path);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    std::string ext = DefExt(o->lpstrDefExt);
    if (!ext.empty() && name.find('.') == std::string::npos && !IsDir(path)) {
        path += "." + ext;
        name += "." + ext;
    }
    if (name.empty() || IsDir(path)) return Outcome::kRefused;
    std::string dir = sep == std::string::npos ? folder : path.substr(0, sep);
    DWORD f = o->Flags;
    bool exists = Exists(path);
    if ((f & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !dir.empty() && !IsDir(dir)) {
        if (!MustNotShow()) MessageBoxA(owner, (dir + kPathText).c_str(), caption, MB_OK | MB_ICONWARNING);
        return Outcome::kRefused;
    }
    if (!save && !exists) {
        if (f & OFN_FILEMUSTEXIST) {
            if (!MustNotShow()) MessageBoxA(owner, (path + kMissingText).c_str(), caption, MB_OK | MB_ICONWARNING);
            return Outcome::kRefused;
        }
        if ((f & OFN_CREATEPROMPT) && !Ask(owner, path + kCreateText, caption)) return Outcome::kRefused;
    }
    if (save && exists && (f & OFN_OVERWRITEPROMPT) && !Ask(owner, path + kExistsText, caption)) return Outcome::kRefused;
    if (save && !exists && (f & OFN_CREATEPROMPT) && !Ask(owner, path + kCreateText, caption)) return Outcome::kRefused;
    if (!o->lpstrFile || o->nMaxFile < path.size() + 1) {
        if (o->lpstrFile && o->nMaxFile >= 2) {
            WORD need = static_cast<WORD>(std::min<size_t>(path.size() + 1, 0xFFFF));
            std::memcpy(o->lpstrFile, &need, sizeof need);
        }
        SetDialogError(FNERR_BUFFERTOOSMALL);
        return Outcome::kTooSmall;
    }
    std::memcpy(o->lpstrFile, path.c_str(), path.size() + 1);
    size_t off = LastSep(path);
    o->nFileOffset = static_cast<WORD>(off == std::string::npos ? 0 : off + 1);
    size_t dot = name.rfind('.');
    o->nFileExtension = static_cast<WORD>(dot == std::string::npos ? 0 : o->nFileOffset + dot + 1);
    if (o->lpstrFileTitle && o->nMaxFileTitle > 0) {
        size_t n = std::min<size_t>(name.size(), o->nMaxFileTitle - 1);
        std::memcpy(o->lpstrFileTitle, name.data(), n);
        o->lpstrFileTitle[n] = 0;
    }
    if (filter) o->nFilterIndex = filter;
    if (!ext.empty()) {
        std::string got = dot == std::string::npos ? "" : name.substr(dot + 1);
        if (lstrcmpiA(got.c_str(), ext.c_str()) != 0) o->Flags |= OFN_EXTENSIONDIFFERENT;
    }
    return Outcome::kDone;
}

// Whether a name matches one of the ";"-separated patterns (case-insensitive).
bool MatchOne(const char* p, const char* s) {
    for (; *p; ++p) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (!*p) return true;
            for (; *s; ++s)
                if (MatchOne(p, s)) return true;
            return false;
        }
        if (!*s) return false;
        if (*p != '?' && std::tolower(static_cast<unsigned char>(*p)) != std::tolower(static_cast<unsigned char>(*s)))
            return false;
        ++s;
    }
    return !*s;
}

bool Matches(const std::string& patterns, const std::string& name) {
    size_t a = 0;
    while (a <= patterns.size()) {
        size_t b = patterns.find(';', a);
        std::string p = patterns.substr(a, b == std::string::npos ? std::string::npos : b - a);
        while (!p.empty() && p[0] == ' ') p.erase(0, 1);
        if (!p.empty() && (p == "*.*" ? true : MatchOne(p.c_str(), name.c_str()))) return true;
        if (b == std::string::npos) break;
        a = b + 1;
    }
    return false;
}

// ---- the window -----------------------------------------------------------------------------

enum { kIdList = 100, kIdName = 101, kIdFilter = 102, kIdFolder = 103 };

struct FileUi {
    OPENFILENAMEA* o;
    bool save;
    std::string folder;
    std::vector<Filter> filters;
    std::vector<std::pair<std::string, bool>> entries;  // name, is folder
    HWND list = 0, name = 0, filter = 0, folder_label = 0;
    std::string caption;
    Outcome result = Outcome::kRefused;
};

void Fill(FileUi& u) {
    u.entries.clear();
    SendMessageA(u.list, CB_RESETCONTENT, 0, 0);
    SetWindowTextA(u.folder_label, u.folder.c_str());
    int fi = static_cast<int>(SendMessageA(u.filter, CB_GETCURSEL, 0, 0));
    std::string pat = fi >= 0 && fi < static_cast<int>(u.filters.size()) ? u.filters[static_cast<size_t>(fi)].pattern : "*.*";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(Join(u.folder, "*").c_str(), &fd);
    std::vector<std::pair<std::string, bool>> dirs, files;
    if (h != INVALID_HANDLE_VALUE) {
        int guard = 0;
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == ".." || (!n.empty() && n[0] == '.')) continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) dirs.push_back({n, true});
            else if (Matches(pat, n)) files.push_back({n, false});
        } while (++guard < 20000 && FindNextFileA(h, &fd));
        FindClose(h);
    }
    auto by_name = [](const auto& a, const auto& b) { return lstrcmpiA(a.first.c_str(), b.first.c_str()) < 0; };
    std::sort(dirs.begin(), dirs.end(), by_name);
    std::sort(files.begin(), files.end(), by_name);
    if (u.folder.size() > 1) u.entries.push_back({"..", true});
    u.entries.insert(u.entries.end(), dirs.begin(), dirs.end());
    u.entries.insert(u.entries.end(), files.begin(), files.end());
    for (auto& e : u.entries) {
        std::string shown = e.second ? "[" + e.first + "]" : e.first;
        SendMessageA(u.list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
}

void Open(FileUi& u, int i) {
    if (i < 0 || i >= static_cast<int>(u.entries.size())) return;
    auto& e = u.entries[static_cast<size_t>(i)];
    if (!e.second) return;
    if (e.first == "..") {
        size_t s = LastSep(u.folder.size() > 1 && (u.folder.back() == '\\') ? u.folder.substr(0, u.folder.size() - 1) : u.folder);
        u.folder = s == std::string::npos || s == 0 ? std::string("\\") : u.folder.substr(0, s);
    } else {
        u.folder = Join(u.folder, e.first);
    }
    Fill(u);
}

bool Confirm(FileUi& u, HWND dlg) {
    char buf[MAX_PATH * 2] = "";
    GetWindowTextA(u.name, buf, sizeof buf);
    std::string typed = buf;
    std::string full = IsAbsolute(typed) ? typed : Join(u.folder, typed);
    if (!typed.empty() && IsDir(full)) {  // a typed folder name opens the folder
        u.folder = full;
        SetWindowTextA(u.name, "");
        Fill(u);
        return false;
    }
    int fi = static_cast<int>(SendMessageA(u.filter, CB_GETCURSEL, 0, 0));
    u.result = Accept(u.o, u.save, u.folder, typed, fi >= 0 ? static_cast<DWORD>(fi + 1) : 0, dlg, u.caption.c_str());
    return u.result != Outcome::kRefused;
}

LRESULT FileCommand(ModalWindow& m, int id, int code) {
    auto& u = *static_cast<FileUi*>(m.data);
    if (id == kIdList && (code == CBN_SELCHANGE || code == CBN_DBLCLK)) {
        int i = static_cast<int>(SendMessageA(u.list, CB_GETCURSEL, 0, 0));
        if (i < 0 || i >= static_cast<int>(u.entries.size())) return 0;
        if (u.entries[static_cast<size_t>(i)].second) {
            if (code == CBN_DBLCLK) Open(u, i);
        } else {
            SetWindowTextA(u.name, u.entries[static_cast<size_t>(i)].first.c_str());
            if (code == CBN_DBLCLK && Confirm(u, m.hwnd)) m.End(true);
        }
    } else if (id == kIdFilter && code == CBN_SELCHANGE) {
        Fill(u);
    } else if (id == IDOK) {
        if (Confirm(u, m.hwnd)) m.End(true);
    } else if (id == IDCANCEL) {
        m.End(false);
    }
    return 0;
}

BOOL Run(OPENFILENAMEA* o, bool save) {
    SetDialogError(0);
    if (!o || o->lStructSize < offsetof(OPENFILENAMEA, pvReserved)) {
        SetDialogError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    const char* caption = o->lpstrTitle ? o->lpstrTitle : save ? "\xc1\xed\xb4\xe6\xce\xaa" : "\xb4\xf2\xbf\xaa";  // 另存为 / 打开
    std::vector<Filter> filters = ParseFilters(o->lpstrFilter);
    std::string folder = o->lpstrInitialDir && *o->lpstrInitialDir && IsDir(o->lpstrInitialDir) ? o->lpstrInitialDir : "";
    std::string initial = o->lpstrFile ? std::string(o->lpstrFile, strnlen(o->lpstrFile, o->nMaxFile)) : "";
    if (folder.empty() && IsAbsolute(initial)) {
        size_t s = LastSep(initial);
        if (s != std::string::npos && IsDir(initial.substr(0, s))) folder = initial.substr(0, s);
    }
    if (folder.empty()) folder = CurrentDir();
    DWORD start_filter = filters.empty() ? 0 : std::clamp<DWORD>(o->nFilterIndex, 1, static_cast<DWORD>(filters.size()));
    std::string desc = std::string("kind=") + (save ? "save" : "open") + "\ntitle=" + caption + "\nfolder=" + folder +
                       "\nfile=" + initial + "\n";
    for (auto& f : filters) desc += "filter=" + f.name + "=" + f.pattern + "\n";
    desc += "filter_index=" + std::to_string(start_filter) + "\n";
    Record(desc);
    // Answers first: they stand in for a user at the dialog.
    while (auto a = TakeAnswer()) {
        if (a->kind != Answer::kFile) return FALSE;
        DWORD fi = a->filter_index && a->filter_index <= filters.size() ? a->filter_index : start_filter;
        OPENFILENAMEA copy = *o;
        Outcome r = Accept(&copy, save, folder, a->path, fi, o->hwndOwner, caption);
        if (r == Outcome::kRefused) continue;
        if (r == Outcome::kTooSmall) return FALSE;
        *o = copy;
        return TRUE;
    }
    if (MustNotShow()) return FALSE;

    FileUi u{o, save, folder, filters, {}, 0, 0, 0, 0, caption, Outcome::kRefused};
    ModalWindow m(o->hwndOwner, caption, 460, 330, FileCommand, &u);
    if (!m.hwnd) {
        SetDialogError(CDERR_INITIALIZATION);
        return FALSE;
    }
    u.folder_label = m.Control(kLabelClass, folder.c_str(), 0, 10, 8, 430, 18, kIdFolder);
    u.list = m.Control("COMBOBOX", "", CBS_SIMPLE | WS_VSCROLL | WS_TABSTOP, 10, 30, 430, 190, kIdList);
    m.Control(kLabelClass, "\xce\xc4\xbc\xfe\xc3\xfb:", 0, 10, 232, 80, 20, 0);  // 文件名:
    std::string shown_name = initial.substr(LastSep(initial) == std::string::npos ? 0 : LastSep(initial) + 1);
    u.name = m.Control("EDIT", shown_name.c_str(), WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 90, 230, 250, 22, kIdName);
    m.Control(kLabelClass, "\xc0\xe0\xd0\xcd:", 0, 10, 264, 80, 20, 0);  // 类型:
    u.filter = m.Control("COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP, 90, 262, 250, 160, kIdFilter);
    for (auto& f : filters) SendMessageA(u.filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.name.c_str()));
    if (start_filter) SendMessageA(u.filter, CB_SETCURSEL, start_filter - 1, 0);
    m.Control("BUTTON", save ? "\xb1\xa3\xb4\xe6" : "\xb4\xf2\xbf\xaa", BS_DEFPUSHBUTTON | WS_TABSTOP, 355, 229, 85, 25, IDOK);
    m.Control("BUTTON", "\xc8\xa1\xcf\xfb", BS_PUSHBUTTON | WS_TABSTOP, 355, 261, 85, 25, IDCANCEL);
    Fill(u);
    SetFocus(u.name);
    bool ok = m.Run();
    if (!ok) return FALSE;
    return u.result == Outcome::kDone;
}

}  // namespace
}  // namespace platform::comdlg

WINEXPORT BOOL GetOpenFileNameA(LPOPENFILENAMEA o) { return platform::comdlg::Run(o, false); }
WINEXPORT BOOL GetSaveFileNameA(LPOPENFILENAMEA o) { return platform::comdlg::Run(o, true); }
