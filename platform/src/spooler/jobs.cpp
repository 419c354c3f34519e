// Print jobs: StartDocPrinterW, StartPagePrinter, WritePrinter,
// EndPagePrinter, EndDocPrinter, AbortPrinter and GetJobW.
//
// A job's bytes go to a spool file in the machine's spool directory, named
// so that a person finds it: "00007 Office Colour - report.prn". The job
// record (jobs.txt) holds its identity, status and page count; its size is
// the spool file's. The stand-in has no port to send a job to, so an ended
// job stays in the queue as JOB_STATUS_COMPLETE with its spool file, where
// the host and the tests read it; a document given an output file
// (DOC_INFO_1 pOutputFile) is also copied there when it ends.
#include "store.h"

#include "core/guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace fs = std::filesystem;

namespace winsim::spool {
namespace {

BOOL failWith(DWORD code) {
    detail::setError(code);
    return FALSE;
}

// Text for a file name: characters Windows does not allow in names become
// '_', and the text is cut to `max` characters without splitting a pair.
std::u16string nameSafe(std::u16string_view s, size_t max) {
    std::u16string out;
    for (char16_t c : s) {
        if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'/' || c == u'\\' ||
            c == u'|' || c == u'?' || c == u'*')
            c = u'_';
        out += c;
    }
    if (out.size() > max) {
        out.resize(max);
        if (!out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF) out.pop_back();
    }
    while (!out.empty() && (out.back() == u' ' || out.back() == u'.')) out.pop_back();
    return out;
}

std::u16string spoolFileName(uint32_t id, std::u16string_view printer, std::u16string_view document) {
    char num[16];
    std::snprintf(num, sizeof num, "%05u", id);
    std::u16string local;
    splitServer(printer, &local);
    std::u16string name = fromUtf8(num) + u" " + nameSafe(local, 64);
    std::u16string doc = nameSafe(document, 96);
    if (!doc.empty()) name += u" - " + doc;
    return name + u".prn";
}

std::optional<fs::path> spoolPath(std::u16string_view fileName) {
    auto r = detail::resolve(fromUtf8(config().spoolDir()) + u"\\" + std::u16string(fileName));
    if (!r) return std::nullopt;
    return r->host;
}

std::shared_ptr<PrinterHandle> docHandle(HANDLE hPrinter, DWORD& err) {
    auto h = lookupPrinterHandle(hPrinter);
    err = !h || h->server ? ERROR_INVALID_HANDLE : ERROR_SUCCESS;
    return err ? nullptr : h;
}

uint64_t fileSize(const std::optional<fs::path>& p) {
    struct stat st;
    if (!p || ::stat(p->c_str(), &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool copyFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    return !ec;
}

}  // namespace

DWORD finishDocument(PrinterHandle& h, bool abort) {
    uint32_t id = h.jobId;
    if (h.spoolFd >= 0) ::close(h.spoolFd);
    h.spoolFd = -1;
    h.jobId = 0;
    h.inPage = false;
    std::optional<fs::path> spool;
    DWORD e = changeJobs([&](Jobs& j) -> DWORD {
        JobRecord* job = j.byId(id);
        if (!job) return ERROR_SUCCESS;  // removed meanwhile (its printer was deleted)
        spool = spoolPath(job->spoolFile);
        if (abort) {
            for (auto it = j.jobs.begin(); it != j.jobs.end(); ++it)
                if (it->id == id) {
                    j.jobs.erase(it);
                    break;
                }
            return ERROR_SUCCESS;
        }
        job->status = (job->status & ~JOB_STATUS_SPOOLING) | JOB_STATUS_COMPLETE;
        if (!job->outputFile.empty()) {
            auto out = detail::resolve(job->outputFile);
            if (!spool || !out || !out->parentExists || !copyFile(*spool, out->host))
                job->status |= JOB_STATUS_ERROR;
        }
        return ERROR_SUCCESS;
    });
    if (abort && spool) {
        std::error_code ec;
        fs::remove(*spool, ec);
    }
    return e;
}

}  // namespace winsim::spool

namespace winsim {

std::vector<JobRecord> listJobs(std::u16string_view printer) {
    spool::Jobs j;
    if (spool::readJobs(j)) return {};
    if (printer.empty()) return j.jobs;
    std::optional<PrinterRecord> p = findPrinter(printer);
    std::vector<JobRecord> out;
    for (const auto& job : j.jobs)
        if (p ? job.printerId == p->id : detail::wequalNoCase(job.printer, printer)) out.push_back(job);
    return out;
}

std::optional<JobRecord> findJob(uint32_t jobId) {
    spool::Jobs j;
    if (spool::readJobs(j)) return std::nullopt;
    const JobRecord* job = j.byId(jobId);
    if (!job) return std::nullopt;
    return *job;
}

std::optional<std::filesystem::path> jobSpoolFile(uint32_t jobId) {
    auto job = findJob(jobId);
    if (!job) return std::nullopt;
    return spool::spoolPath(job->spoolFile);
}

}  // namespace winsim

using namespace winsim;
using namespace winsim::spool;

extern "C" {

// Starts a document (level 1) on the handle and returns its job id, or 0.
WINBASEAPI DWORD WINAPI StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo) {
    if (detail::enter("StartDocPrinterW")) return 0;
    return detail::guarded<DWORD>(static_cast<DWORD>(0), [&]() -> DWORD {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return failWith(e);
        PrinterHandle& h = *t.handle;
        std::lock_guard g(h.lock);
        if (h.jobId) return failWith(ERROR_INVALID_PRINTER_STATE);
        if (Level != 1) return failWith(ERROR_INVALID_LEVEL);
        if (!pDocInfo) return failWith(ERROR_INVALID_PARAMETER);
        DOC_INFO_1W doc;
        std::memcpy(&doc, pDocInfo, sizeof doc);
        std::u16string datatype = doc.pDatatype ? boundedText(doc.pDatatype)
                                  : !h.datatype.empty() ? h.datatype
                                                        : std::u16string(u"RAW");
        // The print processor knows raw bytes, text and the EMF formats.
        static const char16_t* const kTypes[] = {u"RAW", u"RAW [FF appended]", u"RAW [FF auto]", u"TEXT",
                                                 u"NT EMF 1.003", u"NT EMF 1.006", u"NT EMF 1.007",
                                                 u"NT EMF 1.008"};
        bool known = false;
        for (const char16_t* k : kTypes) known = known || detail::wequalNoCase(datatype, k);
        if (!known) return failWith(ERROR_INVALID_DATATYPE);

        JobRecord job;
        job.printerId = t.printer->id;
        job.printer = t.printer->name;
        job.machine = u"\\\\" + fromUtf8(config().computerName);
        job.user = fromUtf8(config().userName);
        job.document = boundedText(doc.pDocName);
        job.outputFile = boundedText(doc.pOutputFile, MAX_PATH);
        job.datatype = datatype;
        job.status = JOB_STATUS_SPOOLING;
        job.submitted = nowFileTime();
        job.devmode = !h.devmode.empty() ? h.devmode : t.printer->devmode;
        int fd = -1;
        DWORD e = changeJobs([&](Jobs& j) -> DWORD {
            job.id = j.nextJobId;
            job.spoolFile = spoolFileName(job.id, job.printer, job.document);
            auto path = spoolPath(job.spoolFile);
            if (!path) return ERROR_PATH_NOT_FOUND;
            std::error_code ec;
            fs::create_directories(path->parent_path(), ec);
            fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
            if (fd < 0) return ERROR_CANTWRITE;
            j.nextJobId = job.id + 1;
            j.jobs.push_back(job);
            return ERROR_SUCCESS;
        });
        if (e) {
            if (fd >= 0) ::close(fd);
            return failWith(e);
        }
        h.jobId = job.id;
        h.spoolFd = fd;
        h.inPage = false;
        return job.id;
    });
}

WINBASEAPI BOOL WINAPI StartPagePrinter(HANDLE hPrinter) {
    if (detail::enter("StartPagePrinter")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        DWORD err;
        auto h = docHandle(hPrinter, err);
        if (!h) return failWith(err);
        std::lock_guard g(h->lock);
        if (!h->jobId) return failWith(ERROR_SPL_NO_STARTDOC);
        uint32_t id = h->jobId;
        DWORD e = changeJobs([&](Jobs& j) -> DWORD {
            if (JobRecord* job = j.byId(id)) ++job->pages;
            return ERROR_SUCCESS;
        });
        if (e) return failWith(e);
        h->inPage = true;
        return TRUE;
    });
}

