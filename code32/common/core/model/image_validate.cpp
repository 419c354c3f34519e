// Compiled model image: the check of a relocated image from the header down.
#include "core/model/image.h"

#include <new>
#include <string_view>
#include <unordered_map>

namespace vesk {

namespace {

// What a list holds, for remembering which records were checked.
enum class Held : uint8_t {
    Options, PickValues, PageValues, SlotValues, FontValues, Pages, Rows, Items, Alerts, AlertActions, Transacts,
    Actions, Cells
};

struct Checker {
    explicit Checker(const MdlImageView& view) : v(view) {}
    const MdlImageView& v;
    bool ok = true;
    // Rule lists and programs may be shared (a Transact list of several
    // rows, the values of copied options): a record already checked as what
    // it holds is not checked again, and a list that reaches one ends there
    // (its rest was checked). Reaching a record of the walk under way is a
    // loop. So every record is checked once, whatever the sharing.
    std::unordered_map<uint64_t, uint32_t> checked;
    uint32_t walks = 0;
    // Command lists and nodes are never shared by the writer: one budget for
    // the whole image, a step per list and per node (8 bytes or more each).
    uint32_t commandSteps = static_cast<uint32_t>(v.size() / 8);

    // False when `rec` was checked before as `held` (the walk ends there);
    // a record of the walk `walk` itself is a loop and fails the image.
    bool firstVisit(Held held, uint32_t rec, uint32_t walk) {
        auto [it, fresh] = checked.try_emplace(static_cast<uint64_t>(held) << 32 | rec, walk);
        if (!fresh && it->second == walk) ok = false;
        return fresh;
    }

