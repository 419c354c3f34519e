// The 8-bit file-name and path tests of the status items, and the probe
// that tells whether an overlay path can hold a file.
#pragma once
#include <win/types.h>

namespace vesk {

int StrHasChar(const char* text, char c);
// 1 when no character of / : ; , * ? " < > | (nor a backslash unless
// allowed) occurs; a double-byte character is stepped over whole. 0 for null.
int FileNameCharsOk(const char* text, int allowBackslash);
// A plain file name: FileNameCharsOk without backslashes.
int FileNameOk(const char* text);
// A path: an optional drive, then file-name characters and backslashes.
int PathCharsOk(const char* text);
// The part behind the last backslash (the whole text without one).
const char* PathFileNamePart(const char* text);
// Behind the last dot of a file-name part that follows a backslash; else
// the whole text.
const char* PathExtensionPart(const char* text);
// A path with a directory whose file name ends in ".rpo" (any case).
int OverlayPathOk(const char* text);
// 1 when the path can hold a file (at most one missing directory level is
// created for the test and removed again), with its full path name in
// `output` (260 bytes) when given; 0 otherwise. A file that exists is never
// touched.
int PathProbeFull(const char* path, char* output);
// The same answer with the short path name (Windows 9x); other systems copy
// the path unchanged and answer 1.
int PathProbeShort(const char* path, char* output);

}  // namespace vesk
