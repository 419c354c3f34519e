// Global and local memory blocks.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_NOT_BANKED 0x1000
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_NOTIFY 0x4000
#define GMEM_LOWER GMEM_NOT_BANKED
#define GMEM_VALID_FLAGS 0x7F72
#define GMEM_INVALID_HANDLE 0x8000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
// GlobalFlags results.
#define GMEM_DISCARDED 0x4000
#define GMEM_LOCKCOUNT 0x00FF

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_NOCOMPACT 0x0010
#define LMEM_NODISCARD 0x0020
#define LMEM_ZEROINIT 0x0040
#define LMEM_MODIFY 0x0080
#define LMEM_DISCARDABLE 0x0F00
#define LMEM_VALID_FLAGS 0x0F72
#define LMEM_INVALID_HANDLE 0x8000
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define LMEM_DISCARDED 0x4000
#define LMEM_LOCKCOUNT 0x00FF

#ifndef ERROR_DISCARDED
#define ERROR_DISCARDED 157L
#endif
#ifndef ERROR_NOT_LOCKED
#define ERROR_NOT_LOCKED 158L
#endif

// Allocates a block of dwBytes, always zero-filled. A fixed block's handle is
// its address; a moveable block's handle is locked to its address by
// GlobalLock (a moveable block of 0 bytes starts discarded). NULL with
// ERROR_NOT_ENOUGH_MEMORY when memory is short.
WINBASEAPI HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// Stand-in only: GlobalAlloc(GMEM_FIXED, dwBytes) without the zero fill, for
// a caller that writes every byte before anything reads one (a file read
// straight into the block, the block freed when the read comes up short).
// The bytes are whatever the heap held. Otherwise the same call: journalled
// and failed by injection as "GlobalAlloc", counted among the live blocks,
// freed with GlobalFree.
WINBASEAPI HGLOBAL WINAPI GlobalAllocUnfilled(SIZE_T dwBytes);
// Frees a block, locked or not. NULL on success (and for NULL); the handle
// itself, with ERROR_INVALID_HANDLE, for a handle that is not a live block.
WINBASEAPI HGLOBAL WINAPI GlobalFree(HGLOBAL hMem);
// Size of a block in bytes; 0 for a discarded block or a bad handle.
WINBASEAPI SIZE_T WINAPI GlobalSize(HGLOBAL hMem);
// Address of a block; counts a lock on a moveable block.
WINBASEAPI LPVOID WINAPI GlobalLock(HGLOBAL hMem);
// Drops a lock: nonzero while the block stays locked (and always for a fixed
// block); FALSE with NO_ERROR when it became unlocked, ERROR_NOT_LOCKED when
// it was not locked.
WINBASEAPI BOOL WINAPI GlobalUnlock(HGLOBAL hMem);
// Resizes a block (new bytes zero-filled) or, with GMEM_MODIFY, changes its
// kind. A fixed or locked block moves only when GMEM_MOVEABLE is given.
// Returns the block's handle (a fixed block's new address), or NULL.
WINBASEAPI HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
// Handle of the block at an address GlobalLock returned.
WINBASEAPI HGLOBAL WINAPI GlobalHandle(LPCVOID pMem);
// Lock count and GMEM_DISCARDED / GMEM_DISCARDABLE; GMEM_INVALID_HANDLE for a bad handle.
WINBASEAPI UINT WINAPI GlobalFlags(HGLOBAL hMem);

// The local forms: the same blocks in the same heap.
WINBASEAPI HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
WINBASEAPI HLOCAL WINAPI LocalFree(HLOCAL hMem);
WINBASEAPI SIZE_T WINAPI LocalSize(HLOCAL hMem);
WINBASEAPI LPVOID WINAPI LocalLock(HLOCAL hMem);
WINBASEAPI BOOL WINAPI LocalUnlock(HLOCAL hMem);
WINBASEAPI HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);
WINBASEAPI HLOCAL WINAPI LocalHandle(LPCVOID pMem);
WINBASEAPI UINT WINAPI LocalFlags(HLOCAL hMem);

WIN_END_DECLS
