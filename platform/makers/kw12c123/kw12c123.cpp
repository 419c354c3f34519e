// The spooler-side library of the driver set. The graphics driver loads it
// from the printer's driver directory at every document and hands it its
// whole output: DrvSplStartDocEx (or DrvSplStartDoc) opens a session for the
// printer handle and job id, DrvSplWritePrinter takes the bytes, the page
// calls mark the pages, DrvSplEndDoc and DrvSplClose end the session.
//
// The bytes go to the spool job that the printer handle has open (the host
// plays the spooler and starts that job before the driver's document), or,
// when the machine setting "kw12c123.output" names a file of the machine, to
// that file (made afresh at the start of every document), or, when the
// setting "kw12c123.discard" is 1, nowhere: every write takes all it is given
// and keeps nothing, and the page calls need no spool job (for measuring the
// driver alone).
//
// Every call is recorded in the stand-in's journal under its entry name (the
// write's detail is its byte count), and failure injection (failCall) works
// on those names. Faults the machine can be given, counted per document:
//   kw12c123.short_write = N   the N-th write takes one byte less than given
//                              and says so, with a result of success;
//   kw12c123.fail_write = N    the N-th write takes nothing and answers FALSE
//                              (it reports the whole count as written, so
//                              only the result tells the failure).
// A missing entry is made with winsim::hideExport.
#include <win/files.h>
#include <win/spooler.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string>

#include "core/sim.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Session {
    HANDLE printer = nullptr;
    DWORD jobId = 0;
    HANDLE file = INVALID_HANDLE_VALUE;  // the output file, else the spool job
    bool discard = false;                // the output goes nowhere
    unsigned long writes = 0;
};

// The open sessions; the library is unloaded after every document, and the
// set goes with it.
std::mutex g_lock;
std::set<Session*>& sessions() {
    static std::set<Session*> s;
    return s;
}

unsigned long setting(const char* key) {
    auto v = winsim::config().get(key);
    if (!v) return 0;
    char* end = nullptr;
    unsigned long n = std::strtoul(v->c_str(), &end, 0);
    return end && end != v->c_str() && !*end ? n : 0;
}

Session* live(HANDLE h) {
    auto* s = static_cast<Session*>(h);
    std::lock_guard g(g_lock);
    return sessions().count(s) ? s : nullptr;
}

HANDLE startDoc(const char* entry, HANDLE printer, DWORD jobId) {
    if (winsim::detail::enter(entry, "job " + std::to_string(jobId))) return nullptr;
    auto* s = new (std::nothrow) Session;
    if (!s) return nullptr;
    s->printer = printer;
    s->jobId = jobId;
    s->discard = setting("kw12c123.discard") == 1;
    const auto out = s->discard ? std::nullopt : winsim::config().get("kw12c123.output");
    if (out && !out->empty()) {
        std::u16string path = winsim::fromUtf8(*out);
        s->file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (s->file == INVALID_HANDLE_VALUE) {
            delete s;
            return nullptr;
        }
    }
    try {
        std::lock_guard g(g_lock);
        sessions().insert(s);
    } catch (const std::bad_alloc&) {
        if (s->file != INVALID_HANDLE_VALUE) CloseHandle(s->file);
        delete s;
        return nullptr;
    }
    return s;
}

}  // namespace

EXPORT HANDLE DrvSplStartDocEx(HANDLE hPrinter, DWORD jobId) { return startDoc("DrvSplStartDocEx", hPrinter, jobId); }

EXPORT HANDLE DrvSplStartDoc(HANDLE hPrinter, DWORD jobId) { return startDoc("DrvSplStartDoc", hPrinter, jobId); }

EXPORT BOOL DrvSplWritePrinter(HANDLE h, LPVOID bytes, DWORD count, DWORD* written) {
    if (written) *written = 0;
    if (winsim::detail::enter("DrvSplWritePrinter", std::to_string(count))) return FALSE;
    Session* s = live(h);
    if (!s || !written || (!bytes && count)) return FALSE;
    ++s->writes;
    if (s->writes == setting("kw12c123.fail_write")) {
        *written = count;
        return FALSE;
    }
    DWORD take = count;
    if (s->writes == setting("kw12c123.short_write") && take > 0) --take;
    DWORD done = 0;
    BOOL ok = TRUE;
    if (s->discard) done = take;
    else if (take)
        ok = s->file != INVALID_HANDLE_VALUE ? WriteFile(s->file, bytes, take, &done, nullptr)
                                             : WritePrinter(s->printer, bytes, take, &done);
    *written = ok ? done : 0;
    return ok;
}

EXPORT BOOL DrvSplStartPage(HANDLE h) {
    if (winsim::detail::enter("DrvSplStartPage")) return FALSE;
    Session* s = live(h);
    if (!s) return FALSE;
    return s->discard || s->file != INVALID_HANDLE_VALUE || StartPagePrinter(s->printer);
}

EXPORT BOOL DrvSplEndPage(HANDLE h) {
    if (winsim::detail::enter("DrvSplEndPage")) return FALSE;
    Session* s = live(h);
    if (!s) return FALSE;
    return s->discard || s->file != INVALID_HANDLE_VALUE || EndPagePrinter(s->printer);
}

// The spool job itself is the spooler's: it ends it when the document is
// done. The output file is complete here.
EXPORT BOOL DrvSplEndDoc(HANDLE h) {
    if (winsim::detail::enter("DrvSplEndDoc")) return FALSE;
    Session* s = live(h);
    if (!s) return FALSE;
    if (s->file != INVALID_HANDLE_VALUE) {
        CloseHandle(s->file);
        s->file = INVALID_HANDLE_VALUE;
    }
    return TRUE;
}

EXPORT BOOL DrvSplClose(HANDLE h) {
    if (winsim::detail::enter("DrvSplClose")) return FALSE;
    Session* s = live(h);
    if (!s) return FALSE;
    {
        std::lock_guard g(g_lock);
        sessions().erase(s);
    }
    if (s->file != INVALID_HANDLE_VALUE) CloseHandle(s->file);
    delete s;
    return TRUE;
}
