// Drawing: device contexts, GDI objects, text, bitmaps and regions.
//
// Everything draws on cairo image surfaces; text goes through pango. Values of
// constants and layouts of structures are those of Windows, so code written
// against the Windows headers reads the same here.
#pragma once

#include "win/types.h"

// ---- structures ---------------------------------------------------------------
#define LF_FACESIZE 32

#pragma pack(push, 1)
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];  // GBK
};
#pragma pack(pop)
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA is 60 bytes");
typedef LOGFONTA* LPLOGFONTA;

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
typedef TEXTMETRICA* LPTEXTMETRICA;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // negative: rows top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
typedef BITMAPINFO* LPBITMAPINFO;

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 bytes");

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};

struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};

// ---- constants ----------------------------------------------------------------
// stock objects
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// object types (GetObjectType)
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_MEMDC 10

// pens
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_STYLE_MASK 0x0000000F

// brushes
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define BS_DIBPATTERN 5
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// background modes
#define TRANSPARENT 1
#define OPAQUE 2

// fonts
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define GB2312_CHARSET 134
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

// text alignment
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// ExtTextOut
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// raster operations
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// binary raster operations (SetROP2)
#define R2_BLACK 1
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_COPYPEN 13
#define R2_WHITE 16

// stretch modes
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_DELETESCANS COLORONCOLOR

// DIBs
#define BI_RGB 0u
#define BI_RLE8 1u
#define BI_RLE4 2u
#define BI_BITFIELDS 3u
#define DIB_RGB_COLORS 0u
#define DIB_PAL_COLORS 1u
#define CBM_INIT 0x04u

// regions
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5
#define ALTERNATE 1
#define WINDING 2

// GetDeviceCaps
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define RC_BITBLT 1
#define RC_STRETCHBLT 0x0800
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100

#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR ((HGDIOBJ)0xFFFFFFFFu)

// mapping modes (only MM_TEXT is kept)
#define MM_TEXT 1

// DrawIconEx
#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_COMPAT 0x0004
#define DI_DEFAULTSIZE 0x0008

// CreateIconFromResourceEx
#define LR_DEFAULTCOLOR 0x0000
#define LR_MONOCHROME 0x0001
#define LR_DEFAULTSIZE 0x0040
#define LR_SHARED 0x8000

// ---- device contexts ------------------------------------------------------------
// HDC 0 passed to CreateCompatibleDC/CreateCompatibleBitmap means the screen.
WINEXPORT HDC CreateCompatibleDC(HDC hdc);
WINEXPORT HDC CreateDCA(LPCSTR pwszDriver, LPCSTR pwszDevice, LPCSTR pszPort, const void* pdm);
WINEXPORT BOOL DeleteDC(HDC hdc);
WINEXPORT int SaveDC(HDC hdc);
WINEXPORT BOOL RestoreDC(HDC hdc, int nSavedDC);
WINEXPORT HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
WINEXPORT HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
WINEXPORT int GetDeviceCaps(HDC hdc, int index);
WINEXPORT COLORREF SetTextColor(HDC hdc, COLORREF color);
WINEXPORT COLORREF GetTextColor(HDC hdc);
WINEXPORT COLORREF SetBkColor(HDC hdc, COLORREF color);
WINEXPORT COLORREF GetBkColor(HDC hdc);
WINEXPORT int SetBkMode(HDC hdc, int mode);
WINEXPORT int GetBkMode(HDC hdc);
WINEXPORT int SetROP2(HDC hdc, int rop2);
WINEXPORT int GetROP2(HDC hdc);
WINEXPORT int SetStretchBltMode(HDC hdc, int mode);
WINEXPORT int GetStretchBltMode(HDC hdc);
WINEXPORT UINT SetTextAlign(HDC hdc, UINT align);
WINEXPORT UINT GetTextAlign(HDC hdc);
WINEXPORT COLORREF SetDCBrushColor(HDC hdc, COLORREF color);
WINEXPORT COLORREF SetDCPenColor(HDC hdc, COLORREF color);
WINEXPORT int SetMapMode(HDC hdc, int mode);
WINEXPORT BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old);
WINEXPORT BOOL GetViewportOrgEx(HDC hdc, LPPOINT pt);
WINEXPORT BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT old);
WINEXPORT BOOL GetWindowOrgEx(HDC hdc, LPPOINT pt);
WINEXPORT BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT old);
WINEXPORT BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT old);
WINEXPORT BOOL GdiFlush(void);

// ---- objects ------------------------------------------------------------------
WINEXPORT HGDIOBJ GetStockObject(int i);
WINEXPORT BOOL DeleteObject(HGDIOBJ h);
WINEXPORT int GetObjectA(HGDIOBJ h, int c, LPVOID pv);
WINEXPORT DWORD GetObjectType(HGDIOBJ h);
WINEXPORT HPEN CreatePen(int style, int width, COLORREF color);
WINEXPORT HPEN CreatePenIndirect(const LOGPEN* plpen);
WINEXPORT HBRUSH CreateSolidBrush(COLORREF color);
WINEXPORT HBRUSH CreateHatchBrush(int style, COLORREF color);
WINEXPORT HBRUSH CreatePatternBrush(HBITMAP hbm);
WINEXPORT HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush);
WINEXPORT HFONT CreateFontIndirectA(const LOGFONTA* lplf);
WINEXPORT HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                            DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                            DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName);

