// One section of an INI read once, for a walk that looks up many keys of it:
// a single profile read (and so a single check of the file's version)
// instead of one per key. A key is answered from the section's entries only
// when the answer is certain to be the one a key read of the same file
// version gives; otherwise the caller reads the key itself.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace vesk {

class IniSnapshot {
public:
    enum class Answer {
        Value,   // the key's value was copied
        Absent,  // the key is missing: a key read answers its default
        Unsure,  // read the key itself
    };

    // Reads `section` of `file` (a drive path) as IniGetString names it (each
    // '[' and ']' turned into ','). A failed or cut read answers Unsure for
    // every key.
    IniSnapshot(const WCHAR* section, const WCHAR* file);
    ~IniSnapshot();
    IniSnapshot(const IniSnapshot&) = delete;
    IniSnapshot& operator=(const IniSnapshot&) = delete;

    // True when this is a read of `section` (as given to the constructor).
    bool holds(const WCHAR* section) const;
    // Answers IniGetString(section, key, u"", buf, chars, file): the value
    // without one pair of surrounding quotes, cut to chars - 1 characters.
    Answer get(const WCHAR* key, WCHAR* buf, size_t chars) const;

private:
    static constexpr size_t kFirstChars = 4096;
    static constexpr size_t kSectionChars = 261;
    // Filled before they are read (holds() looks at the name only once
    // usable_ is set), so a walk zero-fills none of these 9 KB.
    WCHAR* big_ = nullptr;  // a section longer than first_, read again
    const WCHAR* text_ = nullptr;
    size_t length_ = 0;
    bool usable_ = false;
    WCHAR section_[kSectionChars];
    WCHAR first_[kFirstChars];
};

}  // namespace vesk
