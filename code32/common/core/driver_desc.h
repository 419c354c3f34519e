// The built-in driver description: versions, the file names of the driver
// set, the public DEVMODE defaults and limits, the private signature and
// version, the defaults read by the built-in option handlers and the custom
// paper size limits. Every context holds its own copy.
#pragma once
#include <win/types.h>

namespace vesk {

struct PublicDefaults {
    int16_t orientation;
    int16_t paperSize;
    int16_t paperLength;
    int16_t paperWidth;
    int16_t scale;
    int16_t copies;
    int16_t defaultSource;
    int16_t printQuality;
    int16_t color;
    int16_t duplex;
    int16_t yResolution;
    int16_t ttOption;
    int16_t collate;
    const WCHAR* formName;
    uint32_t icmMethod;
    uint32_t icmIntent;
    uint32_t mediaType;
    uint32_t ditherType;
    int16_t scaleMin, scaleMax;
    int16_t copiesMin, copiesMax;
};

struct HandlerDefaults {
    uint8_t cdcVersion, cdcRevision, mpjlVersion, mpjlRevision;  // items 35 to 38
    uint8_t machineId;                                           // item 39's check value
    uint16_t dstResolutionW, dstResolutionH;                     // items 42, 43
    uint16_t separatePaperSize, mpPaperSize, coverPaperSize, backCoverPaperSize;
    uint8_t languageId, dspLanguageId, dspUnit;                  // items 177, 178, 179
    uint8_t extPrintArea;                                        // item 182
    uint8_t veskVersion;                                         // item 245
    uint32_t option441;                                          // item 441
};

struct DriverDesc {
    uint16_t specVersion;
    uint16_t driverVersion;
    const WCHAR* settingsIniName;
    const WCHAR* spoolerLibraryName;
    uint32_t publicFields;
    uint16_t capWord1, capWord2;
    uint32_t capWords[4];
    PublicDefaults publicDefaults;
    char privateSignature[4];
    uint32_t privateSignatureWord;
    uint32_t privateVersion;
    uint32_t reserved1;
    uint8_t machineId;
    uint8_t driverType;
    HandlerDefaults handler;
    const WCHAR* versionText1;
    const WCHAR* versionText2;
    const WCHAR* countryText;
    const WCHAR* emptyText1;
    const WCHAR* setupIniName;
    const WCHAR* auxLibraryName;
    const WCHAR* constraintLibraryName;
    const void* reserved2;
    const WCHAR* dataLibraryName;
    const WCHAR* emptyText2;
    const WCHAR* driverVersionText;   // the model's FileVersion the cache must match
    uint32_t presetFileVersion;
    uint32_t customWidthMin, customWidthMax;    // 1200-dpi dots
    uint32_t customLengthMin, customLengthMax;  // 1200-dpi dots
};

// The built-in description.
const DriverDesc& builtinDriverDesc();

}  // namespace vesk
