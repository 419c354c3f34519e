// Option value lists still to come, each with a "not done" body: the
// failure result.
#include "api/opt_values.h"

namespace vesk {

int OptValueSelectable(void*, int, int, uint32_t) { return 0; }
uint16_t OptValueByPublicValue(void*, int, int) { return 0; }
int OptListPublicValuesEx(void*, uint16_t*, int, uint32_t) { return -1; }
int OptListPublicValues(void*, uint16_t*, int) { return -1; }
int OptListValueNamesEx(void*, WCHAR*, int, int, uint32_t) { return -1; }
int OptListValueNames(void*, WCHAR*, int, int) { return -1; }
void DmRefreshPaperAndFitScale(void*, int) {}
int DuplexTypeHasMargins(int) { return 0; }
int ApiFuncEnabled(void*, uint32_t) { return 0; }
int StampControlEnabled(void*) { return 0; }
int FreeSizeControlEnabled(void*) { return 0; }
int IsNtTerminalServer(void*) { return 0; }

}  // namespace vesk
