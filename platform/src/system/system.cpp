// OS version, identity and locale, all from the machine's configuration.
#include <win/security.h>
#include <win/system.h>

#include <cstdio>
#include <cstring>

#include "security/security_internal.h"

using namespace winsim::detail;

namespace {

BOOL fail(DWORD error) {
    setError(error);
    return FALSE;
}

// "Service Pack 3" -> 3; anything else 0.
WORD servicePackMajor(const std::string& csd) {
    constexpr std::string_view prefix = "Service Pack ";
    if (csd.compare(0, prefix.size(), prefix) != 0) return 0;
    unsigned v = 0;
    for (size_t i = prefix.size(); i < csd.size() && csd[i] >= '0' && csd[i] <= '9' && v < 1000; ++i)
        v = v * 10 + static_cast<unsigned>(csd[i] - '0');
    return static_cast<WORD>(v);
}

bool isNineX() { return winsim::config().osPlatform == VER_PLATFORM_WIN32_WINDOWS; }

DWORD buildNumber() {
    const auto& c = winsim::config();
    // Windows 9x keeps major and minor in the high word of the build number.
    if (isNineX()) return (c.osMajor << 24) | ((c.osMinor & 0xFF) << 16) | (c.osBuild & 0xFFFF);
    return c.osBuild;
}

// A condition on two numbers; nothing for VER_AND / VER_OR or unknown ones.
std::optional<bool> compare(uint64_t actual, uint64_t wanted, int condition) {
    switch (condition) {
        case VER_EQUAL: return actual == wanted;
        case VER_GREATER: return actual > wanted;
        case VER_GREATER_EQUAL: return actual >= wanted;
        case VER_LESS: return actual < wanted;
        case VER_LESS_EQUAL: return actual <= wanted;
        default: return std::nullopt;
    }
}

int bitIndex(DWORD bit) {
    int i = 0;
    while (bit > 1) {
        bit >>= 1;
        ++i;
    }
    return i;
}

// --- Locales ---

struct Locale {
    LCID lcid;
    const char* name;           // LOCALE_SNAME
    const char* language;       // English name
    const char* nativeLanguage;
    const char* country;        // English name
    const char* nativeCountry;
    const char* abbrevLanguage;
    const char* abbrevCountry;
    const char* iso639;
    const char* iso3166;
    int countryCode;
    int ansiCodePage;
    int oemCodePage;
    int measure;                // 0 metric, 1 US
    const char* decimal;
    const char* thousand;
    const char* list;
};

// Locales the stand-in knows; machines use one of them.
constexpr Locale kLocales[] = {
    {0x0409, "en-US", "English", "English", "United States", "United States", "ENU", "USA", "en", "US", 1, 1252, 437, 1, ".", ",", ","},
    {0x0809, "en-GB", "English", "English", "United Kingdom", "United Kingdom", "ENG", "GBR", "en", "GB", 44, 1252, 850, 0, ".", ",", ","},
    {0x0C09, "en-AU", "English", "English", "Australia", "Australia", "ENA", "AUS", "en", "AU", 61, 1252, 850, 0, ".", ",", ","},
    {0x1009, "en-CA", "English", "English", "Canada", "Canada", "ENC", "CAN", "en", "CA", 2, 1252, 850, 0, ".", ",", ","},
    {0x0407, "de-DE", "German", "Deutsch", "Germany", "Deutschland", "DEU", "DEU", "de", "DE", 49, 1252, 850, 0, ",", ".", ";"},
    {0x0C07, "de-AT", "German", "Deutsch", "Austria", "\xC3\x96sterreich", "DEA", "AUT", "de", "AT", 43, 1252, 850, 0, ",", ".", ";"},
    {0x0807, "de-CH", "German", "Deutsch", "Switzerland", "Schweiz", "DES", "CHE", "de", "CH", 41, 1252, 850, 0, ".", "'", ";"},
    {0x040C, "fr-FR", "French", "fran\xC3\xA7" "ais", "France", "France", "FRA", "FRA", "fr", "FR", 33, 1252, 850, 0, ",", "\xC2\xA0", ";"},
    {0x080C, "fr-BE", "French", "fran\xC3\xA7" "ais", "Belgium", "Belgique", "FRB", "BEL", "fr", "BE", 32, 1252, 850, 0, ",", ".", ";"},
    {0x0C0C, "fr-CA", "French", "fran\xC3\xA7" "ais", "Canada", "Canada", "FRC", "CAN", "fr", "CA", 2, 1252, 863, 0, ",", "\xC2\xA0", ";"},
    {0x0410, "it-IT", "Italian", "italiano", "Italy", "Italia", "ITA", "ITA", "it", "IT", 39, 1252, 850, 0, ",", ".", ";"},
    {0x0C0A, "es-ES", "Spanish", "espa\xC3\xB1ol", "Spain", "Espa\xC3\xB1" "a", "ESN", "ESP", "es", "ES", 34, 1252, 850, 0, ",", ".", ";"},
    {0x0413, "nl-NL", "Dutch", "Nederlands", "Netherlands", "Nederland", "NLD", "NLD", "nl", "NL", 31, 1252, 850, 0, ",", ".", ";"},
    {0x0416, "pt-BR", "Portuguese", "portugu\xC3\xAAs", "Brazil", "Brasil", "PTB", "BRA", "pt", "BR", 55, 1252, 850, 0, ",", ".", ";"},
    {0x041D, "sv-SE", "Swedish", "svenska", "Sweden", "Sverige", "SVE", "SWE", "sv", "SE", 46, 1252, 850, 0, ",", "\xC2\xA0", ";"},
    {0x0415, "pl-PL", "Polish", "polski", "Poland", "Polska", "PLK", "POL", "pl", "PL", 48, 1250, 852, 0, ",", "\xC2\xA0", ";"},
    {0x0419, "ru-RU", "Russian", "\xD1\x80\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", "Russia", "\xD0\xA0\xD0\xBE\xD1\x81\xD1\x81\xD0\xB8\xD1\x8F", "RUS", "RUS", "ru", "RU", 7, 1251, 866, 0, ",", "\xC2\xA0", ";"},
    {0x0411, "ja-JP", "Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "Japan", "\xE6\x97\xA5\xE6\x9C\xAC", "JPN", "JPN", "ja", "JP", 81, 932, 932, 0, ".", ",", ","},
    {0x0804, "zh-CN", "Chinese", "\xE4\xB8\xAD\xE6\x96\x87", "People's Republic of China", "\xE4\xB8\xAD\xE5\x8D\x8E\xE4\xBA\xBA\xE6\xB0\x91\xE5\x85\xB1\xE5\x92\x8C\xE5\x9B\xBD", "CHS", "CHN", "zh", "CN", 86, 936, 936, 0, ".", ",", ","},
    {0x0404, "zh-TW", "Chinese", "\xE4\xB8\xAD\xE6\x96\x87", "Taiwan", "\xE5\x8F\xB0\xE7\x81\xA3", "CHT", "TWN", "zh", "TW", 886, 950, 950, 0, ".", ",", ","},
    {0x0412, "ko-KR", "Korean", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4", "Korea", "\xEB\x8C\x80\xED\x95\x9C\xEB\xAF\xBC\xEA\xB5\xAD", "KOR", "KOR", "ko", "KR", 82, 949, 949, 0, ".", ",", ","},
};

const Locale* findLocale(LCID lcid) {
    for (const auto& l : kLocales)
        if (l.lcid == LANGIDFROMLCID(lcid)) return &l;
    return nullptr;
}

LCID systemLcid() {
    const auto& c = winsim::config();
    if (auto v = c.get("locale.systemlcid")) {
        char* end = nullptr;
        unsigned long n = std::strtoul(v->c_str(), &end, 0);
        if (end && !*end && n && n <= 0xFFFFFFFFul) return static_cast<LCID>(n);
    }
    return c.userLcid;
}

}  // namespace

extern "C" {

// --- Version ---

WINBASEAPI BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW info) {
    if (enter("GetVersionExW")) return FALSE;
    if (!info) return fail(ERROR_INVALID_PARAMETER);
    DWORD size = info->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) return fail(ERROR_INSUFFICIENT_BUFFER);
    const auto& c = winsim::config();
    info->dwMajorVersion = c.osMajor;
    info->dwMinorVersion = c.osMinor;
    info->dwBuildNumber = buildNumber();
    info->dwPlatformId = c.osPlatform;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    const std::string& sp = c.osServicePack;
    bool ascii = true;
    for (char ch : sp) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
    if (ascii) {
        // ASCII text is its own UTF-16, one unit a byte: widened in place,
        // without the conversion's string.
        const size_t n = sp.size() < 127 ? sp.size() : 127;
        for (size_t i = 0; i < n; ++i) info->szCSDVersion[i] = static_cast<WCHAR>(sp[i]);
    } else {
        std::u16string csd = winsim::fromUtf8(sp).substr(0, 127);
        std::memcpy(info->szCSDVersion, csd.data(), csd.size() * sizeof(WCHAR));
    }
    if (size == sizeof(OSVERSIONINFOEXW)) {
        auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(info);
        ex->wServicePackMajor = servicePackMajor(c.osServicePack);
        ex->wServicePackMinor = 0;
        ex->wSuiteMask = static_cast<WORD>(c.osSuite);
        ex->wProductType = static_cast<BYTE>(c.osProductType);
        ex->wReserved = 0;
    }
    return TRUE;
}

WINBASEAPI DWORD WINAPI GetVersion(void) {
    enter("GetVersion");
    const auto& c = winsim::config();
    DWORD v = (c.osMajor & 0xFF) | ((c.osMinor & 0xFF) << 8) | ((c.osBuild & 0x7FFF) << 16);
    return isNineX() ? (v | 0x80000000u) : v;
}

WINBASEAPI ULONGLONG WINAPI VerSetConditionMask(ULONGLONG mask, DWORD typeMask, BYTE condition) {
    if (condition == 0) return mask;
    for (DWORD bit = 1; bit <= VER_PRODUCT_TYPE; bit <<= 1) {
        if (!(typeMask & bit)) continue;
        int shift = bitIndex(bit) * 3;
        mask = (mask & ~(ULONGLONG{7} << shift)) | (ULONGLONG{condition & 7u} << shift);
    }
    return mask;
}

WINBASEAPI BOOL WINAPI VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, ULONGLONG conditionMask) {
    if (enter("VerifyVersionInfoW")) return FALSE;
    if (!info) return fail(ERROR_INVALID_PARAMETER);
    if (typeMask == 0 || (typeMask & ~0xFFu)) return fail(ERROR_BAD_ARGUMENTS);
    auto conditionOf = [&](DWORD bit) { return static_cast<int>((conditionMask >> (bitIndex(bit) * 3)) & 7); };
    for (DWORD bit = 1; bit <= VER_PRODUCT_TYPE; bit <<= 1)
        if ((typeMask & bit) && conditionOf(bit) == 0) return fail(ERROR_BAD_ARGUMENTS);

    const auto& c = winsim::config();
    bool ok = true;
    // Major, minor, service-pack major and minor: one ordered version.
    struct Field {
        DWORD bit;
        uint64_t actual, wanted;
    };
    const Field version[] = {{VER_MAJORVERSION, c.osMajor, info->dwMajorVersion},
                             {VER_MINORVERSION, c.osMinor, info->dwMinorVersion},
                             {VER_SERVICEPACKMAJOR, servicePackMajor(c.osServicePack), info->wServicePackMajor},
                             {VER_SERVICEPACKMINOR, 0, info->wServicePackMinor}};
    const Field* last = nullptr;
    bool decided = false;
    for (const auto& f : version) {
        if (!(typeMask & f.bit)) continue;
        last = &f;
        if (f.actual == f.wanted) continue;
        auto r = compare(f.actual, f.wanted, conditionOf(f.bit));
        if (!r) return fail(ERROR_BAD_ARGUMENTS);
        ok = *r;
        decided = true;
        break;
    }
    if (last && !decided) {
        // Equal throughout: the least significant field's condition decides.
        auto r = compare(0, 0, conditionOf(last->bit));
        if (!r) return fail(ERROR_BAD_ARGUMENTS);
        ok = *r;
    }
    const Field single[] = {{VER_BUILDNUMBER, isNineX() ? (c.osBuild & 0xFFFF) : c.osBuild, info->dwBuildNumber},
                            {VER_PLATFORMID, c.osPlatform, info->dwPlatformId},
                            {VER_PRODUCT_TYPE, c.osProductType, info->wProductType}};
    for (const auto& f : single) {
        if (!(typeMask & f.bit)) continue;
        auto r = compare(f.actual, f.wanted, conditionOf(f.bit));
        if (!r) return fail(ERROR_BAD_ARGUMENTS);
        ok = ok && *r;
    }
    if (typeMask & VER_SUITENAME) {
        DWORD have = c.osSuite, want = info->wSuiteMask;
        int cond = conditionOf(VER_SUITENAME);
        if (cond == VER_AND) ok = ok && (have & want) == want;
        else if (cond == VER_OR) ok = ok && (have & want) != 0;
        else return fail(ERROR_BAD_ARGUMENTS);
    }
    if (!ok) return fail(ERROR_OLD_WIN_VERSION);
    return TRUE;
}

