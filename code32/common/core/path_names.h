// The parts of a wide path name: file name, extension and base name.
#pragma once
#include <win/types.h>

namespace vesk {

// The position after the last backslash; the whole text when it has none;
// null for null.
const WCHAR* FileNamePart(const WCHAR* path);
// Within the file-name part: the position after its last '.' and, in
// `length`, the characters after it. Without a '.', the file-name part
// itself and length 0. Null for null (length 0).
const WCHAR* FileExtension(const WCHAR* path, size_t* length);
// The file-name part and, in `length`, its characters before the first '.';
// for an empty file-name part the input itself and 0.
const WCHAR* FileBaseName(const WCHAR* path, size_t* length);
// 1 when the base name is not empty and the extension has 1 to 3 characters.
int HasExtension1to3(const WCHAR* path);

}  // namespace vesk
