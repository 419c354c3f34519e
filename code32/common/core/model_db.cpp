#include "core/model_db.h"

#include "core/ini_wrap.h"
#include "core/model/model.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr WCHAR kModelsSection[] = u"Models";
constexpr WCHAR kInstallerIni[] = u"KWINST.ini";
constexpr WCHAR kModelDbIni[] = u"zordb.ini";

const WCHAR* skipBlanks(const WCHAR* s) {
    while (s && (*s == u' ' || *s == u'\t')) ++s;
    return s;
}

}  // namespace

const WCHAR* GetModelDbSection(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return nullptr;
    WCHAR* name = ctx->ws->modelDbName;
    name[0] = 0;
    WCHAR* dataFile = MdlGetDataFilePath(ctx->printer);
    if (!dataFile) return nullptr;
    IniGetString(kModelsSection, PrnGetDriverName(ctx), u"", name, kModelDbNameChars, dataFile);
    MemFree(dataFile);
    return name[0] ? name : nullptr;
}

int ReadInstallerDllEntry(DrvContext* ctx, WCHAR* loadDll, WCHAR* version) {
    if (!loadDll || !version) return 0;
    loadDll[0] = version[0] = 0;
    if (!ctx || !ctx->ws) return 0;
    const WCHAR* model = skipBlanks(GetModelDbSection(ctx));
    WCHAR path[kPathBufChars] = {};
    if (!BuildDriverFilePath(path, kPathBufChars, kInstallerIni, ctx->printer) || !path[0]) return 0;
    if (!model || !model[0]) return 1;
    IniGetString(model, u"LoadDll32", u"", loadDll, kInstallerValueChars, path);
    IniGetString(model, u"Version32", u"", version, kInstallerValueChars, path);
    return 1;
}

int ModelDbRegister(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->desc) return 0;
    const WCHAR* found = skipBlanks(GetModelDbSection(ctx));
    if (!found || !found[0]) return 0;
    WCHAR model[kModelDbNameChars] = {};
    WCopyCut(model, kModelDbNameChars, found);
    const WCHAR* resDll = ctx->desc->dataLibraryName;
    if (!resDll || !resDll[0]) return 1;
    WCHAR loadDll[kInstallerValueChars] = {}, version[kInstallerValueChars] = {};
    ReadInstallerDllEntry(ctx, loadDll, version);
    WCHAR path[kPathBufChars] = {};
    if (!BuildWindowsDirPath(path, kPathBufChars, kModelDbIni) || !path[0]) return 0;
    // Empty values are not written, so what an older install registered stays.
    if (loadDll[0]) IniWriteString(model, u"LoadDll", loadDll, path);
    const int ok = IniWriteString(model, u"ResDll", resDll, path);
    if (version[0]) IniWriteString(model, u"Version", version, path);
    return ok ? 1 : 0;
}

}  // namespace vesk
