// The job's name as the JOBNAME line carries it.
#include <cstring>

#include "core/wstr.h"
#include "job_state.h"
#include "printer_text.h"

namespace vesk {

void PdevFreeJobName(Pdev* p) {
    if (p->jobName) AllocListFree(p->allocs, p->jobName);
    p->jobName = nullptr;
    p->jobNameLength = 0;
}

bool PdevCopyJobName(Pdev* p, const BYTE* name, int16_t length) {
    PdevFreeJobName(p);
    if (!name || length <= 0) return true;
    auto* copy = static_cast<BYTE*>(AllocListAlloc(p->allocs, static_cast<size_t>(length)));
    if (!copy) return false;
    std::memcpy(copy, name, static_cast<size_t>(length));
    p->jobName = copy;
    p->jobNameLength = length;
    return true;
}

bool PdevSetJobName(Pdev* p, const WCHAR* name) {
    if (!name) {
        PdevFreeJobName(p);
        return true;
    }
    BYTE bytes[kJobNameBytes];
    const size_t n = UnicodeToPrinterCp(bytes, sizeof bytes, name, WLen(name), TextPolicy::PjlSafe);
    return PdevCopyJobName(p, bytes, static_cast<int16_t>(n));
}

}  // namespace vesk
