// Kernel functions of the platform: files and paths, profile (INI) files,
// code pages, modules, heap, global memory, time, threads and locks.
//
// Every function carries its Win32 name, meaning and parameter count. DLL
// commands call them through a generic pointer-width signature, so every
// parameter is an integer or a pointer (32 or 64 bit) and never a structure
// passed by value.
//
// Texts are GBK (code page 936) unless a function says otherwise.
//
// Paths. Every path argument is a Windows-style GBK path and is mapped to a
// POSIX UTF-8 path before it reaches the file system:
//   - the text is converted from GBK to UTF-8 first, then every '\' becomes
//     '/' (so a GBK trail byte 0x5C is never taken for a separator);
//   - a drive prefix "X:" is dropped: "C:\a\b" and "\a\b" are both "/a/b";
//   - a relative path stays relative to the current directory.
// Paths returned (GetModuleFileNameA, GetCurrentDirectoryA, GetTempPathA,
// FindFirstFileA names, ...) are the reverse: UTF-8 converted to GBK, '/'
// turned into '\', no drive letter. Splitting GetModuleFileNameA's result at
// its last backslash therefore gives the program folder and the file name.
// Bytes that do not convert become '?'.
#pragma once

#include "win/msgbox.h"
#include "win/types.h"

// ---- errors -----------------------------------------------------------------
#define ERROR_SUCCESS 0u
#define ERROR_INVALID_FUNCTION 1u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_OUTOFMEMORY 14u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_WRITE_FAULT 29u
#define ERROR_READ_FAULT 30u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_HANDLE_EOF 38u
#define ERROR_NOT_SUPPORTED 50u
#define ERROR_FILE_EXISTS 80u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_DISK_FULL 112u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_ENVVAR_NOT_FOUND 203u
#define ERROR_MORE_DATA 234u
#define ERROR_NO_UNICODE_TRANSLATION 1113u
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu

WINEXPORT DWORD GetLastError(void);
WINEXPORT void SetLastError(DWORD dwErrCode);

// ---- modules ----------------------------------------------------------------
// Module handles are 32-bit values from the platform's module table; the
// platform library itself (reached through the system DLL names beside the
// executable) is one of them.
//
// LoadLibraryA: ".dll" is appended when the file name has no extension; a name
// with a folder is mapped like any path; the file name is matched
// case-insensitively within its folder. A bare name is looked for in the
// current directory, then the program folder (the executable's folder); a
// bare name found nowhere fails (returns 0, ERROR_MOD_NOT_FOUND). Loading the
// same file again returns the same handle and raises its reference count.
//
// GetProcAddress: lpProcName below 65536 is an ordinal, looked up in the
// library's table of SigExportOrdinal entries (below); any other value is an
// export name.
WINEXPORT HMODULE LoadLibraryA(LPCSTR lpLibFileName);
WINEXPORT BOOL FreeLibrary(HMODULE hLibModule);
WINEXPORT FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// NULL gives the handle of the executable ("the program"); a name gives the
// handle of an already loaded library (no reference taken) or 0.
WINEXPORT HMODULE GetModuleHandleA(LPCSTR lpModuleName);
// Module 0 or the executable's handle: the executable's path in Windows form.
// A library handle: that library's path. Truncates to nSize - 1 characters
// plus NUL and returns nSize with ERROR_INSUFFICIENT_BUFFER when it does not fit.
WINEXPORT DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

// A library maps export ordinals to names with a table it exports:
//   extern "C" const SigExportOrdinal sig_export_ordinals[];
//   extern "C" const uint32_t sig_export_ordinal_count;
struct SigExportOrdinal {
    uint32_t ordinal;
    const char* name;
};
#define SIG_EXPORT_ORDINALS_SYMBOL "sig_export_ordinals"
#define SIG_EXPORT_ORDINAL_COUNT_SYMBOL "sig_export_ordinal_count"

// ---- process, time, threads -------------------------------------------------
WINEXPORT DWORD GetTickCount(void);
WINEXPORT ULONGLONG GetTickCount64(void);
WINEXPORT void Sleep(DWORD dwMilliseconds);
WINEXPORT DWORD GetCurrentThreadId(void);
WINEXPORT DWORD GetCurrentProcessId(void);
WINEXPORT void ExitProcess(UINT uExitCode);
WINEXPORT int MulDiv(int nNumber, int nNumerator, int nDenominator);

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
typedef SYSTEMTIME* LPSYSTEMTIME;
WINEXPORT void GetLocalTime(LPSYSTEMTIME lpSystemTime);
WINEXPORT void GetSystemTime(LPSYSTEMTIME lpSystemTime);

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

