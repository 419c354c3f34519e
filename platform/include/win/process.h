// Processes and threads: creation, exit codes, identifiers.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

typedef struct _STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;

#define STILL_ACTIVE 259

// STARTUPINFOW.dwFlags and wShowWindow.
#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESTDHANDLES 0x00000100
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// Creation flags.
#define CREATE_SUSPENDED 0x00000004
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_NO_WINDOW 0x08000000

// Pseudo handles of the calling process and thread.
WINBASEAPI HANDLE WINAPI GetCurrentProcess(void);
WINBASEAPI HANDLE WINAPI GetCurrentThread(void);
WINBASEAPI DWORD WINAPI GetCurrentProcessId(void);
WINBASEAPI DWORD WINAPI GetCurrentThreadId(void);

// Starts a program registered on the machine (see winsim/process.h) as a
// real child process. `applicationName` is a Windows path (or null: the first
// word of `commandLine` names the program, found in the current, system and
// Windows directories, ".exe" added when it has no extension). The program's
// file must exist on the machine and be registered, else ERROR_FILE_NOT_FOUND.
// `environment` is an ANSI block, or UTF-16 with CREATE_UNICODE_ENVIRONMENT;
// null inherits this process's. `currentDirectory` null keeps this process's.
// CREATE_SUSPENDED is refused (ERROR_NOT_SUPPORTED).
WINBASEAPI BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                                      LPSECURITY_ATTRIBUTES processAttributes,
                                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                      DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                                      LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);
// STILL_ACTIVE while the process runs, then its exit code.
WINBASEAPI BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// Ends a child process; its exit code becomes `exitCode`.
WINBASEAPI BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode);
// STILL_ACTIVE while the thread runs (a child's primary thread ends with it).
WINBASEAPI BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

WIN_END_DECLS
