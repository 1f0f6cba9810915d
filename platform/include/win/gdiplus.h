// The image-size functions of GDI+ (gdiplus): start-up and shutdown, loading
// an image from a file or a stream, its width and height, disposal.
//
// An image is measured when it is loaded: the picture's own headers are read
// and checked (up to where its pixel data begins; an uncompressed bitmap's
// pixel rows must all be present) and only the size is kept. Pixels are
// never decoded here. Formats: PNG, JPEG, GIF (logical screen size), BMP and
// ICO (first image).
//
// GpImage* is pointer-sized as in the Windows declarations, but it carries a
// 32-bit image handle (HandleKind::GdiplusImage) zero-extended, not an
// address; callers only pass it back. A disposed or stale image is refused
// with InvalidParameter. Out-parameters of pointer type (GpImage**, ULONG_PTR*)
// are written with all 8 bytes.
//
// Status values as on Windows. Every function but GdiplusStartup returns
// GdiplusNotInitialized while no start-up is in effect. A file or stream that
// is not a picture we can measure gives OutOfMemory, the status GDI+ gives
// for undecodable data, so callers that test "!= Ok" see the same as there.
// The last GdiplusShutdown disposes of every image still loaded.
#pragma once

#include "win/ole.h"
#include "win/types.h"

namespace Gdiplus {

enum Status : int32_t {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
    ProfileNotFound = 21,
};

enum DebugEventLevel : int32_t {
    DebugEventLevelFatal = 0,
    DebugEventLevelWarning = 1,
};

typedef void (*DebugEventProc)(DebugEventLevel level, CHAR* message);
typedef Status (*NotificationHookProc)(ULONG_PTR* token);
typedef void (*NotificationUnhookProc)(ULONG_PTR token);

// 24 bytes on 64-bit: the callback pointer is 8-aligned after the version.
struct GdiplusStartupInput {
    UINT GdiplusVersion;  // 1 (2 is accepted too)
    DebugEventProc DebugEventCallback;  // kept, never called: no debug events are raised
    BOOL SuppressBackgroundThread;  // TRUE requires an output structure for the hooks
    BOOL SuppressExternalCodecs;
};

// With SuppressBackgroundThread the caller gets the hook pair it would call
// from its own message loop; there is no background thread to replace, so
// both do nothing (the hook returns Ok and a token). Without it both are NULL.
struct GdiplusStartupOutput {
    NotificationHookProc NotificationHook;
    NotificationUnhookProc NotificationUnhook;
};

}  // namespace Gdiplus

typedef Gdiplus::Status GpStatus;
struct GpImage;  // opaque: a pointer-sized carrier of an image handle

static_assert(sizeof(Gdiplus::GdiplusStartupInput) == 24, "64-bit layout");
static_assert(sizeof(Gdiplus::GdiplusStartupOutput) == 16, "64-bit layout");

// Reference-counted start-up: each successful call hands out a distinct
// non-zero token. InvalidParameter for a NULL token or input, or suppressed
// background thread without output; UnsupportedGdiplusVersion for a version
// other than 1 or 2.
WINEXPORT GpStatus GdiplusStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                                  Gdiplus::GdiplusStartupOutput* output);
// Ends the start-up the token came from; an unknown token is ignored.
WINEXPORT void GdiplusShutdown(ULONG_PTR token);

// filename: NUL-terminated UTF-16, a Windows-style path (either separator,
// drive letter dropped) mapped to the file system as the kernel's paths are.
// *image is set (NULL on failure) whenever image is not NULL. Failures:
// InvalidParameter (NULL argument, empty or malformed name), FileNotFound,
// AccessDenied (also a folder or other non-file), Win32Error (a read error),
// OutOfMemory (not a picture).
WINEXPORT GpStatus GdipLoadImageFromFile(const WCHAR* filename, GpImage** image);
// stream: a stream from CreateStreamOnHGlobal (any other pointer, or a
// released stream, is InvalidParameter). The picture is read from the
// stream's position to its end; the position is left unchanged, and the image
// does not keep the stream: releasing it and freeing its block afterwards
// leaves the image's size readable.
WINEXPORT GpStatus GdipLoadImageFromStream(IStream* stream, GpImage** image);
// The size in pixels. *width / *height is written only on Ok.
WINEXPORT GpStatus GdipGetImageWidth(GpImage* image, UINT* width);
WINEXPORT GpStatus GdipGetImageHeight(GpImage* image, UINT* height);
// InvalidParameter for NULL, a disposed image or any other value.
WINEXPORT GpStatus GdipDisposeImage(GpImage* image);
