// The stand-ins of pending_capabilities.h, in its order: each answers
// "not done" until its capability is built.
#include "core/pending_capabilities.h"

namespace vesk {

// Persisted settings: printer data through the configuration bridge.
int BridgeReadPrinterData(DrvContext*, HANDLE, const WCHAR*, BYTE*, DWORD) { return 0; }

// Settings files: the install step.
int QualityRedeploy(DrvContext*, const WCHAR*) { return 0; }

// Installer hand-over.
int HandoverApplyAtOpen(DrvContext*) { return 0; }

// Remote configuration: until the bridge is built no printer is reported as a
// server's copy.
uint32_t SrvCfgServerType(DrvContext*, const WCHAR*) { return 0; }
int RemoteConfigConnect(DrvContext*) { return 0; }
// Without the bridge it is never usable.
int SrvCfgGetState(DrvContext*) { return 0; }


}  // namespace vesk
