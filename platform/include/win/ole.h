// OLE streams on global memory (ole32): CreateStreamOnHGlobal and
// GetHGlobalFromStream.
//
// An IStream* is a real pointer to an object with the COM binary layout (a
// vtable pointer first, IUnknown's three methods, then ISequentialStream's and
// IStream's), because callers end a stream's life through its vtable:
// stream->Release() is the only way to let go of it, and no exported function
// does that. The rest of COM is not reproduced: there is no class registry,
// no marshalling, no apartments; QueryInterface knows IUnknown,
// ISequentialStream and IStream only.
//
// The object behind the pointer is a small shell that names the stream's
// state by a 32-bit handle (HandleKind::Stream). Shells are never given back
// to the allocator, and a released shell is reused only after many others,
// so a stale IStream* still points at a shell whose handle is refused: its
// methods return E_HANDLE (Release and AddRef return 0) instead of following
// freed memory.
#pragma once

#include "win/kernel.h"
#include "win/types.h"

typedef int32_t HRESULT;

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001u)
#define E_NOINTERFACE ((HRESULT)0x80004002u)
#define E_POINTER ((HRESULT)0x80004003u)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_HANDLE ((HRESULT)0x80070006u)
#define E_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define STG_E_INVALIDFUNCTION ((HRESULT)0x80030001u)
#define STG_E_INVALIDPOINTER ((HRESULT)0x80030009u)
#define STG_E_READFAULT ((HRESULT)0x8003001Eu)
#define STG_E_MEDIUMFULL ((HRESULT)0x80030070u)
#define STG_E_INVALIDFLAG ((HRESULT)0x800300FFu)
#define STG_E_REVERTED ((HRESULT)0x80030102u)

#ifndef SIG_LARGE_INTEGER_DEFINED
#define SIG_LARGE_INTEGER_DEFINED
union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};
union ULARGE_INTEGER {
    struct {
        DWORD LowPart;
        DWORD HighPart;
    } u;
    ULONGLONG QuadPart;
};
#endif

#ifndef SIG_GUID_DEFINED
#define SIG_GUID_DEFINED
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
inline bool IsEqualGUID(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
#endif

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ISequentialStream = {0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
inline constexpr IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;

#define STREAM_SEEK_SET 0u
#define STREAM_SEEK_CUR 1u
#define STREAM_SEEK_END 2u
#define STGTY_STREAM 2u
#define STATFLAG_DEFAULT 0u
#define STATFLAG_NONAME 1u
#define STGM_READWRITE 0x00000002u

struct STATSTG {
    LPOLESTR pwcsName;  // always NULL here: a memory stream has no name
    DWORD type;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
};

struct IStream;

// The method table in COM order. Every method takes the object first.
struct IStreamVtbl {
    // IUnknown
    HRESULT (*QueryInterface)(IStream* self, REFIID riid, void** ppvObject);
    ULONG (*AddRef)(IStream* self);
    ULONG (*Release)(IStream* self);
    // ISequentialStream
    HRESULT (*Read)(IStream* self, void* pv, ULONG cb, ULONG* pcbRead);
    HRESULT (*Write)(IStream* self, const void* pv, ULONG cb, ULONG* pcbWritten);
    // IStream
    HRESULT (*Seek)(IStream* self, LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition);
    HRESULT (*SetSize)(IStream* self, ULARGE_INTEGER libNewSize);
    HRESULT (*CopyTo)(IStream* self, IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                      ULARGE_INTEGER* pcbWritten);
    HRESULT (*Commit)(IStream* self, DWORD grfCommitFlags);
    HRESULT (*Revert)(IStream* self);
    HRESULT (*LockRegion)(IStream* self, ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType);
    HRESULT (*UnlockRegion)(IStream* self, ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType);
    HRESULT (*Stat)(IStream* self, STATSTG* pstatstg, DWORD grfStatFlag);
    HRESULT (*Clone)(IStream* self, IStream** ppstm);
};

// The COM object layout; the members forward to the table so that callers
// write stream->Release() as they would with the real interface.
struct IStream {
    const IStreamVtbl* lpVtbl;

    HRESULT QueryInterface(REFIID riid, void** ppv) { return lpVtbl->QueryInterface(this, riid, ppv); }
    ULONG AddRef() { return lpVtbl->AddRef(this); }
    ULONG Release() { return lpVtbl->Release(this); }
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) { return lpVtbl->Read(this, pv, cb, pcbRead); }
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) { return lpVtbl->Write(this, pv, cb, pcbWritten); }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) {
        return lpVtbl->Seek(this, move, origin, newPos);
    }
    HRESULT SetSize(ULARGE_INTEGER size) { return lpVtbl->SetSize(this, size); }
    HRESULT Stat(STATSTG* st, DWORD flags) { return lpVtbl->Stat(this, st, flags); }
    HRESULT Clone(IStream** out) { return lpVtbl->Clone(this, out); }
};
typedef IStream* LPSTREAM;

// Creates a stream over the global block hGlobal (0: a new empty moveable
// block that the stream grows as it is written). The stream's size starts as
// GlobalSize(hGlobal) and its position at 0. The stream reads and writes the
// block through GlobalLock/GlobalUnlock on each call, so the caller may keep
// the block locked meanwhile; writing past the end grows the block with
// GlobalReAlloc, which fails (STG_E_MEDIUMFULL) while the block is locked.
// fDeleteOnRelease: the final Release frees the block with GlobalFree;
// otherwise the block stays the caller's. Returns S_OK, E_INVALIDARG (no
// out-pointer, or hGlobal not a live global block) or E_OUTOFMEMORY.
// *ppstm is NULL on failure.
WINEXPORT HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm);
// The block under a stream made by CreateStreamOnHGlobal; E_INVALIDARG for
// any other pointer or a released stream.
WINEXPORT HRESULT GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal);
