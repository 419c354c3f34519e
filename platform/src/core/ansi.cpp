// Conversion between UTF-16 and the machine's 8-bit code pages through iconv.
#include "sim.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace winsim::detail {
namespace {

const char* iconvName(UINT cp) {
    switch (cp) {
        case 1252: return "CP1252";
        case 932: return "CP932";
        case 437: return "IBM437";
        case 850: return "IBM850";
        case 1250: return "CP1250";
        case 1251: return "CP1251";
        case 936: return "CP936";
        case 949: return "CP949";
        case 950: return "BIG5";
        case 65001: return "UTF-8";
        case 20127: return "ASCII";
        case 28591: return "ISO-8859-1";
        default: return nullptr;
    }
}

// Bytes that Windows code page 1252 maps straight to C1 controls while
// iconv's table leaves them undefined.
bool cp1252Hole(unsigned char b) { return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D; }

struct Converter {
    iconv_t cd;
    explicit Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

}  // namespace

UINT effectiveCodePage(UINT cp) {
    if (cp == 0 || cp == 3) return config().ansiCodePage;  // CP_ACP, CP_THREAD_ACP
    if (cp == 1) return config().oemCodePage;              // CP_OEMCP
    return cp;
}

bool isLeadByte(UINT cp, unsigned char b) {
    switch (effectiveCodePage(cp)) {
        case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950: return b >= 0x81 && b <= 0xFE;
        default: return false;
    }
}

std::u16string ansiToWide(std::string_view in, UINT cp, bool* lossless) {
    cp = effectiveCodePage(cp);
    if (lossless) *lossless = true;
    std::u16string out;
    if (cp == 65001) return fromUtf8(in);
    const char* name = iconvName(cp);
    Converter conv("UTF-16LE", name ? name : "CP1252");
    if (!conv.ok()) {
        for (unsigned char b : in) out += static_cast<char16_t>(b);
        return out;
    }
    size_t i = 0;
    while (i < in.size()) {
        unsigned char b = static_cast<unsigned char>(in[i]);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        if (cp == 1252 && cp1252Hole(b)) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        size_t n = isLeadByte(cp, b) && i + 1 < in.size() ? 2 : 1;
        char src[2] = {in[i], n == 2 ? in[i + 1] : '\0'};
        char16_t dst[4];
        char* sp = src;
        size_t sl = n;
        char* dp = reinterpret_cast<char*>(dst);
        size_t dl = sizeof dst;
        iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(conv.cd, &sp, &sl, &dp, &dl) == static_cast<size_t>(-1) || sl != 0) {
            out += isLeadByte(cp, b) ? u'\u30FB' : u'?';  // Windows' default for undefined DBCS
            if (lossless) *lossless = false;
        } else {
            size_t units = (sizeof dst - dl) / 2;
            out.append(dst, units);
        }
        i += n;
    }
    return out;
}

std::string wideToAnsi(std::u16string_view in, UINT cp, bool* lossless) {
    cp = effectiveCodePage(cp);
    if (lossless) *lossless = true;
    if (cp == 65001) return toUtf8(in);
    std::string out;
    const char* name = iconvName(cp);
    Converter conv(name ? name : "CP1252", "UTF-16LE");
    for (size_t i = 0; i < in.size(); ++i) {
        char16_t c = in[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (cp == 1252 && c < 0x100 && cp1252Hole(static_cast<unsigned char>(c))) {
            out += static_cast<char>(c);
            continue;
        }
        size_t units = (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size()) ? 2 : 1;
        char16_t src[2] = {c, units == 2 ? in[i + 1] : u'\0'};
        char dst[8];
        char* sp = reinterpret_cast<char*>(src);
        size_t sl = units * 2;
        char* dp = dst;
        size_t dl = sizeof dst;
        bool done = false;
        if (conv.ok()) {
            iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
            done = iconv(conv.cd, &sp, &sl, &dp, &dl) != static_cast<size_t>(-1) && sl == 0;
        }
        if (done) {
            out.append(dst, sizeof dst - dl);
        } else {
            out += '?';
            if (lossless) *lossless = false;
        }
        i += units - 1;
    }
    return out;
}

}  // namespace winsim::detail
