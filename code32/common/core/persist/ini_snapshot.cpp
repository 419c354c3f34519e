// The INI section snapshot (ini_snapshot.h).
#include "core/persist/ini_snapshot.h"

#include <win/profile.h>

#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

// A key the entries can answer: printable ASCII only, so it has no blanks
// to trim and its case pairs are the plain ASCII ones.
bool plainKey(const WCHAR* key, size_t* length) {
    size_t n = 0;
    for (; key[n]; ++n)
        if (key[n] <= 0x20 || key[n] >= 0x7F || key[n] == u'=') return false;
    *length = n;
    return n > 0;
}

WCHAR upper(WCHAR c) { return c >= u'a' && c <= u'z' ? static_cast<WCHAR>(c - 32) : c; }

enum class Match { No, Yes, Maybe };

// An entry's name against a plain key of the same length: a name with a
// character outside ASCII may equal it under the system's case rules.
Match compare(const WCHAR* name, const WCHAR* key, size_t n) {
    Match m = Match::Yes;
    for (size_t i = 0; i < n; ++i) {
        if (name[i] == key[i]) continue;
        if (name[i] >= 0x80) m = Match::Maybe;
        else if (upper(name[i]) != upper(key[i])) return Match::No;
    }
    return m;
}

}  // namespace

IniSnapshot::IniSnapshot(const WCHAR* section, const WCHAR* file) {
    if (!section || !file || !WCopyWhole(section_, kSectionChars, section)) return;
    WCHAR name[kPathBufChars];
    if (!WCopyWhole(name, kPathBufChars, section)) return;
    IniSectionBracketsToCommas(name);
    // The section reader answers size - 2 when it cut the list (and may when
    // the list just fits): such a read is taken again, once, into a block as
    // large as an INI section can be.
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetPrivateProfileSectionW(name, first_, kFirstChars, file);
    const WCHAR* text = first_;
    if (n + 2 >= kFirstChars) {
        big_ = static_cast<WCHAR*>(MemAllocZero(kIniSectionBytes * sizeof(WCHAR)));
        if (!big_) return;
        SetLastError(ERROR_SUCCESS);
        n = GetPrivateProfileSectionW(name, big_, kIniSectionBytes, file);
        if (n + 2 >= kIniSectionBytes) return;
        text = big_;
    }
    // An empty list is certain only for a missing file or section; any other
    // failure leaves every key to its own read.
    const DWORD e = GetLastError();
    if (n == 0 && e != ERROR_SUCCESS && e != ERROR_FILE_NOT_FOUND) return;
    text_ = text;
    length_ = n;
    usable_ = true;
}

IniSnapshot::~IniSnapshot() { MemFree(big_); }

bool IniSnapshot::holds(const WCHAR* section) const {
    if (!usable_ || !section) return false;
    size_t i = 0;
    for (; section[i] && section_[i]; ++i)
        if (section[i] != section_[i]) return false;
    return section[i] == section_[i];
}

IniSnapshot::Answer IniSnapshot::get(const WCHAR* key, WCHAR* buf, size_t chars) const {
    size_t keyLength = 0;
    if (!usable_ || !key || !buf || chars == 0 || !plainKey(key, &keyLength)) return Answer::Unsure;
    // Entries are "name=value" (name and value without surrounding blanks,
    // quotes kept), or a line's text without '='; the first entry of the
    // key is the one a key read finds.
    for (size_t at = 0; at < length_;) {
        const WCHAR* entry = text_ + at;
        const size_t len = WLenMax(entry, length_ - at);
        at += len + 1;
        size_t eq = 0;
        while (eq < len && entry[eq] != u'=') ++eq;
        if (eq == len || eq != keyLength) continue;
        const Match m = compare(entry, key, keyLength);
        if (m == Match::No) continue;
        if (m == Match::Maybe) return Answer::Unsure;
        const WCHAR* value = entry + eq + 1;
        size_t n = len - eq - 1;
        if (n >= 2 && (value[0] == u'"' || value[0] == u'\'') && value[n - 1] == value[0]) {
            ++value;
            n -= 2;
        }
        if (n > chars - 1) n = chars - 1;
        for (size_t i = 0; i < n; ++i) buf[i] = value[i];
        buf[n] = 0;
        return Answer::Value;
    }
    buf[0] = 0;
    return Answer::Absent;
}

}  // namespace vesk
