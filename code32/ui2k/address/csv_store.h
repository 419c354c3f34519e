// The address list of the remote and address-book dialogs: one CSV file,
// "KWHREMPR.CSV" in the driver's private directory, shared by every printer
// of the machine. Records are ANSI text of 13 comma-separated fields (no
// quoting), one a line; the store keeps at most 1000 records with pooled
// list nodes in a circular display list. Positions of the list operations
// are 1-based and count only records with a name.
#pragma once
#include <win/types.h>

#include <cstddef>
#include <vector>

#include "core/context.h"

namespace vesk {

constexpr int kCsvMaxRecords = 1000;
constexpr int kCsvFieldCount = 13;
constexpr int kCsvListFieldMaxParts = 1000;
constexpr size_t kCsvPartBytes = 64;
// Byte limits of the fields as read (0: a list field of 64-byte parts).
constexpr size_t kCsvFieldBytes[kCsvFieldCount] = {64, 64, 64, 64, 64, 32, 0, 0, 4, 8, 1, 1, 1};
constexpr int kCsvFieldName = 0;
constexpr int kCsvFieldNumber = 5;
constexpr int kCsvFieldLine = 9;
constexpr size_t kCsvNameBytes = 64;
constexpr size_t kCsvNumberBytes = 32;
constexpr size_t kCsvLineBytes = 8;
constexpr size_t kCsvLineChars = 9;

struct CsvRecord {
    WCHAR text[5][65];    // fields 0-4: field 0 the destination's name
    WCHAR number[33];     // field 5: the telephone number
    WCHAR* lists[2];      // fields 6 and 7, null when empty (MemAllocZero)
    WCHAR field8[5];
    WCHAR line[kCsvLineChars];  // field 9: the telephone line
    WCHAR flags[3][2];    // fields 10-12
    uint16_t recordNo;    // 1-1000; 0: the record is free
};

struct CsvNode {
    CsvNode* next;
    CsvNode* prev;
    CsvRecord* record;
};

struct CsvStore {
    CsvRecord* records;   // kCsvMaxRecords, zero-filled
    CsvNode* nodes;       // kCsvMaxRecords
    CsvNode* freeNodes;   // chained through next
    CsvNode* first;       // circular display list
    CsvNode* last;
    uint16_t nodeCount;
    uint16_t readCount;   // records read from the file
    uint16_t unnamedCount;
    uint16_t usedRecords; // records handed out since the store was made
    int16_t position;     // the selection among named records, -1 none
    // The file exists but could not be read (over-long field, read error,
    // too large): saving would replace the user's book, so it is refused.
    uint32_t unreadable;
};

// ---- The store itself (no context, no file) ----
// Allocates records and nodes, chains the nodes into the free list and
// empties the display list; 1, or 0 with nothing held.
int CsvStoreInit(CsvStore* store);
// Frees the list fields, the records and the nodes; the store is zeroed.
void CsvStoreRelease(CsvStore* store);
// Frees fields 6 and 7 of every record; selection -1.
void CsvStoreFreeListFields(CsvStore* store);
// Parses a whole file image into the records: 1 parsed (records numbered,
// counts set), 0 on an over-long field (the store then holds no records).
int CsvParseRecords(CsvStore* store, const BYTE* data, size_t size);
// Appends a node for every numbered record, in file order.
void CsvBuildDisplayListOf(CsvStore* store);
// Links a new node before the named record at `position` (count + 1
// appends) and gives it a record; null when the position is out of range
// or nothing is left. `countNamed` 0 counts every node.
CsvRecord* CsvListInsert(CsvStore* store, int position, int countNamed);
// Unlinks the named record at `position`, frees and zero-fills its record
// and returns it; null for a position out of range.
CsvRecord* CsvListRemove(CsvStore* store, int position);
// The file image of the display list: non-empty fields in ANSI, ',' after
// fields 0-11, CR LF after field 12. False when a field cannot be converted.
bool CsvFormatFile(const CsvStore* store, std::vector<BYTE>& out);
// Named records in the display list.
int CsvNamedCount(const CsvStore* store);
// The named record at 1-based `position`, or null.
CsvRecord* CsvNamedAt(const CsvStore* store, int position);
// The 1-based position of the named record numbered `recordNo`, 0 none.
int CsvNamedIndexOf(const CsvStore* store, uint16_t recordNo);

// One field of `data` from `*at`: the bytes up to ',' or LF (CR dropped,
// the second byte of a double-byte character never ends the field), or up
// to '|' when `partEnd` is given. Result: its length, or -1 when it holds
// more than `maxBytes`. `dest` has room for maxBytes + 1.
int CsvReadField(const BYTE* data, size_t size, size_t* at, char* dest, size_t maxBytes, bool* endOfLine,
                 bool* endOfFile, bool* partEnd);

// ---- The context's address book ----
// The context's store, null while none is loaded.
CsvStore* CsvStoreOf(DrvContext* ctx);
// Allocates the store (when not yet there) and reads the file: 1 whenever
// the store exists (a missing or unreadable file gives an empty list), 0
// when memory is short.
int CsvLoad(DrvContext* ctx);
int CsvClose(DrvContext* ctx);
int CsvStoreAlloc(DrvContext* ctx);
void CsvStoreFree(DrvContext* ctx);
void CsvFreeListFields(DrvContext* ctx);
// 1 when the file was read and parsed; a missing file gives 0, a file that
// is there but cannot be read also marks the store unreadable.
int CsvReadFile(DrvContext* ctx);
void CsvBuildDisplayList(DrvContext* ctx);
// Writes the store: into a temporary file of the same folder, renamed over
// the list only when every byte was written. 1 on success; 0 when the
// store is unreadable-marked, the file cannot be made or a write fails
// (the old list is then untouched).
int CsvWriteFile(DrvContext* ctx);
CsvRecord* CsvNewRecord(DrvContext* ctx, int position);
CsvRecord* CsvDeleteRecord(DrvContext* ctx, int position);
// The list's full path into `buffer` of kWsPathChars; 0 without a private
// directory.
int CsvFilePath(DrvContext* ctx, WCHAR* buffer, size_t capacity);

}  // namespace vesk
