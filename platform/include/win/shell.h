// Shell path helpers (shlwapi), folder creation (dbghelp) and the shell's
// special-folder lookup. Paths are GBK, mapped as described in win/kernel.h.
#pragma once

#include "win/types.h"

// TRUE when the file or folder exists.
WINEXPORT BOOL PathFileExistsA(LPCSTR pszPath);
// FILE_ATTRIBUTE_DIRECTORY (16) for a folder, FALSE otherwise.
WINEXPORT BOOL PathIsDirectoryA(LPCSTR pszPath);
// Creates every missing folder of the path up to its last separator; the
// part after the last separator is a file name and is not created (so
// "\a\b\" creates a and b, "\a\b" only a). TRUE when all exist afterwards.
WINEXPORT BOOL MakeSureDirectoryPathExists(LPCSTR DirPath);

#define CSIDL_DESKTOP 0x0000
#define CSIDL_PROGRAMS 0x0002
#define CSIDL_PERSONAL 0x0005
#define CSIDL_FAVORITES 0x0006
#define CSIDL_STARTUP 0x0007
#define CSIDL_STARTMENU 0x000b
#define CSIDL_DESKTOPDIRECTORY 0x0010
#define CSIDL_FONTS 0x0014
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_FLAG_CREATE 0x8000

// Special folders on XDG: desktop from XDG_DESKTOP_DIR (user-dirs.dirs) or
// ~/Desktop, documents from XDG_DOCUMENTS_DIR or ~/Documents, application
// data from XDG_DATA_HOME or ~/.local/share, fonts ~/.local/share/fonts, the
// start-menu family ~/.local/share/applications, favourites and start-up
// folders under ~/.local/share. The path is written in Windows form without a
// trailing separator into a MAX_PATH buffer. fCreate creates a missing folder;
// otherwise a missing folder still yields its path (TRUE) as long as the
// home folder is known.
WINEXPORT BOOL SHGetSpecialFolderPathA(HWND hwnd, LPSTR pszPath, int csidl, BOOL fCreate);
