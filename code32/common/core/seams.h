// Steps of context creation that other parts of the common library provide:
// the compiled model, the default DEVMODE, the persisted settings, the
// installer's hand-over and the language code. Each answers failure until its
// part is built, so a context that needs it is not created.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The compiled model of the printer's model-description file, or null.
const MdlImage* MdlCacheGet(DrvContext* ctx);
// A new DEVMODE buffer of the context's kind, or null.
BYTE* DmCreateDefault(DrvContext* ctx, uint16_t kind);
// Loads every option class and the font lists and applies the bidirectional
// settings file. 1 done, 0 not done.
int SettingsSyncAtOpen(DrvContext* ctx);
// Applies the installer's hand-over for the printer. 1 done or nothing to do,
// 0 not done.
int HandoverApplyAtOpen(DrvContext* ctx);
// Copies section 2's first bytes into the private part's mirror. 1 done.
int DmCopyExtBlock(DrvContext* ctx);
// The two-letter display-language code of the printer into `code` (3
// characters): kind 1 from the installed driver's help file, other kinds from
// the printer data "HelpFileName". 0 when it could not be read.
int PrnLanguageCode(DrvContext* ctx, uint16_t kind, WCHAR code[3]);
// The server type the remote-configuration bridge reports for a printer
// (17: the printer is a client-side copy of a server's printer); 0 when no
// bridge answers.
uint32_t SrvCfgServerType(DrvContext* ctx, const WCHAR* printerName);

}  // namespace vesk
