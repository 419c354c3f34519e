// The visual-styles library (UxTheme.DLL). Themes are off unless the
// machine's "uxtheme.active" is "1"; a theme draws its backgrounds as flat
// fills of one colour per class.
#pragma once
#include "wingdi.h"

WIN_BEGIN_DECLS

typedef struct HTHEME__* HTHEME;

// Parts of the "Tab" class.
#define TABP_TABITEM 1
#define TABP_PANE 9
#define TABP_BODY 10

#ifndef E_HANDLE
#define E_HANDLE ((HRESULT)0x80070006L)
#endif

WINBASEAPI BOOL WINAPI IsThemeActive(void);
WINBASEAPI BOOL WINAPI IsAppThemed(void);
// A theme of the first class of the ';'-separated list; null when themes
// are off.
WINBASEAPI HTHEME WINAPI OpenThemeData(HWND window, LPCWSTR classList);
WINBASEAPI HRESULT WINAPI CloseThemeData(HTHEME theme);
// Fills `rect` (within `clip` when given) with the theme's colour.
WINBASEAPI HRESULT WINAPI DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, LPCRECT rect, LPCRECT clip);
// Recorded in the call journal ("SetWindowTheme", "<id> <app>|<ids>"); S_OK.
WINBASEAPI HRESULT WINAPI SetWindowTheme(HWND window, LPCWSTR subAppName, LPCWSTR subIdList);

WIN_END_DECLS
