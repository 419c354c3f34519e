#include "core/path_names.h"

#include "core/wstr.h"

namespace vesk {

const WCHAR* FileNamePart(const WCHAR* path) {
    if (!path) return nullptr;
    const WCHAR* name = path;
    for (const WCHAR* p = path; *p; ++p)
        if (*p == u'\\') name = p + 1;
    return name;
}

const WCHAR* FileExtension(const WCHAR* path, size_t* length) {
    if (length) *length = 0;
    const WCHAR* name = FileNamePart(path);
    if (!name) return nullptr;
    const WCHAR* dot = nullptr;
    for (const WCHAR* p = name; *p; ++p)
        if (*p == u'.') dot = p;
    if (!dot) return name;
    if (length) *length = WLen(dot + 1);
    return dot + 1;
}

const WCHAR* FileBaseName(const WCHAR* path, size_t* length) {
    if (length) *length = 0;
    const WCHAR* name = FileNamePart(path);
    if (!name) return nullptr;
    if (!*name) return path;
    size_t n = 0;
    while (name[n] && name[n] != u'.') ++n;
    if (length) *length = n;
    return name;
}

int HasExtension1to3(const WCHAR* path) {
    size_t base = 0, ext = 0;
    if (!FileBaseName(path, &base) || base == 0) return 0;
    FileExtension(path, &ext);
    return ext >= 1 && ext <= 3 ? 1 : 0;
}

}  // namespace vesk
