// Umbrella header: the platform's Win32 stand-in, as one include.
// Each area's header is picked up once it exists.
#pragma once

#include "win/types.h"

#if __has_include("win/kernel.h")
#include "win/kernel.h"
#endif
#if __has_include("win/msgbox.h")
#include "win/msgbox.h"
#endif
#if __has_include("win/shell.h")
#include "win/shell.h"
#endif
#if __has_include("win/user.h")
#include "win/user.h"
#endif
#if __has_include("win/messages.h")
#include "win/messages.h"
#endif
#if __has_include("win/gdi.h")
#include "win/gdi.h"
#endif
#if __has_include("win/controls.h")
#include "win/controls.h"
#endif
#if __has_include("win/commctrl.h")
#include "win/commctrl.h"
#endif
#if __has_include("win/comdlg.h")
#include "win/comdlg.h"
#endif
#if __has_include("win/inet.h")
#include "win/inet.h"
#endif
#if __has_include("win/wininet.h")
#include "win/wininet.h"
#endif
#if __has_include("win/gdiplus.h")
#include "win/gdiplus.h"
#endif
#if __has_include("win/imaging.h")
#include "win/imaging.h"
#endif
#if __has_include("win/ole.h")
#include "win/ole.h"
#endif
#if __has_include("win/backend.h")
#include "win/backend.h"
#endif
#if __has_include("win/comctl.h")
#include "win/comctl.h"
#endif
#if __has_include("win/ole2.h")
#include "win/ole2.h"
#endif
#if __has_include("win/objidl.h")
#include "win/objidl.h"
#endif
#if __has_include("win/dlgs.h")
#include "win/dlgs.h"
#endif
#if __has_include("win/menu.h")
#include "win/menu.h"
#endif
#if __has_include("win/testhooks.h")
#include "win/testhooks.h"
#endif