// Recursive lock, as on Windows. The storage holds the native mutex.
struct CRITICAL_SECTION {
    alignas(16) unsigned char opaque[64];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
WINEXPORT void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINEXPORT void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINEXPORT void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINEXPORT BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINEXPORT void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u
// Threads and events are waitable handles; CloseHandle releases the handle
// (a running thread keeps running, detached).
WINEXPORT HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                              LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                              DWORD dwCreationFlags, LPDWORD lpThreadId);
WINEXPORT DWORD ResumeThread(HANDLE hThread);
WINEXPORT BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
WINEXPORT HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                              LPCSTR lpName);
WINEXPORT BOOL SetEvent(HANDLE hEvent);
WINEXPORT BOOL ResetEvent(HANDLE hEvent);
// Threads (signalled when finished) and events. Returns WAIT_OBJECT_0,
// WAIT_TIMEOUT or WAIT_FAILED.
WINEXPORT DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

WINEXPORT LONG InterlockedIncrement(LONG volatile* Addend);
WINEXPORT LONG InterlockedDecrement(LONG volatile* Addend);
WINEXPORT LONG InterlockedExchange(LONG volatile* Target, LONG Value);

// ---- heap and global memory -------------------------------------------------
#define HEAP_NO_SERIALIZE 0x00000001u
#define HEAP_GENERATE_EXCEPTIONS 0x00000004u
#define HEAP_ZERO_MEMORY 0x00000008u
#define HEAP_REALLOC_IN_PLACE_ONLY 0x00000010u

// One process heap (a fixed non-zero handle). Blocks carry their size, so
// HeapSize answers exactly; HEAP_ZERO_MEMORY zeroes new bytes on HeapReAlloc
// too. HeapFree of NULL succeeds.
WINEXPORT HANDLE GetProcessHeap(void);
WINEXPORT LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
WINEXPORT LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes);
WINEXPORT BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
WINEXPORT SIZE_T HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem);

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// Global memory blocks are 32-bit handles (fixed or moveable alike);
// GlobalLock returns the block's address and counts locks. GlobalFree
// returns 0 on success and the handle on failure, as on Windows.
WINEXPORT HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
WINEXPORT HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
WINEXPORT LPVOID GlobalLock(HGLOBAL hMem);
WINEXPORT BOOL GlobalUnlock(HGLOBAL hMem);
WINEXPORT HGLOBAL GlobalFree(HGLOBAL hMem);
WINEXPORT SIZE_T GlobalSize(HGLOBAL hMem);
// LocalAlloc returns an address (LMEM_FIXED semantics for every flag).
WINEXPORT LPVOID LocalAlloc(UINT uFlags, SIZE_T uBytes);
WINEXPORT LPVOID LocalFree(LPVOID hMem);

WINEXPORT void RtlMoveMemory(void* Destination, const void* Source, SIZE_T Length);
WINEXPORT void RtlZeroMemory(void* Destination, SIZE_T Length);
WINEXPORT void RtlFillMemory(void* Destination, SIZE_T Length, int Fill);

// ---- strings ----------------------------------------------------------------
// NULL is treated as the empty text, as Windows does.
WINEXPORT int lstrlenA(LPCSTR lpString);
WINEXPORT LPSTR lstrcpyA(LPSTR lpString1, LPCSTR lpString2);
// Copies at most iMaxLength - 1 bytes and always terminates (when iMaxLength > 0).
WINEXPORT LPSTR lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);
WINEXPORT LPSTR lstrcatA(LPSTR lpString1, LPCSTR lpString2);
WINEXPORT int lstrcmpA(LPCSTR lpString1, LPCSTR lpString2);
// Folds ASCII letters only; both bytes of a GBK character compare exactly.
WINEXPORT int lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);

// ---- code pages -------------------------------------------------------------
#define CP_ACP 0u
#define CP_OEMCP 1u
#define CP_THREAD_ACP 3u
#define CP_GBK 936u
#define CP_UTF8 65001u
#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u
#define WC_NO_BEST_FIT_CHARS 0x00000400u
#define WC_ERR_INVALID_CHARS 0x00000080u