// --- Identity ---

WINBASEAPI BOOL WINAPI GetUserNameW(LPWSTR buffer, LPDWORD size) {
    if (enter("GetUserNameW")) return FALSE;
    if (!size) return fail(ERROR_INVALID_PARAMETER);
    std::u16string name = principalName(effectivePrincipal());
    DWORD need = static_cast<DWORD>(name.size() + 1);
    if (!copyOut(name, buffer, *size)) {
        *size = need;
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    *size = need;
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetComputerNameW(LPWSTR buffer, LPDWORD size) {
    if (enter("GetComputerNameW")) return FALSE;
    if (!size) return fail(ERROR_INVALID_PARAMETER);
    std::u16string name = winsim::fromUtf8(winsim::config().computerName);
    if (!copyOut(name, buffer, *size)) {
        *size = static_cast<DWORD>(name.size() + 1);
        return fail(ERROR_BUFFER_OVERFLOW);
    }
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetUserProfileDirectoryW(HANDLE token, LPWSTR profileDir, LPDWORD size) {
    if (enter("GetUserProfileDirectoryW")) return FALSE;
    if (!size) return fail(ERROR_INVALID_PARAMETER);
    auto who = tokenPrincipal(token, TOKEN_QUERY);
    if (!who) return FALSE;
    std::u16string dir = profileDirectory(*who);
    DWORD need = static_cast<DWORD>(dir.size() + 1);
    if (!copyOut(dir, profileDir, *size)) {
        *size = need;
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    *size = need;
    return TRUE;
}

// --- Locale ---

WINBASEAPI LCID WINAPI GetUserDefaultLCID(void) {
    enter("GetUserDefaultLCID");
    return winsim::config().userLcid;
}

WINBASEAPI LCID WINAPI GetSystemDefaultLCID(void) {
    enter("GetSystemDefaultLCID");
    return systemLcid();
}

WINBASEAPI LANGID WINAPI GetUserDefaultLangID(void) { return LANGIDFROMLCID(GetUserDefaultLCID()); }
WINBASEAPI LANGID WINAPI GetSystemDefaultLangID(void) { return LANGIDFROMLCID(GetSystemDefaultLCID()); }
WINBASEAPI LANGID WINAPI GetUserDefaultUILanguage(void) { return LANGIDFROMLCID(GetUserDefaultLCID()); }

WINBASEAPI int WINAPI GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int cch) {
    if (enter("GetLocaleInfoW")) return 0;
    if (cch < 0 || (cch > 0 && !data)) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const auto& c = winsim::config();
    bool user = locale == LOCALE_USER_DEFAULT || locale == LOCALE_NEUTRAL;
    bool system = locale == LOCALE_SYSTEM_DEFAULT;
    LCID lcid = user ? c.userLcid : system ? systemLcid() : locale;
    const Locale* l = findLocale(lcid);
    if (!l || (lcid >> 16) != 0) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    bool override = user && !(type & LOCALE_NOUSEROVERRIDE);
    bool number = type & LOCALE_RETURN_NUMBER;
    LCTYPE item = type & ~static_cast<LCTYPE>(LOCALE_NOUSEROVERRIDE | LOCALE_RETURN_NUMBER);

    std::string text;
    std::optional<DWORD> value;  // items that are numbers
    char buf[16];
    switch (item) {
        case LOCALE_ILANGUAGE:
        case LOCALE_IDEFAULTLANGUAGE:
            std::snprintf(buf, sizeof buf, "%04x", static_cast<unsigned>(l->lcid));
            text = buf;
            value = l->lcid;
            break;
        case LOCALE_SLANGUAGE: text = std::string(l->language) + " (" + l->country + ")"; break;
        case LOCALE_SENGLANGUAGE: text = l->language; break;
        case LOCALE_SNATIVELANGNAME: text = l->nativeLanguage; break;
        case LOCALE_SABBREVLANGNAME: text = l->abbrevLanguage; break;
        case LOCALE_ICOUNTRY:
        case LOCALE_IDEFAULTCOUNTRY:
            text = std::to_string(l->countryCode);
            if (item == LOCALE_ICOUNTRY && override && !c.userCountry.empty()) text = c.userCountry;
            value = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
            break;
        case LOCALE_SCOUNTRY:
        case LOCALE_SENGCOUNTRY: text = l->country; break;
        case LOCALE_SABBREVCTRYNAME: text = l->abbrevCountry; break;
        case LOCALE_IDEFAULTCODEPAGE:
            value = system ? c.oemCodePage : static_cast<DWORD>(l->oemCodePage);
            text = std::to_string(*value);
            break;
        case LOCALE_IDEFAULTANSICODEPAGE:
            value = system ? c.ansiCodePage : static_cast<DWORD>(l->ansiCodePage);
            text = std::to_string(*value);
            break;
        case LOCALE_IMEASURE:
            value = static_cast<DWORD>(l->measure);
            text = std::to_string(*value);
            break;
        case LOCALE_SLIST: text = l->list; break;
        case LOCALE_SDECIMAL: text = l->decimal; break;
        case LOCALE_STHOUSAND: text = l->thousand; break;
        case LOCALE_SISO639LANGNAME: text = l->iso639; break;
        case LOCALE_SISO3166CTRYNAME: text = l->iso3166; break;
        case LOCALE_SNAME: text = l->name; break;
        default:
            setError(ERROR_INVALID_FLAGS);
            return 0;
    }
    if (number) {
        // The value as a DWORD in two characters of the buffer.
        if (!value) {
            setError(ERROR_INVALID_FLAGS);
            return 0;
        }
        constexpr int kChars = sizeof(DWORD) / sizeof(WCHAR);
        if (cch == 0) return kChars;
        if (cch < kChars) {
            setError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(data, &*value, sizeof(DWORD));
        return kChars;
    }
    std::u16string w = winsim::fromUtf8(text);
    int need = static_cast<int>(w.size() + 1);
    if (cch == 0) return need;
    if (!copyOut(w, data, static_cast<size_t>(cch))) {
        setError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return need;
}

}  // extern "C"