WINBASEAPI BOOL WINAPI EndPagePrinter(HANDLE hPrinter) {
    if (detail::enter("EndPagePrinter")) return FALSE;
    DWORD err;
    auto h = docHandle(hPrinter, err);
    if (!h) return failWith(err);
    std::lock_guard g(h->lock);
    if (!h->jobId) return failWith(ERROR_SPL_NO_STARTDOC);
    h->inPage = false;
    return TRUE;
}

// Appends the bytes to the job's spool file; *pcWritten says how many went.
WINBASEAPI BOOL WINAPI WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
    if (detail::enter("WritePrinter", std::to_string(cbBuf))) return FALSE;
    DWORD err;
    auto h = docHandle(hPrinter, err);
    if (!h) return failWith(err);
    if (!pcWritten) return failWith(RPC_X_NULL_REF_POINTER);
    *pcWritten = 0;
    std::lock_guard g(h->lock);
    if (!h->jobId || h->spoolFd < 0) return failWith(ERROR_SPL_NO_STARTDOC);
    if (!pBuf && cbBuf) return failWith(ERROR_INVALID_PARAMETER);
    const uint8_t* p = static_cast<const uint8_t*>(pBuf);
    size_t done = 0;
    while (done < cbBuf) {
        ssize_t n = ::write(h->spoolFd, p + done, cbBuf - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            *pcWritten = static_cast<DWORD>(done);
            return failWith(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
        }
        done += static_cast<size_t>(n);
    }
    *pcWritten = cbBuf;
    return TRUE;
}

