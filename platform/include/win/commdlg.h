// Common dialogs: open/save file, colour and font, as our own modal windows.
// Tests and the automation path answer them without drawing (see the
// SigTestAnswer* functions at the end).
#pragma once

#include "win/gdi.h"
#include "win/types.h"
#include "win/user.h"

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPCCHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPCFHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;  // pairs "description\0pattern\0", ended by "\0\0"
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;  // 1-based; 0 = the custom filter
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEA, *LPOPENFILENAMEA;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOTESTFILECREATE 0x00010000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLESIZING 0x00800000
#define OFN_DONTADDTORECENT 0x02000000
#define OFN_FORCESHOWHIDDEN 0x10000000

typedef struct tagCHOOSECOLORA {
    DWORD lStructSize;
    HWND hwndOwner;
    HWND hInstance;
    COLORREF rgbResult;
    COLORREF* lpCustColors;  // 16 entries
    DWORD Flags;
    LPARAM lCustData;
    LPCCHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
} CHOOSECOLORA, *LPCHOOSECOLORA;

#define CC_RGBINIT 0x00000001
#define CC_FULLOPEN 0x00000002
#define CC_PREVENTFULLOPEN 0x00000004
#define CC_SHOWHELP 0x00000008
#define CC_ENABLEHOOK 0x00000010
#define CC_SOLIDCOLOR 0x00000080
#define CC_ANYCOLOR 0x00000100

typedef struct tagCHOOSEFONTA {
    DWORD lStructSize;
    HWND hwndOwner;
    HDC hDC;
    LPLOGFONTA lpLogFont;
    INT iPointSize;  // tenths of a point
    DWORD Flags;
    COLORREF rgbColors;
    LPARAM lCustData;
    LPCFHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    HINSTANCE hInstance;
    LPSTR lpszStyle;
    WORD nFontType;
    WORD ___MISSING_ALIGNMENT__;
    INT nSizeMin;
    INT nSizeMax;
} CHOOSEFONTA, *LPCHOOSEFONTA;

#define CF_SCREENFONTS 0x00000001
#define CF_PRINTERFONTS 0x00000002
#define CF_BOTH (CF_SCREENFONTS | CF_PRINTERFONTS)
#define CF_SHOWHELP 0x00000004
#define CF_ENABLEHOOK 0x00000008
#define CF_INITTOLOGFONTSTRUCT 0x00000040
#define CF_USESTYLE 0x00000080
#define CF_EFFECTS 0x00000100
#define CF_LIMITSIZE 0x00002000
#define CF_NOSCRIPTSEL 0x00800000

#define BOLD_FONTTYPE 0x0100
#define ITALIC_FONTTYPE 0x0200
#define REGULAR_FONTTYPE 0x0400
#define SCREEN_FONTTYPE 0x2000

// CommDlgExtendedError values
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

WINEXPORT BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
WINEXPORT BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
WINEXPORT BOOL ChooseColorA(LPCHOOSECOLORA cc);
WINEXPORT BOOL ChooseFontA(LPCHOOSEFONTA cf);
WINEXPORT DWORD CommDlgExtendedError(void);

// ---- answering dialogs without drawing ------------------------------------------------------
// Each call queues one answer; the next common dialog takes the first answer
// in the queue instead of showing itself (on any backend). With the queue
// empty, a dialog in the headless backend is cancelled at once.
//
// A file dialog takes the path (GBK; relative paths are taken from the
// dialog's folder) as if typed into its file-name box and confirmed with the
// filter `filter_index` (1-based; 0 keeps the dialog's own). If the dialog
// refuses it (a file that must exist, an overwrite or create question
// answered "no"), the dialog takes the next answer, or is cancelled.
WINEXPORT BOOL SigTestAnswerFileDialog(LPCSTR path, DWORD filter_index);
WINEXPORT BOOL SigTestAnswerColorDialog(COLORREF colour);
// size_points: the size in points; colour: the effects colour.
WINEXPORT BOOL SigTestAnswerFontDialog(LPCSTR face, int size_points, BOOL bold, BOOL italic, BOOL underline,
                                       BOOL strikeout, COLORREF colour);
// The next dialog is cancelled.
WINEXPORT BOOL SigTestAnswerCancel(void);
// Answers to the yes/no questions a dialog asks (overwrite, create); without
// one, a question counts as "no".
WINEXPORT BOOL SigTestAnswerQuestion(BOOL yes);
// Forgets every queued answer.
WINEXPORT void SigTestClearDialogAnswers(void);
// What the last common dialog showed, one "key=value" per line (GBK): kind,
// title, folder, file, filters (description=pattern, one line each, in
// order), filter_index, questions asked. Returns the length; 0 if none yet.
WINEXPORT int SigTestLastDialog(LPSTR buf, int size);
