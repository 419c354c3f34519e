// The identity exchange with job control, and the print-method and user-ID
// items (10 and 26).
#include "status/status_identity.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "api/opt_values.h"
#include "common_calls/jc_query.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/os_version.h"
#include "core/persist/opt_persist.h"
#include "core/text_convert.h"
#include "status/path_tests.h"
#include "status/status_handlers.h"
#include "status/status_records.h"
#include "status/status_support.h"

namespace vesk {
namespace {

constexpr int kItUserId = 215, kItUserCode = 216, kItOwner = 217, kItMerge = 218, kItDocument = 219,
              kItJobPw = 220, kItStoredPw = 221, kItMethod = 222, kItTelNo = 243, kItTelLine = 244,
              kItTally = 397, kItOverlay = 875, kItWatermarkOn = 63;
constexpr uint32_t kMethodTally = 255, kApiTally = 0x8;

struct IdentityBit {
    uint32_t bit;
    DWORD jcItem;
    int option;
};
constexpr IdentityBit kIdentity[] = {
    {kIdUserCode, 1, kItUserCode}, {kIdOwner, 2, kItOwner},  {kIdJobPw, 3, kItJobPw},  {kIdUserId, 4, kItUserId},
    {kIdDocument, 5, kItDocument}, {kIdTelNo, 6, kItTelNo}, {kIdTelLine, 7, kItTelLine}, {kIdStoredPw, 8, kItStoredPw},
};

bool isAlnumAscii(const std::string& s) {
    for (unsigned char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}
bool isFourDigits(const std::string& s) {
    if (s.size() != 4) return false;
    for (unsigned char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// A given text field of the record; false when it has no NUL in its width.
struct Given {
    bool given = false;
    std::string text;
};
bool readGiven(const BYTE* r, uint32_t flags, uint32_t flag, size_t at, size_t width, Given* out) {
    out->given = (flags & flag) != 0;
    return !out->given || RecText(r, at, width, &out->text);
}

// The user ID rule of methods 1 and 2: given, not empty and letters and
// digits only; not given, the stored one is not empty.
bool userIdRequired(DrvContext* ctx, const Given& uid) {
    if (uid.given) return !uid.text.empty() && isAlnumAscii(uid.text);
    JcFillUserItems(ctx, kIdUserId);
    return !StItemText(ctx, kItUserId).empty();
}

void queueStore(StatusCall& call, uint32_t bit) {
    DrvContext* ctx = call.ctx;
    call.commits.push_back([ctx, bit] { JcStoreUserItem(ctx, bit); });
}
void saveEntry(StatusCall& call, int id) { StSaveEntry(call, id); }

int probeOverlay(const std::string& path, char* output) {
    return OsIsWin9x() ? PathProbeShort(path.c_str(), output) : PathProbeFull(path.c_str(), output);
}

// Copies an option's text into a record field when it has 1 to width - 1
// bytes.
void putIfFits(DrvContext* ctx, BYTE* r, int option, size_t at, size_t width) {
    const std::string t = StItemText(ctx, option);
    if (!t.empty() && t.size() <= width - 1) RecPutText(r, at, width, t.data(), t.size());
}

}  // namespace

void JcFillUserItems(DrvContext* ctx, uint32_t mask) {
    if (!OsIsWin9x()) {
        JcFetchItemsIfOn(ctx, mask);
        return;
    }
    for (const IdentityBit& b : kIdentity) {
        if (!(mask & b.bit)) continue;
        WCHAR text[65] = {};
        if (!JcQueryStringExc(ctx->printer, b.jcItem, 1, text)) continue;
        char ansi[66] = {};
        if (b.option == kItTelLine) {
            StrWideToAnsi(ansi, text, sizeof ansi);
            StSetRaw(ctx, kItTelLine, static_cast<uint32_t>(std::atoi(ansi)));
            continue;
        }
        const uint32_t width = StItemWidth(ctx, b.option);
        if (!width || width > sizeof ansi) continue;
        StrWideToAnsi(ansi, text, static_cast<int>(width));
        StSetItemText(ctx, b.option, ansi);
    }
}

void JcStoreUserItem(DrvContext* ctx, uint32_t bit) {
    if (!OsIsWin9x()) {
        JcStoreItemsIfOn(ctx, bit);
        return;
    }
    if (bit != kIdOwner && bit != kIdJobPw && bit != kIdUserId && bit != kIdDocument && bit != kIdStoredPw) return;
    for (const IdentityBit& b : kIdentity) {
        if (b.bit != bit) continue;
        const uint32_t width = StItemWidth(ctx, b.option);
        if (!width) return;
        std::u16string wide(width, u'\0');
        StrAnsiToWide(wide.data(), StItemText(ctx, b.option).c_str(), static_cast<int>(width));
        JcSetItemDirect(ctx->printer, b.jcItem, 1, wide.data(), 2 * width);
    }
}

int StSetMethod(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const BYTE* r = call.record;
    const uint32_t method = RecU32(r, rec392::kMethod), flags = RecU32(r, rec392::kFlags);
    if (method == kMethodTally) {
        if (ApiFuncEnabled(call.handle, kApiTally) != 1) return -1;
        if (flags & rec392::kFlOverlay) {
            const size_t n = strnlen(reinterpret_cast<const char*>(r + rec392::kOverlay), 20);
            StSetItemText(ctx, kItTally, std::string(reinterpret_cast<const char*>(r + rec392::kOverlay), n));
        }
        return 1;
    }
    if (!StValueOk(ctx, kItMethod, method)) return -1;
    Given uid, jobPw, storedPw, owner, doc, merge, overlay;
    if (!readGiven(r, flags, rec392::kFlUserId, rec392::kUserId, rec392::kUserIdW, &uid) ||
        !readGiven(r, flags, rec392::kFlJobPw, rec392::kJobPw, rec392::kJobPwW, &jobPw) ||
        !readGiven(r, flags, rec392::kFlStoredPw, rec392::kStoredPw, rec392::kStoredPwW, &storedPw) ||
        !readGiven(r, flags, rec392::kFlOwner, rec392::kOwner, rec392::kOwnerW, &owner) ||
        !readGiven(r, flags, rec392::kFlDocument, rec392::kDocument, rec392::kDocumentW, &doc) ||
        !readGiven(r, flags, rec392::kFlMerge, rec392::kMerge, rec392::kMergeW, &merge) ||
        !readGiven(r, flags, rec392::kFlOverlay, rec392::kOverlay, rec392::kOverlayW, &overlay))
        return -1;
    const bool uidPlainOk = !uid.given || uid.text.empty() || isAlnumAscii(uid.text);
    switch (method) {
    case 0:
        if (!uidPlainOk) return -1;
        break;
    case 1:
        if (!userIdRequired(ctx, uid)) return -1;
        if (jobPw.given) {
            if (!isFourDigits(jobPw.text)) return -1;
        } else {
            JcFillUserItems(ctx, kIdJobPw);
            if (StItemText(ctx, kItJobPw).size() != 4) return -1;
        }
        break;
    case 2:
        if (!userIdRequired(ctx, uid)) return -1;
        break;
    case 3:
        if (!uidPlainOk) return -1;
        if (storedPw.given && !storedPw.text.empty() && !isFourDigits(storedPw.text)) return -1;
        if (owner.given && owner.text.find('"') != std::string::npos) return -1;
        if (doc.given && doc.text.find('"') != std::string::npos) return -1;
        break;
    case 5:
        if (merge.given && !FileNameOk(merge.text.c_str())) return -1;
        break;
    case 7:
        if (StRaw(ctx, kItWatermarkOn) != 0) return -1;
        if (overlay.given) {
            if (overlay.text.empty() || !OverlayPathOk(overlay.text.c_str())) return -1;
            if (!probeOverlay(overlay.text, nullptr)) return -1;
        } else if (StItemText(ctx, kItOverlay).empty()) {
            return -1;
        }
        break;
    default: return -1;
    }
    StSetRaw(ctx, kItMethod, method);
    saveEntry(call, kItMethod);
    auto store = [&](const Given& g, int option, uint32_t bit) {
        if (!g.given) return;
        StSetItemText(ctx, option, g.text);
        if (bit) queueStore(call, bit);
    };
    switch (method) {
    case 0:
    case 2: store(uid, kItUserId, kIdUserId); break;
    case 1:
        store(uid, kItUserId, kIdUserId);
        store(jobPw, kItJobPw, kIdJobPw);
        break;
    case 3:
        store(uid, kItUserId, kIdUserId);
        store(storedPw, kItStoredPw, kIdStoredPw);
        store(owner, kItOwner, kIdOwner);
        store(doc, kItDocument, kIdDocument);
        break;
    case 5: store(merge, kItMerge, 0); break;
    case 7:
        if (overlay.given) {
            char full[rec392::kOverlayW] = {};
            if (!probeOverlay(overlay.text, full)) return -1;
            StSetItemText(ctx, kItOverlay, full);
            saveEntry(call, kItOverlay);
        }
        break;
    default: break;
    }
    return 1;
}

int StVerifyMethod(StatusCall& call) {
    const uint32_t method = RecU32(call.record, rec392::kMethod);
    if (method == kMethodTally) return 1;
    return StRaw(call.ctx, kItMethod) == method ? 1 : -1;
}

int StGetMethod(StatusGetCall& call) {
    BYTE* r = call.record;
    if (!r) return rec392::kSize;
    DrvContext* ctx = call.ctx;
    std::memset(r + rec392::kUserId, 0, rec392::kOverlay + rec392::kOverlayW - rec392::kUserId);
    if (RecU32(r, rec392::kMethod) == kMethodTally && ApiFuncEnabled(call.handle, kApiTally) == 1) {
        const std::string tally = StItemText(ctx, kItTally);
        RecPutText(r, rec392::kOverlay, 21, tally.data(), tally.size());
        RecPutU32(r, rec392::kFlags, rec392::kFlOverlay);
        return rec392::kSize;
    }
    if (DmItem* item = ItemFindById(ctx, kItMethod)) OptLoadFromIni(ctx, item, StIniPath(ctx), nullptr, nullptr);
    RecPutU32(r, rec392::kMethod, StRaw(ctx, kItMethod));
    RecPutU32(r, rec392::kFlags, 0x7F);
    JcFillUserItems(ctx, kIdUserId | kIdJobPw | kIdStoredPw | kIdOwner | kIdDocument);
    // The passwords go out in clear: the API hands the caller what the
    // method needs.
    putIfFits(ctx, r, kItUserId, rec392::kUserId, rec392::kUserIdW);
    putIfFits(ctx, r, kItJobPw, rec392::kJobPw, rec392::kJobPwW);
    putIfFits(ctx, r, kItStoredPw, rec392::kStoredPw, rec392::kStoredPwW);
    putIfFits(ctx, r, kItOwner, rec392::kOwner, rec392::kOwnerW);
    putIfFits(ctx, r, kItDocument, rec392::kDocument, rec392::kDocumentW);
    putIfFits(ctx, r, kItMerge, rec392::kMerge, rec392::kMergeW);
    putIfFits(ctx, r, kItOverlay, rec392::kOverlay, rec392::kOverlayW);
    return rec392::kSize;
}

int StSetUserId(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    std::string uid;
    if (!RecText(call.record, rec392::kUserId, rec392::kUserIdW, &uid)) return -1;
    if (!uid.empty() && !isAlnumAscii(uid)) return -1;
    const uint32_t method = StRaw(ctx, kItMethod);
    if (uid.empty() && (method == 1 || method == 2)) return -1;
    StSetItemText(ctx, kItUserId, uid);
    queueStore(call, kIdUserId);
    return 1;
}

int StGetUserId(StatusGetCall& call) {
    BYTE* r = call.record;
    if (!r) return rec392::kSize;
    RecPutU32(r, rec392::kFlags, 0);
    std::memset(r + rec392::kUserId, 0, rec392::kUserIdW);
    JcFillUserItems(call.ctx, kIdUserId);
    const std::string uid = StItemText(call.ctx, kItUserId);
    if (!uid.empty() && uid.size() <= rec392::kUserIdW - 1) {
        RecPutText(r, rec392::kUserId, rec392::kUserIdW, uid.data(), uid.size());
        RecPutU32(r, rec392::kFlags, rec392::kFlUserId);
    }
    return rec392::kSize;
}

}  // namespace vesk
