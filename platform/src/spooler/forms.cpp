// The form database: the standard forms every Windows machine has, then the
// machine's own forms (AddFormW), with EnumFormsW, GetFormW, AddFormW and
// DeleteFormW.
#include "store.h"

#include "core/guard.h"

namespace winsim::spool {
namespace {

// Standard forms in paper-number order: a form's position + 1 is its
// DMPAPER_* value, which callers rely on ("dmPaperSize = form index + 1").
// Sizes in 0.001 mm; inch sizes converted exactly (1 in = 25400). Paper
// numbers 48 and 49 are reserved: their entries only keep the positions
// right and have a size that no paper has.
struct Builtin {
    const char16_t* name;
    int32_t cx, cy;
};
constexpr int32_t in(double inches) { return static_cast<int32_t>(inches * 25400 + 0.5); }
constexpr int32_t mm(int32_t millimetres) { return millimetres * 1000; }

constexpr Builtin kBuiltin[] = {
    {u"Letter", in(8.5), in(11)},                        // 1
    {u"Letter Small", in(8.5), in(11)},
    {u"Tabloid", in(11), in(17)},
    {u"Ledger", in(17), in(11)},
    {u"Legal", in(8.5), in(14)},                         // 5
    {u"Statement", in(5.5), in(8.5)},
    {u"Executive", in(7.25), in(10.5)},
    {u"A3", mm(297), mm(420)},
    {u"A4", mm(210), mm(297)},
    {u"A4 Small", mm(210), mm(297)},                     // 10
    {u"A5", mm(148), mm(210)},
    {u"B4 (JIS)", mm(257), mm(364)},
    {u"B5 (JIS)", mm(182), mm(257)},
    {u"Folio", in(8.5), in(13)},
    {u"Quarto", mm(215), mm(275)},                       // 15
    {u"10x14", in(10), in(14)},
    {u"11x17", in(11), in(17)},
    {u"Note", in(8.5), in(11)},
    {u"Envelope #9", in(3.875), in(8.875)},
    {u"Envelope #10", in(4.125), in(9.5)},               // 20
    {u"Envelope #11", in(4.5), in(10.375)},
    {u"Envelope #12", in(4.75), in(11)},
    {u"Envelope #14", in(5), in(11.5)},
    {u"C size sheet", in(17), in(22)},
    {u"D size sheet", in(22), in(34)},                   // 25
    {u"E size sheet", in(34), in(44)},
    {u"Envelope DL", mm(110), mm(220)},
    {u"Envelope C5", mm(162), mm(229)},
    {u"Envelope C3", mm(324), mm(458)},
    {u"Envelope C4", mm(229), mm(324)},                  // 30
    {u"Envelope C6", mm(114), mm(162)},
    {u"Envelope C65", mm(114), mm(229)},
    {u"Envelope B4", mm(250), mm(353)},
    {u"Envelope B5", mm(176), mm(250)},
    {u"Envelope B6", mm(176), mm(125)},                  // 35
    {u"Envelope", mm(110), mm(230)},
    {u"Envelope Monarch", in(3.875), in(7.5)},
    {u"6 3/4 Envelope", in(3.625), in(6.5)},
    {u"US Std Fanfold", in(14.875), in(11)},
    {u"German Std Fanfold", in(8.5), in(12)},            // 40
    {u"German Legal Fanfold", in(8.5), in(13)},
    {u"B4 (ISO)", mm(250), mm(353)},
    {u"Japanese Postcard", mm(100), mm(148)},
    {u"9x11", in(9), in(11)},
    {u"10x11", in(10), in(11)},                          // 45
    {u"15x11", in(15), in(11)},
    {u"Envelope Invite", mm(220), mm(220)},
    {u"Reserved48", 1, 1},
    {u"Reserved49", 1, 1},
    {u"Letter Extra", in(9.5), in(12)},                  // 50
    {u"Legal Extra", in(9.5), in(15)},
    {u"Tabloid Extra", in(11.69), in(18)},
    {u"A4 Extra", in(9.27), in(12.69)},
    {u"Letter Transverse", in(8.275), in(11)},
    {u"A4 Transverse", mm(210), mm(297)},                // 55
    {u"Letter Extra Transverse", in(9.275), in(12)},
    {u"Super A", mm(227), mm(356)},
    {u"Super B", mm(305), mm(487)},
    {u"Letter Plus", in(8.5), in(12.69)},
    {u"A4 Plus", mm(210), mm(330)},                      // 60
    {u"A5 Transverse", mm(148), mm(210)},
    {u"B5 (JIS) Transverse", mm(182), mm(257)},
    {u"A3 Extra", mm(322), mm(445)},
    {u"A5 Extra", mm(174), mm(235)},
    {u"B5 (ISO) Extra", mm(201), mm(276)},               // 65
    {u"A2", mm(420), mm(594)},
    {u"A3 Transverse", mm(297), mm(420)},
    {u"A3 Extra Transverse", mm(322), mm(445)},
    {u"Japanese Double Postcard", mm(200), mm(148)},
    {u"A6", mm(105), mm(148)},                           // 70
    {u"Japanese Envelope Kaku #2", mm(240), mm(332)},
    {u"Japanese Envelope Kaku #3", mm(216), mm(277)},
    {u"Japanese Envelope Chou #3", mm(120), mm(235)},
    {u"Japanese Envelope Chou #4", mm(90), mm(205)},
    {u"Letter Rotated", in(11), in(8.5)},                // 75
    {u"A3 Rotated", mm(420), mm(297)},
    {u"A4 Rotated", mm(297), mm(210)},
    {u"A5 Rotated", mm(210), mm(148)},
    {u"B4 (JIS) Rotated", mm(364), mm(257)},
    {u"B5 (JIS) Rotated", mm(257), mm(182)},             // 80
    {u"Japanese Postcard Rotated", mm(148), mm(100)},
    {u"Double Japan Postcard Rotated", mm(148), mm(200)},
    {u"A6 Rotated", mm(148), mm(105)},
    {u"Japan Envelope Kaku #2 Rotated", mm(332), mm(240)},
    {u"Japan Envelope Kaku #3 Rotated", mm(277), mm(216)},  // 85
    {u"Japan Envelope Chou #3 Rotated", mm(235), mm(120)},
    {u"Japan Envelope Chou #4 Rotated", mm(205), mm(90)},
    {u"B6 (JIS)", mm(128), mm(182)},
    {u"B6 (JIS) Rotated", mm(182), mm(128)},
    {u"12x11", in(12), in(11)},                          // 90
    {u"Japan Envelope You #4", mm(105), mm(235)},
    {u"Japan Envelope You #4 Rotated", mm(235), mm(105)},
    {u"PRC 16K", mm(146), mm(215)},
    {u"PRC 32K", mm(97), mm(151)},
    {u"PRC 32K(Big)", mm(97), mm(151)},                  // 95
    {u"PRC Envelope #1", mm(102), mm(165)},
    {u"PRC Envelope #2", mm(102), mm(176)},
    {u"PRC Envelope #3", mm(125), mm(176)},
    {u"PRC Envelope #4", mm(110), mm(208)},
    {u"PRC Envelope #5", mm(110), mm(220)},              // 100
    {u"PRC Envelope #6", mm(120), mm(230)},
    {u"PRC Envelope #7", mm(160), mm(230)},
    {u"PRC Envelope #8", mm(120), mm(309)},
    {u"PRC Envelope #9", mm(229), mm(324)},
    {u"PRC Envelope #10", mm(324), mm(458)},             // 105
    {u"PRC 16K Rotated", mm(215), mm(146)},
    {u"PRC 32K Rotated", mm(151), mm(97)},
    {u"PRC 32K(Big) Rotated", mm(151), mm(97)},
    {u"PRC Envelope #1 Rotated", mm(165), mm(102)},
    {u"PRC Envelope #2 Rotated", mm(176), mm(102)},      // 110
    {u"PRC Envelope #3 Rotated", mm(176), mm(125)},
    {u"PRC Envelope #4 Rotated", mm(208), mm(110)},
    {u"PRC Envelope #5 Rotated", mm(220), mm(110)},
    {u"PRC Envelope #6 Rotated", mm(230), mm(120)},
    {u"PRC Envelope #7 Rotated", mm(230), mm(160)},      // 115
    {u"PRC Envelope #8 Rotated", mm(309), mm(120)},
    {u"PRC Envelope #9 Rotated", mm(324), mm(229)},
    {u"PRC Envelope #10 Rotated", mm(458), mm(324)},     // 118
};
static_assert(sizeof(kBuiltin) / sizeof(kBuiltin[0]) == 118, "one standard form per paper number 1-118");

// Every form a handle sees: the standard ones, then the machine's own.
std::vector<FormRecord> allForms(const State& s) {
    std::vector<FormRecord> out = builtinForms();
    out.insert(out.end(), s.forms.begin(), s.forms.end());
    return out;
}

bool isHandle(HANDLE h) {
    if (lookupPrinterHandle(h)) return true;
    detail::setError(ERROR_INVALID_HANDLE);
    return false;
}

// Record sizes and the layout of one form (level 1 or 2) at `rec`.
size_t recordSize(DWORD level) { return level == 1 ? sizeof(FORM_INFO_1W) : sizeof(FORM_INFO_2W); }

struct FormOffsets {
    size_t name, keyword;
};

FormOffsets packForm(Packer& p, const FormRecord& f, DWORD level) {
    FormOffsets o{p.addText(f.name), Packer::kNone};
    if (level == 2) {
        std::string kw = toUtf8(f.name);  // the keyword is the ANSI form of the name
        o.keyword = p.add(kw.c_str(), kw.size() + 1, 1);
    }
    return o;
}

void putForm(BYTE* base, size_t at, const FormRecord& f, DWORD level, const FormOffsets& o) {
    SIZEL size{f.cx, f.cy};
    RECTL area{f.left, f.top, f.right, f.bottom};
    if (level == 1) {
        FORM_INFO_1W r{};
        r.Flags = f.flags;
        r.pName = Packer::at<WCHAR>(base, o.name);
        r.Size = size;
        r.ImageableArea = area;
        putRecord(base + at, r);
    } else {
        FORM_INFO_2W r{};
        r.Flags = f.flags;
        r.pName = Packer::at<WCHAR>(base, o.name);
        r.Size = size;
        r.ImageableArea = area;
        r.pKeyword = Packer::at<CHAR>(base, o.keyword);
        r.StringType = STRING_NONE;  // no resource library holds our names
        putRecord(base + at, r);
    }
}

bool validForm(const FormRecord& f) {
    return f.cx > 0 && f.cy > 0 && f.left >= 0 && f.top >= 0 && f.left < f.right && f.top < f.bottom &&
           f.right <= f.cx && f.bottom <= f.cy;
}

}  // namespace

const std::vector<FormRecord>& builtinForms() {
    static const std::vector<FormRecord>* forms = [] {
        auto* v = new std::vector<FormRecord>;
        for (const auto& b : kBuiltin) {
            FormRecord f;
            f.name = b.name;
            f.cx = b.cx;
            f.cy = b.cy;
            f.right = b.cx;
            f.bottom = b.cy;
            f.flags = FORM_BUILTIN;
            v->push_back(std::move(f));
        }
        return v;
    }();
    return *forms;
}

}  // namespace winsim::spool

