// Settings files: whole option sets in 8-bit INI text, one section per set,
// keys the items' field names (ids 1 to 34 without one: their decimal id),
// values as the per-printer INI holds them, with a header that names the
// file format's version, the machine and the language. Presets, their
// deployed kinds, the bidirectional settings file and the device settings
// file all use this one format; flags choose the direction, the section, the
// header handling and the items. Results are 1 for success, 0 for failure.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/wstr.h"

namespace vesk {

// The workspace's printer name stands in as another name (a list section,
// the driver's name) for a scope and is put back on every way out.
class NameSwap {
public:
    NameSwap(DrvContext* ctx, const WCHAR* name) : ws_(ctx->ws) {
        WCopyCut(kept_, kWsPrinterNameChars, ws_->printerName);
        WCopyCut(ws_->printerName, kWsPrinterNameChars, name);
    }
    ~NameSwap() { WCopyCut(ws_->printerName, kWsPrinterNameChars, kept_); }
    NameSwap(const NameSwap&) = delete;
    NameSwap& operator=(const NameSwap&) = delete;

private:
    DrvWorkspace* ws_;
    WCHAR kept_[kWsPrinterNameChars] = {};
};

// Flags of SettingsTransfer.
enum : uint32_t {
    kStRead = 0x1,
    kStWrite = 0x2,
    kStPresetDevice = 0x4,
    kStAboveFive = 0x8,       // ids above 5; reading: the language-code section; no header
    kStQuality = 0x10,        // quality items; no version message
    kStStamp = 0x20,          // stamp items; no header
    kStFreeSize = 0x80,       // items 859 to 861 only; no header
    kStDeviceInfo = 0x100,    // the whole table, device-information items only
    kStSourceFreeSize = 0x200,
    kStRsdSection = 0x800,    // section "VESKRsdSection", preset-device items
    kStClass3 = 0x1000,
    kStLanguageForm = 0x2000, // reading: the language-code section; header written, not tested
    kStNoMessage = 0x8000,
    kStExportLanguage = 0x10000,
    kStImportDriverSection = 0x20000,
};

constexpr uint32_t kRstVersion = 200;
constexpr uint32_t kRstMachine = 133;
constexpr uint16_t kMsgRstRejected = 10023;

// The transfer of the context's option set with the file `path` (a drive
// path) under `flags`. A rejected header sets the context's rejected-file
// flag, reads nothing and answers 1. A set that does not fit its 32768-byte
// section fails (0) and leaves the file as it was.
int SettingsTransfer(DrvContext* ctx, const WCHAR* path, uint32_t flags);
// The public entries: import and export under the terminal-server mutex,
// with the section naming and the steps of full imports and exports.
int SettingsImport(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx);
int SettingsExport(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx);
// Appends the header keys to a section buffer at *offset (all four, or only
// "RstVersion"); 0 when they do not fit.
int RstWriteHeader(char* buffer, uint32_t* offset, DrvContext* ctx, int versionOnly);
// 1 when the section body carries an acceptable header: "RstVersion",
// "RstMachine" and "RstLanguage" present, the machine this driver's, the
// language the context's item 177, and the version of this driver's family
// (familyMode) or exactly this driver's. A rejection shows message 10023
// naming `path` when `showMessage` is set.
int RstCheckHeader(const WCHAR* path, const char* body, int showMessage, DrvContext* ctx, int familyMode);
int RstSameVersionFamily(uint32_t a, uint32_t b);
// Items first..last by field name in `section` of `path`: read (flags
// without kStWrite) or written. Flag kStAboveFive skips 10001 to 10003; the
// font items keep their values and are written as 0.
int OptRangeTransfer(const WCHAR* path, uint32_t flags, DrvContext* ctx, const WCHAR* section, int first, int last);
// The device settings: items 10001-10277 and 907-947 in "VESKPrnSection".
int DeviceFileTransfer(const WCHAR* path, uint32_t flags, DrvContext* ctx);
int DeviceFileLoad(const WCHAR* path, uint32_t flags, DrvContext* ctx);
// Writes the device settings; with flag kStAboveFive (or no path) into the
// device settings file KW00C172.txt of the private directory.
int DeviceFileSave(const WCHAR* path, uint32_t flags, DrvContext* ctx);
// The device settings (items 10001-10277 without 10001-10003, then 907-947)
// with the whole header into the language section of the default bundle the
// model names; the section's other keys are kept.
int DefaultRstWriteDevice(DrvContext* ctx);
// A plain export's companion: the preset-device items under the driver's
// name into "VESKRsdSection" of KW00C172.txt.
int SettingsFileTransferRsd(HANDLE printer, const WCHAR* path, uint32_t flags, DrvContext* ctx);
// The item filters of the transfers.
int OptIsPresetItem(int id);
int OptIsUserDocItem(int id);
int OptIsNotReserved(int id);

}  // namespace vesk
