// The spooler's printer information record as the context reads it, and the
// printer facts copied into the workspace. The record is declared here until
// the stand-in's spooler interface provides it.
#pragma once
#include <win/types.h>

#ifndef VESK_PLATFORM_HAS_PRINTER_INFO_2
WIN_BEGIN_DECLS
struct _devicemodeW;
typedef struct _PRINTER_INFO_2W {
    LPWSTR pServerName;
    LPWSTR pPrinterName;
    LPWSTR pShareName;
    LPWSTR pPortName;
    LPWSTR pDriverName;
    LPWSTR pComment;
    LPWSTR pLocation;
    struct _devicemodeW* pDevMode;
    LPWSTR pSepFile;
    LPWSTR pPrintProcessor;
    LPWSTR pDatatype;
    LPWSTR pParameters;
    void* pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
} PRINTER_INFO_2W, *PPRINTER_INFO_2W, *LPPRINTER_INFO_2W;
WIN_END_DECLS
#endif