namespace winsim {
std::vector<FormRecord> listForms() {
    spool::State s;
    if (spool::readState(s)) return spool::builtinForms();
    return spool::allForms(s);
}
}  // namespace winsim

using namespace winsim;
using namespace winsim::spool;

extern "C" {

WINBASEAPI BOOL WINAPI EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded,
                                  LPDWORD pcReturned) {
    if (detail::enter("EnumFormsW", "level " + std::to_string(Level))) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!isHandle(hPrinter)) return FALSE;
        if (!pcReturned) {
            detail::setError(RPC_X_NULL_REF_POINTER);
            return FALSE;
        }
        *pcReturned = 0;
        if (Level != 1 && Level != 2) {
            detail::setError(ERROR_INVALID_LEVEL);
            return FALSE;
        }
        State s;
        if (DWORD e = readState(s)) {
            detail::setError(e);
            return FALSE;
        }
        std::vector<FormRecord> forms = allForms(s);
        size_t rec = recordSize(Level);
        Packer p(rec * forms.size());
        std::vector<FormOffsets> offs;
        offs.reserve(forms.size());
        for (const auto& f : forms) offs.push_back(packForm(p, f, Level));
        if (!checkBuffer(pForm, cbBuf, pcbNeeded, p.size())) return FALSE;
        for (size_t i = 0; i < forms.size(); ++i) putForm(pForm, i * rec, forms[i], Level, offs[i]);
        p.writeTo(pForm);
        *pcReturned = static_cast<DWORD>(forms.size());
        return TRUE;
    });
}