// Code pages 936 (also CP_ACP, CP_OEMCP and CP_THREAD_ACP: the program's
// code page is GBK) and 65001. cbMultiByte / cchWideChar of -1 means "up to
// and including the NUL". An output size of 0 asks for the needed size.
// Too small a buffer: 0 with ERROR_INSUFFICIENT_BUFFER (the buffer holds
// what fit). Invalid input becomes U+FFFD (65001) or '?'-like replacement
// characters, or fails with ERROR_NO_UNICODE_TRANSLATION under
// MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS. lpUsedDefaultChar is set when
// a character had no GBK form.
WINEXPORT int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                  LPWSTR lpWideCharStr, int cchWideChar);
WINEXPORT int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                  LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                  LPBOOL lpUsedDefaultChar);
WINEXPORT UINT GetACP(void);

// ---- folders ----------------------------------------------------------------
// Returns the length copied (without NUL), or the size needed (with NUL) when
// the buffer is too small, or 0 on failure.
WINEXPORT DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
WINEXPORT BOOL SetCurrentDirectoryA(LPCSTR lpPathName);
// $TMPDIR or /tmp, with a trailing backslash.
WINEXPORT DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
// Stand-ins: a folder under the user's data folder, created on first use.
WINEXPORT UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);
WINEXPORT UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
// Resolves "." and ".." and makes the path absolute against the current
// directory; *lpFilePart (when asked) points at the last component.
WINEXPORT DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart);

// ---- files ------------------------------------------------------------------
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_ALL 0x10000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;

// File handles are 32-bit handles on POSIX descriptors; failure returns
// INVALID_HANDLE_VALUE. Sharing modes are accepted and not enforced.
// Overlapped I/O is not supported (lpOverlapped must be NULL).
WINEXPORT HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                             LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                             DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
WINEXPORT BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                        LPOVERLAPPED lpOverlapped);
WINEXPORT BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                         LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
WINEXPORT BOOL FlushFileBuffers(HANDLE hFile);
WINEXPORT DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
WINEXPORT DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh, DWORD dwMoveMethod);
WINEXPORT BOOL SetEndOfFile(HANDLE hFile);
// Closes file, find, thread, event and global handles alike.
WINEXPORT BOOL CloseHandle(HANDLE hObject);
WINEXPORT BOOL DeleteFileA(LPCSTR lpFileName);
WINEXPORT BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
WINEXPORT BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
WINEXPORT BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
WINEXPORT BOOL RemoveDirectoryA(LPCSTR lpPathName);
// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL (| READONLY when the
// process cannot write it), or INVALID_FILE_ATTRIBUTES.
WINEXPORT DWORD GetFileAttributesA(LPCSTR lpFileName);
// The last component may hold the wildcards '*' and '?' (matched
// case-insensitively for ASCII letters); "." and ".." are listed as on Windows.
WINEXPORT HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
WINEXPORT BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
WINEXPORT BOOL FindClose(HANDLE hFindFile);

// ---- profile (INI) files ----------------------------------------------------
// Windows semantics: sections and keys compared case-insensitively (ASCII
// letters only; GBK characters compare exactly); blanks around keys and
// values dropped; the first of duplicate sections or keys wins on read; other
// lines and comments kept on write; the file is created on write and
// replaced atomically. A relative lpFileName is taken from the current
// directory (Windows would use its own folder).
//
// GetPrivateProfileStringA: copies the value (or lpDefault, trailing blanks
// dropped, or "" when NULL), truncated to nSize - 1 bytes plus NUL, and
// returns the bytes copied (nSize - 1 when cut). A NULL lpAppName lists the
// section names, a NULL lpKeyName the keys of the section: each name NUL-
// terminated, the list ended by one more NUL; when cut the last name is cut
// and the result is nSize - 2. Values are returned as stored: surrounding
// quotes are kept (Windows drops them, which loses a quoted value written
// through WritePrivateProfileStringA).
//
// WritePrivateProfileStringA: NULL lpKeyName removes the section, NULL
// lpString removes the key. A CR or LF in a section, key or value would start
// a new line -- and so could invent sections and keys. Such characters are
// written as spaces instead, and ']' or '=' that would change how the line
// reads back are refused (FALSE, ERROR_INVALID_PARAMETER): see
// platform/kernel/ini.h.
WINEXPORT DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                         LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
WINEXPORT BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName);
// The value read as a decimal integer (leading blanks and sign allowed,
// digits up to the first non-digit), nDefault when the key is missing, 0
// when the value has no digits.
WINEXPORT UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName);