    uint32_t link(uint32_t at, uint32_t length) {
        uint32_t x = 0;
        if (ok && !v.link(at, length, &x)) ok = false;
        return x;
    }
    // A narrow string ends within the block when a NUL lies at or after its
    // start: one test, however many records share the string.
    uint32_t lastNul = findLastNul();
    void str(uint32_t at) {
        uint32_t s = link(at, 1);
        if (ok && s && s > lastNul) ok = false;
    }
    uint32_t findLastNul() const {
        for (size_t i = v.size(); i-- > kMdlHeaderSize;)
            if (v.data()[i] == 0) return static_cast<uint32_t>(i);
        return 0;
    }
    // Arrays (font entries, FontTbl names) and command texts are the
    // writer's own for each record that holds them: every element and every
    // text byte checked takes from a budget of the image's size.
    uint32_t arraySteps = static_cast<uint32_t>(v.size() / 4);
    uint32_t textBytes = static_cast<uint32_t>(v.size());
    bool takeArray(uint32_t count) {
        if (count > arraySteps) ok = false;
        else arraySteps -= count;
        return ok;
    }
    // Walks a list; `each` checks one record.
    template <class Each>
    void list(uint32_t headAt, uint32_t recSize, Held held, Each each) {
        uint32_t head = link(headAt, recSize);
        if (!ok) return;
        const uint32_t walk = ++walks;
        MdlListWalk records(v, head, recSize);
        for (uint32_t rec; ok && records.next(&rec);) {
            if (!firstVisit(held, rec, walk)) return;
            each(rec);
        }
        if (records.failed()) ok = false;
    }
    void program(uint32_t at) {
        uint32_t p = link(at, 4);
        if (!ok || !p) return;
        // A program ends with its end cell inside the block; cells run
        // forward, so a cell checked before leads to an end.
        const uint32_t walk = ++walks;
        for (uint32_t c = p;; c += 4) {
            if (!firstVisit(Held::Cells, c, walk)) return;
            uint16_t kind, value;
            if (!v.u16(c, &kind) || !v.u16(c + 2, &value)) {
                ok = false;
                return;
            }
            if (kind == kMdlCellOperator && value == kMdlOpEnd) return;
        }
    }
    void transacts(uint32_t at) {
        list(at, kMdlImgPairSize, Held::Transacts, [&](uint32_t t) {
            program(t + 4);
            list(t + 8, kMdlImgPairSize, Held::Actions, [](uint32_t) {});
        });
    }
    void values(uint32_t option) {
        uint16_t type;
        v.u16(option + 10, &type);
        uint16_t base = MdlBaseType(type);
        if (MdlIsListType(base)) {
            uint32_t rec = base == kMdlPickSlot ? 20 : (base == kMdlPickPage || base == kMdlFontTbl) ? 24 : 12;
            const Held held = base == kMdlPickSlot   ? Held::SlotValues
                              : base == kMdlPickPage ? Held::PageValues
                              : base == kMdlFontTbl  ? Held::FontValues
                                                     : Held::PickValues;
            list(option + 24, rec, held, [&](uint32_t val) {
                str(val + 8);
                if (base == kMdlPickPage) list(val + 20, kMdlImgPageSize, Held::Pages, [](uint32_t) {});
                uint32_t count = 0;
                v.u32(val + 12, &count);
                if (base == kMdlPickSlot && count) {
                    if (count > v.size() / 2) ok = false;
                    else link(val + 16, 2 * count);
                }
                if (base == kMdlFontTbl && count) {
                    if (count > v.size() / 4 || !takeArray(2 * count)) {
                        ok = false;
                        return;
                    }
                    for (uint32_t arrAt : {val + 16, val + 20}) {
                        uint32_t arr = link(arrAt, 4 * count);
                        for (uint32_t i = 0; ok && arr && i < count; ++i) str(arr + 4 * i);
                    }
                }
            });
        } else if (base == kMdlBoolean) {
            uint32_t b = link(option + 24, 12);
            if (ok && b) {
                str(b + 4);
                str(b + 8);
            }
        } else if (base == kMdlNumeric) {
            link(option + 24, 24);
        } else if (base == kMdlString) {
            link(option + 24, 8);
        }
    }
    void commandList(uint32_t at, int depth) {
        if (!ok || !at) return;
        if (commandSteps-- == 0 || depth > 64 || !v.inside(at, kMdlImgCommandListSize)) {
            ok = false;
            return;
        }
        program(at);
        for (uint32_t head : {at + 4, at + 8}) {
            uint32_t first = link(head, 8);
            MdlListWalk nodes(v, first, 8);
            for (uint32_t n; ok && nodes.next(&n);) {
                if (commandSteps-- == 0) {
                    ok = false;
                    return;
                }
                uint16_t kind;
                v.u16(n + 4, &kind);
                if (kind == 1 || kind == 3) link(n, 12);  // whole node inside
                if (kind == 2) {
                    uint32_t len = 0, text = 0;
                    if (!v.u32(n + 8, &len) || !v.u32(n + 12, &text)) {
                        ok = false;
                        return;
                    }
                    if (text) {
                        std::string_view s;
                        str(n + 12);
                        if (ok && (len > textBytes || !v.str(text, &s) || len != s.size() + 1)) ok = false;
                        textBytes -= ok ? len : 0;
                    }
                }
                if (kind == 3) {
                    uint32_t nested = link(n + 8, kMdlImgCommandListSize);
                    commandList(nested, depth + 1);
                }
            }
            if (nodes.failed()) ok = false;
        }
    }
    void fonts(int countSlot) {
        uint32_t count = 0, arr = 0;
        v.slot(countSlot, &count);
        if (!count) return;
        if (count > v.size() / 4 || !takeArray(count)) {
            ok = false;
            return;
        }
        arr = link(MdlSlotOffset(countSlot + 1), 4 * count);
        if (!arr) ok = false;
        for (uint32_t i = 0; ok && i < count; ++i) {
            uint32_t e = link(arr + 4 * i, 8);
            if (ok && e) str(e + 4);
        }
    }
};

}  // namespace

namespace {

bool validate(const MdlImageView& view) {
    Checker c{view};
    c.list(MdlSlotOffset(0), kMdlImgOptionSize, Held::Options, [&](uint32_t o) {
        uint32_t pair = c.link(o + 16, 8);
        if (c.ok && pair) {
            c.str(pair);
            c.str(pair + 4);
        }
        c.link(o + 20, kMdlImgExclusiveSize);
        c.values(o);
    });
    for (int s = 1; c.ok && s < kMdlSlotResourceDll; ++s) c.link(MdlSlotOffset(s), kMdlImgOptionSize);
    for (int s : {kMdlSlotResourceDll, kMdlSlotConstraintDll}) {
        uint32_t at = c.link(MdlSlotOffset(s), 2);
        std::u16string w;
        if (c.ok && at && !view.wstr(at, &w)) c.ok = false;
    }
    c.list(MdlSlotOffset(kMdlSlotExclusive), kMdlImgExclusiveSize, Held::Rows, [&](uint32_t row) {
        c.program(row + 8);
        c.program(row + 12);
        c.list(row + 16, kMdlImgItemSize, Held::Items, [&](uint32_t e) {
            c.program(e + 8);
            c.program(e + 12);
        });
        c.list(row + 20, kMdlImgAlertSize, Held::Alerts, [&](uint32_t e) {
            c.program(e + 4);
            c.list(e + 16, kMdlImgPairSize, Held::AlertActions, [&](uint32_t a) { c.transacts(a + 8); });
        });
        c.transacts(row + 24);
        c.transacts(row + 28);
    });
    for (int g = kMdlSlotJobStart; c.ok && g <= kMdlSlotPageEnd; ++g)
        c.commandList(c.link(MdlSlotOffset(g), kMdlImgCommandListSize), 0);
    c.fonts(kMdlSlotDeviceFontCount);
    c.fonts(kMdlSlotCartridgeFontCount);
    return c.ok;
}

}  // namespace

bool MdlValidateImage(const MdlImageView& view) {
    uint32_t total = 0;
    if (view.size() < kMdlHeaderSize || view.size() > kMdlImageMaxSize || !view.u32(kMdlImgTotalSize, &total) ||
        total != view.size())
        return false;
    try {
        return validate(view);
    } catch (const std::bad_alloc&) {
        return false;  // the record of what was checked did not fit
    }
}

}  // namespace vesk
