// The table block a freed context leaves for the next one (context.cpp).
#pragma once

namespace vesk {

// Frees the table block kept from the last freed context; `keep` says whether
// later frees may keep one (true at process attach, false at detach, so
// nothing is left behind when the library is unloaded).
void CtxSpareTables(bool keep);

}  // namespace vesk
