// Colour management: profiles opened from memory and the colour transforms
// made from them (the module "mscms.dll" of the platform).
#pragma once
#include "types.h"
#include "gdi.h"

WIN_BEGIN_DECLS

typedef HANDLE HPROFILE;
typedef HANDLE HTRANSFORM;

// Where a profile comes from.
#define PROFILE_FILENAME 1
#define PROFILE_MEMBUFFER 2
// Access wanted to a profile.
#define PROFILE_READ 1
#define PROFILE_READWRITE 2
// Rendering quality of a transform.
#define PROOF_MODE 1
#define NORMAL_MODE 2
#define BEST_MODE 3

typedef struct tagPROFILE {
    DWORD dwType;        // PROFILE_FILENAME or PROFILE_MEMBUFFER
    PVOID pProfileData;  // the file name or the profile's bytes
    DWORD cbDataSize;
} PROFILE, *PPROFILE, *LPPROFILE;

typedef LONG FXPT2DOT30;
typedef struct tagCIEXYZ {
    FXPT2DOT30 ciexyzX, ciexyzY, ciexyzZ;
} CIEXYZ;
typedef struct tagCIEXYZTRIPLE {
    CIEXYZ ciexyzRed, ciexyzGreen, ciexyzBlue;
} CIEXYZTRIPLE;

#define LCS_SIGNATURE 0x50534F43L  // "PSOC"
#define LCS_sRGB 0x73524742L       // "sRGB"
#define LCS_CALIBRATED_RGB 0x00000000L
#define LCS_GM_BUSINESS 1
#define LCS_GM_GRAPHICS 2
#define LCS_GM_IMAGES 4

struct tagLOGCOLORSPACEW {
    DWORD lcsSignature;
    DWORD lcsVersion;
    DWORD lcsSize;
    LONG lcsCSType;
    LONG lcsIntent;
    CIEXYZTRIPLE lcsEndpoints;
    DWORD lcsGammaRed, lcsGammaGreen, lcsGammaBlue;
    WCHAR lcsFilename[260];
};
typedef struct tagLOGCOLORSPACEW LOGCOLORSPACEW;

// Only memory profiles are opened: a well-formed profile header (size,
// "acsp" signature) is required, and the bytes are copied.
WINBASEAPI HPROFILE WINAPI OpenColorProfileW(PPROFILE pProfile, DWORD dwDesiredAccess, DWORD dwShareMode,
                                             DWORD dwCreationMode);
WINBASEAPI BOOL WINAPI CloseColorProfile(HPROFILE hProfile);
WINBASEAPI HTRANSFORM WINAPI CreateColorTransformW(LPLOGCOLORSPACEW pLogColorSpace, HPROFILE hDestProfile,
                                                   HPROFILE hTargetProfile, DWORD dwFlags);
WINBASEAPI BOOL WINAPI DeleteColorTransform(HTRANSFORM hxform);

WIN_END_DECLS