// ---- text -----------------------------------------------------------------------
// Strings are GBK; c counts bytes.
WINEXPORT BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c);
WINEXPORT BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                           const INT* lpDx);
WINEXPORT BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl);
WINEXPORT BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm);
WINEXPORT int GetTextFaceA(HDC hdc, int c, LPSTR lpName);

// ---- drawing --------------------------------------------------------------------
WINEXPORT BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
WINEXPORT BOOL LineTo(HDC hdc, int x, int y);
WINEXPORT BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
WINEXPORT BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
WINEXPORT BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
WINEXPORT BOOL Polygon(HDC hdc, const POINT* apt, int cpt);
WINEXPORT BOOL Polyline(HDC hdc, const POINT* apt, int cpt);
WINEXPORT COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
WINEXPORT COLORREF GetPixel(HDC hdc, int x, int y);
WINEXPORT BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);

// ---- bitmaps --------------------------------------------------------------------
WINEXPORT HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
WINEXPORT HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
WINEXPORT HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                                   DWORD offset);
WINEXPORT HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const void* pjBits,
                                 const BITMAPINFO* pbmi, UINT iUsage);
WINEXPORT int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                        UINT usage);
WINEXPORT int SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi,
                        UINT ColorUse);
WINEXPORT int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                                UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse);
WINEXPORT int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                            int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage,
                            DWORD rop);
WINEXPORT BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
WINEXPORT BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                          int wSrc, int hSrc, DWORD rop);
WINEXPORT BOOL GetBitmapDimensionEx(HBITMAP hbit, LPSIZE lpsize);

// ---- regions --------------------------------------------------------------------
WINEXPORT HRGN CreateRectRgn(int x1, int y1, int x2, int y2);
WINEXPORT HRGN CreateRectRgnIndirect(const RECT* lprect);
WINEXPORT HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2);
WINEXPORT HRGN CreateEllipticRgnIndirect(const RECT* lprect);
WINEXPORT HRGN CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h);
WINEXPORT HRGN CreatePolygonRgn(const POINT* pptl, int cPoint, int iMode);
WINEXPORT int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
WINEXPORT BOOL SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom);
WINEXPORT int OffsetRgn(HRGN hrgn, int x, int y);
WINEXPORT int GetRgnBox(HRGN hrgn, LPRECT lprc);
WINEXPORT BOOL PtInRegion(HRGN hrgn, int x, int y);
WINEXPORT BOOL RectInRegion(HRGN hrgn, const RECT* lprect);
WINEXPORT BOOL EqualRgn(HRGN hrgn1, HRGN hrgn2);
WINEXPORT BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr);
WINEXPORT BOOL FrameRgn(HDC hdc, HRGN hrgn, HBRUSH hbr, int w, int h);
WINEXPORT BOOL PaintRgn(HDC hdc, HRGN hrgn);
WINEXPORT BOOL InvertRgn(HDC hdc, HRGN hrgn);
WINEXPORT int SelectClipRgn(HDC hdc, HRGN hrgn);
WINEXPORT int ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode);
WINEXPORT int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
WINEXPORT int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
WINEXPORT int OffsetClipRgn(HDC hdc, int x, int y);
WINEXPORT int GetClipBox(HDC hdc, LPRECT lprect);
WINEXPORT int GetClipRgn(HDC hdc, HRGN hrgn);
WINEXPORT BOOL PtVisible(HDC hdc, int x, int y);
WINEXPORT BOOL RectVisible(HDC hdc, const RECT* lprect);

// ---- palettes (kept as tables; every surface is true colour) ----------------------
WINEXPORT HPALETTE CreatePalette(const LOGPALETTE* plpal);
WINEXPORT HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd);
WINEXPORT UINT RealizePalette(HDC hdc);
WINEXPORT UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries);
WINEXPORT UINT GetNearestPaletteIndex(HPALETTE h, COLORREF color);
WINEXPORT COLORREF GetNearestColor(HDC hdc, COLORREF color);

// ---- icons and cursors ------------------------------------------------------------
WINEXPORT HICON CreateIconFromResourceEx(const BYTE* presbits, DWORD dwResSize, BOOL fIcon, DWORD dwVer, int cxDesired,
                                         int cyDesired, UINT Flags);
WINEXPORT HICON CreateIconFromResource(const BYTE* presbits, DWORD dwResSize, BOOL fIcon, DWORD dwVer);
WINEXPORT HICON CreateIconIndirect(const ICONINFO* piconinfo);
WINEXPORT BOOL GetIconInfo(HICON hIcon, ICONINFO* piconinfo);
WINEXPORT HICON CopyIcon(HICON hIcon);
WINEXPORT BOOL DestroyIcon(HICON hIcon);
WINEXPORT BOOL DestroyCursor(HCURSOR hCursor);
WINEXPORT BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
WINEXPORT BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT istepIfAniCur,
                          HBRUSH hbrFlickerFreeDraw, UINT diFlags);