WINBASEAPI BOOL WINAPI GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf,
                                LPDWORD pcbNeeded) {
    if (detail::enter("GetFormW")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!isHandle(hPrinter)) return FALSE;
        if (Level != 1 && Level != 2) {
            detail::setError(ERROR_INVALID_LEVEL);
            return FALSE;
        }
        if (!pFormName) {
            detail::setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        std::u16string name = boundedText(pFormName);
        State s;
        if (DWORD e = readState(s)) {
            detail::setError(e);
            return FALSE;
        }
        for (const auto& f : allForms(s)) {
            if (!detail::wequalNoCase(f.name, name)) continue;
            Packer p(recordSize(Level));
            FormOffsets o = packForm(p, f, Level);
            if (!checkBuffer(pForm, cbBuf, pcbNeeded, p.size())) return FALSE;
            putForm(pForm, 0, f, Level, o);
            p.writeTo(pForm);
            return TRUE;
        }
        detail::setError(ERROR_INVALID_FORM_NAME);
        return FALSE;
    });
}

// Adds a form of the machine's own (level 1 or 2 record; the fields of level
// 2 beyond those of level 1 are not kept). Needs administrator access on the
// handle.
WINBASEAPI BOOL WINAPI AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm) {
    if (detail::enter("AddFormW")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto h = lookupPrinterHandle(hPrinter);
        if (!h) {
            detail::setError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (Level != 1 && Level != 2) {
            detail::setError(ERROR_INVALID_LEVEL);
            return FALSE;
        }
        if (!pForm) {
            detail::setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!(h->granted & (h->server ? SERVER_ACCESS_ADMINISTER : PRINTER_ACCESS_ADMINISTER))) {
            detail::setError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        FORM_INFO_1W in;  // level 2 begins with the same fields
        std::memcpy(&in, pForm, sizeof in);
        FormRecord f;
        f.name = boundedText(in.pName, kMaxFormName + 1);
        f.cx = in.Size.cx;
        f.cy = in.Size.cy;
        f.left = in.ImageableArea.left;
        f.top = in.ImageableArea.top;
        f.right = in.ImageableArea.right;
        f.bottom = in.ImageableArea.bottom;
        f.flags = FORM_USER;
        if (f.name.empty() || f.name.size() > kMaxFormName) {
            detail::setError(ERROR_INVALID_FORM_NAME);
            return FALSE;
        }
        if (!validForm(f)) {
            detail::setError(ERROR_INVALID_FORM_SIZE);
            return FALSE;
        }
        DWORD e = changeState([&](State& s) -> DWORD {
            for (const auto& g : allForms(s))
                if (detail::wequalNoCase(g.name, f.name)) return ERROR_FILE_EXISTS;
            s.forms.push_back(f);
            return ERROR_SUCCESS;
        });
        if (e) {
            detail::setError(e);
            return FALSE;
        }
        return TRUE;
    });
}

// Deletes a form of the machine's own; the standard forms stay.
WINBASEAPI BOOL WINAPI DeleteFormW(HANDLE hPrinter, LPWSTR pFormName) {
    if (detail::enter("DeleteFormW")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto h = lookupPrinterHandle(hPrinter);
        if (!h) {
            detail::setError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (!pFormName) {
            detail::setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!(h->granted & (h->server ? SERVER_ACCESS_ADMINISTER : PRINTER_ACCESS_ADMINISTER))) {
            detail::setError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        std::u16string name = boundedText(pFormName);
        for (const auto& b : builtinForms())
            if (detail::wequalNoCase(b.name, name)) {
                detail::setError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
        DWORD e = changeState([&](State& s) -> DWORD {
            for (auto it = s.forms.begin(); it != s.forms.end(); ++it)
                if (detail::wequalNoCase(it->name, name)) {
                    s.forms.erase(it);
                    return ERROR_SUCCESS;
                }
            return ERROR_INVALID_FORM_NAME;
        });
        if (e) {
            detail::setError(e);
            return FALSE;
        }
        return TRUE;
    });
}

}  // extern "C"
