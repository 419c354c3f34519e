// Status item 1: a settings file imported into the handle, or its preset
// name and comment read.
#include <win/profile.h>

#include <cstring>
#include <string>

#include "common_calls/settings_forms.h"
#include "core/devmode/dm_state.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/text_convert.h"
#include "status/status_handlers.h"
#include "status/status_identity.h"
#include "status/status_records.h"
#include "status/status_support.h"

namespace vesk {
namespace {

constexpr int kItMethod = 222;
constexpr uint32_t kImportPresetOnly = 0x8000;
constexpr int kNameChars = 36, kCommentChars = 512;

// The record's path as wide text when it is a full path to an existing
// file; the field must end within its width.
bool settingsPath(const BYTE* r, WCHAR* out) {
    std::string path;
    if (!RecText(r, rec816::kPath, rec816::kPathW, &path)) return false;
    if (StrAnsiToWide(out, path.c_str(), static_cast<int>(rec816::kPathW)) != 1) return false;
    return PathIsDriveOrUnc(out) && FileExists(out);
}

// Imports the file with `flags`; false when its header was rejected (the
// workspace's rejection mark) or nothing could be read.
bool import(DrvContext* ctx, const WCHAR* path, uint32_t flags) {
    if (SettingsImportExc(ctx->printer, path, flags, ctx) != 1) return false;
    return ctx->ws->rejectedFile != 1;
}

// A key of the file's section for the printer (its name made a section
// name as the export writes it), at most `chars` characters,
// into a field of `width` bytes (cut on a character boundary).
void readKey(DrvContext* ctx, const WCHAR* file, const WCHAR* key, int chars, BYTE* field, size_t width, bool crlf) {
    std::u16string text(static_cast<size_t>(chars) + 1, u'\0');
    const WCHAR* section = PrnGetPrinterName(ctx);
    IniGetString(section ? section : u"", key, u"", text.data(), static_cast<DWORD>(chars + 1), file);
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    if (crlf) {
        for (size_t i = 0; i + 1 < text.size(); ++i)
            if (text[i] == u'\\' && text[i + 1] == u'n') {
                text[i] = u'\r';
                text[i + 1] = u'\n';
                ++i;
            }
    }
    std::memset(field, 0, width);
    StrWideToAnsi(reinterpret_cast<char*>(field), text.c_str(), static_cast<int>(width));
}

}  // namespace

int StSetSettingsFile(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const uint32_t method = StRaw(ctx, kItMethod);
    if (method == 3 || method == 5 || method == 7) return -1;
    WCHAR path[rec816::kPathW] = {};
    if (!settingsPath(call.record, path)) return -1;
    const bool accepted = import(ctx, path, 0);
    JcFillUserItems(ctx, kIdUserCode);
    for (uint32_t bit : {kIdOwner, kIdJobPw, kIdUserId, kIdDocument, kIdStoredPw})
        call.commits.push_back([ctx, bit] { JcStoreUserItem(ctx, bit); });
    if (!accepted) return -1;
    // Saved at once: the refresh after the Set reloads these classes. Nothing
    // after this point can refuse the item (its Verify always agrees).
    OptSaveUserClasses(ctx->printer, ctx);
    return 1;
}

int StGetSettingsFile(StatusGetCall& call) {
    BYTE* r = call.record;
    if (!r) return rec816::kSize;
    DrvContext* ctx = call.ctx;
    WCHAR path[rec816::kPathW] = {};
    if (!settingsPath(r, path)) return -1;
    // The import only tests the file's header: the handle is as before.
    if (!DmSaveState(ctx)) return -1;
    const bool accepted = import(ctx, path, kImportPresetOnly);
    DmRestoreState(ctx, 1);
    if (!accepted) return -1;
    readKey(ctx, path, u"wdmPresetName", kNameChars, r + rec816::kName, rec816::kNameW, false);
    readKey(ctx, path, u"wdmPresetComment", kCommentChars, r + rec816::kComment, rec816::kCommentW, true);
    return rec816::kSize;
}

}  // namespace vesk
