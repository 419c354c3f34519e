// Message boxes of the string library's messages, with optional leading and
// trailing texts and caller values substituted into the message.
#include "core/library_profile.h"
#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/res/text_format.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr size_t kCaptionChars = 261;
constexpr size_t kMessageChars = 1024;
constexpr int kMaxValues = 8;

// Frees its blocks on every way out.
struct Blocks {
    WCHAR* b[3] = {};
    ~Blocks() {
        for (WCHAR* p : b) MemFree(p);
    }
};

}  // namespace

int MsgBoxShow(DrvContext* ctx, const MsgBoxRequest* rq, HWND owner) {
    if (!rq || !CurrentProfile().showsMessages) return 0;
    if (rq->argKind == kMsgArgNone && rq->argument) return 0;
    if (rq->argKind == kMsgArgValues && (rq->valueCount == 0 || !rq->argument)) return 0;
    if (rq->argKind == kMsgArgText && !rq->argument) return 0;
    if (rq->argKind > kMsgArgValues) return 0;
    // 2048 bytes and room for each text and argument with its NUL.
    const WCHAR* argText = rq->argKind == kMsgArgText ? static_cast<const WCHAR*>(rq->argument) : nullptr;
    size_t bytes = 2048;
    if (rq->leading) bytes += (WLen(rq->leading) + 1) * sizeof(WCHAR);
    if (rq->trailing) bytes += (WLen(rq->trailing) + 1) * sizeof(WCHAR);
    if (argText) bytes += (WLen(argText) + 1) * sizeof(WCHAR);
    if (rq->argKind == kMsgArgValues) bytes += 32u * rq->valueCount;
    const size_t chars = bytes / sizeof(WCHAR) + kMessageChars;
    Blocks m;
    m.b[0] = static_cast<WCHAR*>(MemAllocZero(kCaptionChars * sizeof(WCHAR)));
    m.b[1] = static_cast<WCHAR*>(MemAllocZero(chars * sizeof(WCHAR)));
    m.b[2] = static_cast<WCHAR*>(MemAllocZero(chars * sizeof(WCHAR)));
    if (!m.b[0] || !m.b[1] || !m.b[2]) return 0;
    WCHAR *caption = m.b[0], *message = m.b[1], *text = m.b[2];

    if (rq->captionId) ResLoadString(ctx, rq->captionId, caption, kCaptionChars, 1);
    else WCopyCut(caption, kCaptionChars, PrnGetPrinterName(ctx));

    ResLoadString(ctx, rq->messageId, message, kMessageChars, 1);
    if (rq->leading) {
        WCopyCut(text, chars, rq->leading);
        WAppendWhole(text, chars, u"\r\n\r\n");
    }
    size_t at = WLen(text);
    if (argText) {
        at += FormatBounded(text + at, chars - at, message, {argText, nullptr, 0});
    } else if (rq->argKind == kMsgArgValues) {
        // Each value passes as an integer; a count past 8 passes the first.
        const auto* v16 = static_cast<const uint16_t*>(rq->argument);
        const int n = rq->valueCount <= kMaxValues ? rq->valueCount : 1;
        int32_t values[kMaxValues];
        for (int i = 0; i < n; ++i) values[i] = v16[i];
        at += FormatBounded(text + at, chars - at, message, {nullptr, values, n});
    } else {
        WCopyCut(text + at, chars - at, message);
    }
    if (rq->trailing) {
        WAppendWhole(text, chars, u"\r\n\r\n");
        WAppendWhole(text, chars, rq->trailing);
        WAppendWhole(text, chars, u"\r\n\r\n");
    }
    return MessageBoxW(owner, text, caption, static_cast<UINT>(rq->iconStyle | rq->buttonStyle));
}

int MsgBoxSimple(DrvContext* ctx, HWND owner, uint16_t messageId, int cancel) {
    MsgBoxRequest rq{messageId, 0, MB_ICONEXCLAMATION, static_cast<uint16_t>(cancel ? MB_OKCANCEL : MB_OK),
                     nullptr, kMsgArgNone, 0, nullptr, nullptr};
    return MsgBoxShow(ctx, &rq, owner ? owner : GetActiveWindow());
}

int MsgBoxOk(DrvContext* ctx, HWND owner, uint16_t messageId) { return MsgBoxSimple(ctx, owner, messageId, 0); }

int MsgBoxOkCancel(DrvContext* ctx, HWND owner, uint16_t messageId) { return MsgBoxSimple(ctx, owner, messageId, 1); }

int MsgBoxWithText(DrvContext* ctx, HWND owner, uint16_t messageId, const WCHAR* text) {
    MsgBoxRequest rq{messageId, 0, MB_ICONEXCLAMATION, MB_OK, nullptr, kMsgArgText, 0, text, nullptr};
    return MsgBoxShow(ctx, &rq, owner ? owner : GetActiveWindow());
}

}  // namespace vesk