WINBASEAPI BOOL WINAPI EndDocPrinter(HANDLE hPrinter) {
    if (detail::enter("EndDocPrinter")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        DWORD err;
        auto h = docHandle(hPrinter, err);
        if (!h) return failWith(err);
        std::lock_guard g(h->lock);
        if (!h->jobId) return failWith(ERROR_SPL_NO_STARTDOC);
        if (DWORD e = finishDocument(*h, false)) return failWith(e);
        return TRUE;
    });
}

// Drops the document in progress: its job and spool file are removed.
WINBASEAPI BOOL WINAPI AbortPrinter(HANDLE hPrinter) {
    if (detail::enter("AbortPrinter")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        DWORD err;
        auto h = docHandle(hPrinter, err);
        if (!h) return failWith(err);
        std::lock_guard g(h->lock);
        if (!h->jobId) return failWith(ERROR_SPL_NO_STARTDOC);
        if (DWORD e = finishDocument(*h, true)) return failWith(e);
        return TRUE;
    });
}

// Levels 1 and 2 of a job of the handle's printer; another printer's or an
// unknown job id fails with ERROR_INVALID_PARAMETER.
WINBASEAPI BOOL WINAPI GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                               LPDWORD pcbNeeded) {
    if (detail::enter("GetJobW", "job " + std::to_string(JobId) + " level " + std::to_string(Level))) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return failWith(e);
        Jobs j;
        if (DWORD e = readJobs(j)) return failWith(e);
        const JobRecord* job = nullptr;
        DWORD position = 0;
        for (const auto& x : j.jobs) {
            if (x.printerId != t.printer->id) continue;
            ++position;
            if (x.id == JobId) {
                job = &x;
                break;
            }
        }
        if (!job) return failWith(ERROR_INVALID_PARAMETER);
        if (Level != 1 && Level != 2) return failWith(ERROR_INVALID_LEVEL);
        uint64_t size = fileSize(spoolPath(job->spoolFile));
        SYSTEMTIME submitted = systemTimeOf(job->submitted);
        if (Level == 1) {
            Packer p(sizeof(JOB_INFO_1W));
            size_t printer = p.addText(job->printer), machine = p.addText(job->machine);
            size_t user = p.addText(job->user), doc = p.addText(job->document);
            size_t dt = p.addText(job->datatype);
            if (!checkBuffer(pJob, cbBuf, pcbNeeded, p.size())) return FALSE;
            JOB_INFO_1W r{};
            r.JobId = job->id;
            r.pPrinterName = Packer::at<WCHAR>(pJob, printer);
            r.pMachineName = Packer::at<WCHAR>(pJob, machine);
            r.pUserName = Packer::at<WCHAR>(pJob, user);
            r.pDocument = Packer::at<WCHAR>(pJob, doc);
            r.pDatatype = Packer::at<WCHAR>(pJob, dt);
            r.Status = job->status;
            r.Priority = 1;
            r.Position = position;
            r.TotalPages = job->pages;
            r.Submitted = submitted;
            putRecord(pJob, r);
            p.writeTo(pJob);
            return TRUE;
        }
        Packer p(sizeof(JOB_INFO_2W));
        size_t devmode = p.addBlobOrNone(job->devmode);
        size_t printer = p.addText(job->printer), machine = p.addText(job->machine);
        size_t user = p.addText(job->user), doc = p.addText(job->document);
        size_t notify = p.addText(job->user), dt = p.addText(job->datatype);
        size_t proc = p.addText(u"WinPrint"), params = p.addText(u"");
        size_t driver = p.addText(t.printer->driver);
        if (!checkBuffer(pJob, cbBuf, pcbNeeded, p.size())) return FALSE;
        JOB_INFO_2W r{};
        r.JobId = job->id;
        r.pPrinterName = Packer::at<WCHAR>(pJob, printer);
        r.pMachineName = Packer::at<WCHAR>(pJob, machine);
        r.pUserName = Packer::at<WCHAR>(pJob, user);
        r.pDocument = Packer::at<WCHAR>(pJob, doc);
        r.pNotifyName = Packer::at<WCHAR>(pJob, notify);
        r.pDatatype = Packer::at<WCHAR>(pJob, dt);
        r.pPrintProcessor = Packer::at<WCHAR>(pJob, proc);
        r.pParameters = Packer::at<WCHAR>(pJob, params);
        r.pDriverName = Packer::at<WCHAR>(pJob, driver);
        r.pDevMode = Packer::at<DEVMODEW>(pJob, devmode);
        r.Status = job->status;
        r.Priority = 1;
        r.Position = position;
        r.TotalPages = job->pages;
        r.Size = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(size);
        r.Submitted = submitted;
        putRecord(pJob, r);
        p.writeTo(pJob);
        return TRUE;
    });
}

}  // extern "C"
