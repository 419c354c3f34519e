// Mutexes: recursive for their owning thread; a named mutex is one object for
// every process on the machine.
//
// Within a process all handles of one name share one state object, which
// orders the process's own threads. Between processes a named mutex is a
// lock file under "<machine root>/objects": the owning process holds an
// exclusive flock() on "<name>.mutex" while one of its threads owns the
// mutex, and every process with a handle holds a shared flock() on
// "<name>.open", which tells whether the object exists (ERROR_ALREADY_EXISTS,
// OpenMutexW). Creation and opening are serialised by "namespace.lock".
//
// Ownership between processes: the lock file is mapped shared (the same page
// in every process) and holds the owning process's id in a word at offset 4.
// A free mutex is taken by swapping 0 for the id, and released by storing 0,
// so an uncontended mutex costs no system call. A process that finds the
// word taken sleeps on it (a futex on the shared page, which the releaser
// wakes when the waiter count at offset 8 says someone sleeps) and looks
// every few milliseconds whether the owner still lives; the word of an
// owner that died (or is a zombie) is taken over. Where the file cannot be
// mapped the exclusive flock() on "<name>.mutex" stands for ownership.
//
// Abandonment: the owner writes '1' into the lock file's first byte when it
// takes the mutex and '0' when it releases it, so when a process dies owning
// the mutex the next owner finds '1' and gets WAIT_ABANDONED, as on Windows.
// A thread of this process that ends owning a mutex abandons it the same way.
//
// Names: "Global\\" and "Local\\" prefixes are dropped (the machine has one
// session, where both namespaces meet); names are case-sensitive; another
// backslash is ERROR_PATH_NOT_FOUND. Without a machine a named mutex is shared
// within the process only.
#include <win/security.h>
#include <win/sync.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <linux/futex.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <map>
#include <thread>
#include <vector>

#include <winsim/system.h>

#include "security/security_internal.h"
#include "waitable.h"

using namespace winsim::detail;

namespace {

struct MutexState {
    std::u16string name;  // empty: unnamed
    int lockFd = -1;      // "<name>.mutex"; its exclusive flock stands for ownership when unmapped
    int openFd = -1;      // "<name>.open": shared flock while handles are open here
    char* mark = nullptr; // the lock file's first byte, mapped shared (null: pread/pwrite)
    uint32_t* ownerPid = nullptr;  // in the mapping: the owning process, 0 free (null: flock)
    uint32_t* waiters = nullptr;   // in the mapping: processes asleep on ownerPid
    std::mutex lock;
    std::condition_variable freed;
    bool busy = false;        // a thread of this process owns it or is taking it
    std::thread::id owner;
    DWORD recursion = 0;
    bool abandoned = false;   // the owning thread ended without releasing it

    ~MutexState();
    static constexpr size_t kLockFileBytes = 12;
};

// This process's id as the owner word holds it; a forked child asks again.
uint32_t g_pid = 0;
void forgetPid() { g_pid = 0; }
[[maybe_unused]] const int g_pidHook = pthread_atfork(nullptr, nullptr, forgetPid);
uint32_t myPid() {
    if (!g_pid) g_pid = static_cast<uint32_t>(getpid());
    return g_pid;
}

// The futex call for this build's time_t: a 32-bit program built with a
// 64-bit time_t needs the call that takes that time.
long futex(uint32_t* word, int op, uint32_t value, const struct timespec* timeout) {
#ifdef SYS_futex_time64
    if (sizeof(time_t) == 8 && sizeof(long) == 4)
        return syscall(SYS_futex_time64, word, op, value, timeout, nullptr, 0);
#endif
    return syscall(SYS_futex, word, op, value, timeout, nullptr, 0);
}

void wakeWaiters(MutexState& st) {
    if (__atomic_load_n(st.waiters, __ATOMIC_ACQUIRE) > 0) futex(st.ownerPid, FUTEX_WAKE, INT_MAX, nullptr);
}

// Gives up this process's ownership word, if it holds it.
void releaseWord(MutexState& st) {
    uint32_t me = myPid();
    if (__atomic_compare_exchange_n(st.ownerPid, &me, 0u, false, __ATOMIC_RELEASE, __ATOMIC_RELAXED))
        wakeWaiters(st);
}

MutexState::~MutexState() {
    if (ownerPid && busy && recursion) releaseWord(*this);  // closing ends this process's ownership
    if (mark) munmap(mark, kLockFileBytes);
    if (lockFd >= 0) close(lockFd);  // also ends this process's ownership
    if (openFd >= 0) close(openFd);
}

void markHeld(MutexState& st, char c) {
    if (st.mark) __atomic_store_n(st.mark, c, __ATOMIC_RELEASE);
    else if (st.lockFd >= 0) (void)!pwrite(st.lockFd, &c, 1, 0);
}

char readMark(MutexState& st) {
    if (st.mark) return __atomic_load_n(st.mark, __ATOMIC_ACQUIRE);
    char c = '0';
    return st.lockFd >= 0 && pread(st.lockFd, &c, 1, 0) == 1 ? c : '0';
}

// Maps the lock file's mark byte and ownership words; the file is given its
// bytes first when it has fewer (bytes another process wrote meanwhile are
// kept).
void mapMark(MutexState& st) {
    struct stat info{};
    const off_t bytes = MutexState::kLockFileBytes;
    if (fstat(st.lockFd, &info) != 0 || (info.st_size < bytes && ftruncate(st.lockFd, bytes) != 0)) return;
    void* p = mmap(nullptr, MutexState::kLockFileBytes, PROT_READ | PROT_WRITE, MAP_SHARED, st.lockFd, 0);
    if (p == MAP_FAILED) return;
    st.mark = static_cast<char*>(p);
    st.ownerPid = reinterpret_cast<uint32_t*>(st.mark + 4);
    st.waiters = reinterpret_cast<uint32_t*>(st.mark + 8);
}

// Whether process `pid` still runs: a zombie has ended.
bool processRuns(uint32_t pid) {
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%u/stat", pid);
    FILE* f = std::fopen(path, "r");
    if (!f) return true;  // no /proc: alive as far as can be told
    char line[256] = {};
    bool zombie = false;
    if (std::fgets(line, sizeof line, f)) {
        const char* close = std::strrchr(line, ')');  // the name may hold blanks and parentheses
        zombie = close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X');
    }
    std::fclose(f);
    return !zombie;
}

enum class FlockResult { Taken, TimedOut, Failed };

// Takes the ownership word, waiting until `deadline`.
FlockResult takeWord(MutexState& st, std::optional<std::chrono::steady_clock::time_point> deadline) {
    const uint32_t me = myPid();
    for (;;) {
        uint32_t holder = 0;
        if (__atomic_compare_exchange_n(st.ownerPid, &holder, me, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED))
            return FlockResult::Taken;
        // A holder that is this process is left over from a thread that
        // could not be told (the mark says whether it was abandoned).
        if (holder == me || !processRuns(holder)) {
            if (__atomic_compare_exchange_n(st.ownerPid, &holder, me, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED))
                return FlockResult::Taken;
            continue;
        }
        auto slice = std::chrono::steady_clock::duration(std::chrono::milliseconds(10));
        if (deadline) {
            auto now = std::chrono::steady_clock::now();
            if (now >= *deadline) return FlockResult::TimedOut;
            slice = std::min(slice, *deadline - now);
        }
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(slice).count();
        struct timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        __atomic_add_fetch(st.waiters, 1u, __ATOMIC_ACQ_REL);
        futex(st.ownerPid, FUTEX_WAIT, holder, &ts);
        __atomic_sub_fetch(st.waiters, 1u, __ATOMIC_ACQ_REL);
    }
}

// Mutexes the calling thread owns; on thread exit they become abandoned.
struct OwnedByThread {
    std::vector<std::weak_ptr<MutexState>> list;
    ~OwnedByThread() {
        auto me = std::this_thread::get_id();
        for (auto& w : list) {
            auto st = w.lock();
            if (!st) continue;
            std::lock_guard g(st->lock);
            if (!st->busy || st->owner != me || st->recursion == 0) continue;
            st->recursion = 0;
            st->busy = false;
            st->owner = std::thread::id();
            st->abandoned = true;
            // The '1' mark stays: abandoned.
            if (st->ownerPid) releaseWord(*st);
            else if (st->lockFd >= 0) flock(st->lockFd, LOCK_UN);
            st->freed.notify_one();
        }
    }
};
OwnedByThread& owned() {
    thread_local OwnedByThread o;
    return o;
}
void forgetOwned(const std::shared_ptr<MutexState>& st) {
    auto& l = owned().list;
    l.erase(std::remove_if(l.begin(), l.end(),
                           [&](const std::weak_ptr<MutexState>& w) {
                               auto p = w.lock();
                               return !p || p == st;
                           }),
            l.end());
}

// Takes the machine-wide flock, waiting until `deadline`.
FlockResult takeFlock(int fd, std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (!deadline) {
        while (flock(fd, LOCK_EX) != 0)
            if (errno != EINTR) return FlockResult::Failed;
        return FlockResult::Taken;
    }
    auto pause = std::chrono::microseconds(500);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return FlockResult::Taken;
        if (errno != EWOULDBLOCK && errno != EINTR) return FlockResult::Failed;
        auto now = std::chrono::steady_clock::now();
        if (now >= *deadline) return FlockResult::TimedOut;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, *deadline - now));
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(10));
    }
}

DWORD acquire(const std::shared_ptr<MutexState>& st, DWORD milliseconds) {
    auto deadline = waitDeadline(milliseconds);
    auto me = std::this_thread::get_id();
    std::unique_lock g(st->lock);
    if (st->busy && st->owner == me) {
        if (st->recursion == 0xFFFFFFFFu) {
            setError(ERROR_NOT_ENOUGH_MEMORY);  // Windows: STATUS_MUTANT_LIMIT_EXCEEDED
            return WAIT_FAILED;
        }
        ++st->recursion;
        return WAIT_OBJECT_0;
    }
    auto isFree = [&] { return !st->busy; };
    if (!deadline) st->freed.wait(g, isFree);
    else if (!st->freed.wait_until(g, *deadline, isFree)) return WAIT_TIMEOUT;
    st->busy = true;
    st->owner = me;
    st->recursion = 0;
    bool abandoned = st->abandoned;
    st->abandoned = false;
    g.unlock();

    if (st->lockFd >= 0) {
        FlockResult r = st->ownerPid ? takeWord(*st, deadline) : takeFlock(st->lockFd, deadline);
        if (r != FlockResult::Taken) {
            g.lock();
            st->busy = false;
            st->owner = std::thread::id();
            st->abandoned = abandoned;
            st->freed.notify_one();
            if (r == FlockResult::TimedOut) return WAIT_TIMEOUT;
            setError(ERROR_GEN_FAILURE);
            return WAIT_FAILED;
        }
        if (readMark(*st) == '1') abandoned = true;
        markHeld(*st, '1');
    }
    g.lock();
    st->recursion = 1;
    try {
        owned().list.push_back(st);
    } catch (const std::bad_alloc&) {
        // Without the record the mutex is not marked abandoned at thread exit;
        // ownership itself is unaffected.
    }
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

struct MutexHandle : Waitable {
    std::shared_ptr<MutexState> state;
    explicit MutexHandle(std::shared_ptr<MutexState> s) : state(std::move(s)) {}
    const char* kindName() const override { return "mutex"; }
    DWORD wait(DWORD milliseconds) override { return acquire(state, milliseconds); }
};

// Named states of this process.
std::mutex g_tableLock;
std::map<std::u16string, std::weak_ptr<MutexState>>& table() {
    static auto* t = new std::map<std::u16string, std::weak_ptr<MutexState>>;
    return *t;
}

std::mutex g_logLock;
std::vector<winsim::MutexCreation>& creations() {
    static auto* v = new std::vector<winsim::MutexCreation>;
    return *v;
}

// The object name without a namespace prefix; nothing (error set) when invalid.
std::optional<std::u16string> objectName(LPCWSTR name) {
    std::u16string n = wstr(name);
    for (std::u16string_view prefix : {std::u16string_view(u"Global\\"), std::u16string_view(u"Local\\")})
        if (n.size() >= prefix.size() && wequalNoCase(std::u16string_view(n).substr(0, prefix.size()), prefix)) {
            n.erase(0, prefix.size());
            break;
        }
    if (n.size() > MAX_PATH) {
        setError(ERROR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    if (n.find(u'\\') != std::u16string::npos) {
        setError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return n;
}

// A host file name for an object name: letters, digits, '-', '_' and '.'
// kept, every other UTF-8 byte as %XX; long names end in a hash.
std::string fileNameFor(const std::u16string& name) {
    std::string utf8 = winsim::toUtf8(name), out;
    for (unsigned char c : utf8) {
        if (std::isalnum(c) || c == '-' || c == '_' || (c == '.' && !out.empty())) {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    if (out.size() > 180) {
        uint64_t h = 1469598103934665603ull;
        for (unsigned char c : utf8) h = (h ^ c) * 1099511628211ull;
        char buf[20];
        std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
        out = out.substr(0, 160) + "~" + buf;
    }
    return out.empty() ? std::string("%00") : out;
}

int openFile(const std::filesystem::path& p) { return open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666); }

// Finds or makes the state of a named mutex. `mustExist` (OpenMutexW) fails
// with ERROR_FILE_NOT_FOUND when no process has it open.
std::shared_ptr<MutexState> namedState(const std::u16string& name, bool mustExist, bool& existed) {
    std::lock_guard g(g_tableLock);
    auto& t = table();
    if (auto it = t.find(name); it != t.end()) {
        if (auto st = it->second.lock()) {
            existed = true;
            return st;
        }
        t.erase(it);
    }
    auto st = std::make_shared<MutexState>();
    st->name = name;
    std::filesystem::path dir = stateDir("objects");
    existed = false;
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        int ns = openFile(dir / "namespace.lock");
        if (ns < 0) {
            setError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        while (flock(ns, LOCK_EX) != 0 && errno == EINTR) {
        }
        std::string base = fileNameFor(name);
        st->lockFd = openFile(dir / (base + ".mutex"));
        st->openFd = openFile(dir / (base + ".open"));
        bool ok = st->lockFd >= 0 && st->openFd >= 0;
        if (ok) mapMark(*st);
        if (ok) {
            if (flock(st->openFd, LOCK_EX | LOCK_NB) == 0) {
                // No process has it open: a fresh object, whatever the file says.
                if (!mustExist) {
                    markHeld(*st, '0');
                    if (st->ownerPid) __atomic_store_n(st->ownerPid, 0u, __ATOMIC_RELEASE);
                }
            } else {
                existed = true;
            }
            if (existed || !mustExist) ok = flock(st->openFd, LOCK_SH) == 0;
        }
        close(ns);
        if (!ok) {
            setError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
    }
    if (mustExist && !existed) {
        setError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    t[name] = st;
    return st;
}

}  // namespace

namespace winsim {
std::vector<MutexCreation> mutexCreations() {
    std::lock_guard g(g_logLock);
    return creations();
}
void clearMutexCreations() {
    std::lock_guard g(g_logLock);
    creations().clear();
}
}  // namespace winsim

extern "C" {

WINBASEAPI HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCWSTR name) {
    if (enterWith("CreateMutexW", [&] { return name ? winsim::toUtf8(wstr(name)) : std::string(); })) return nullptr;
    try {
        winsim::MutexCreation record;
        record.name = wstr(name);
        record.initialOwner = initialOwner;
        if (sa) {
            record.hadSecurityAttributes = true;
            record.inheritHandle = sa->bInheritHandle;
            if (sa->lpSecurityDescriptor) {
                auto view = readSecurityDescriptor(sa->lpSecurityDescriptor);
                if (!view) {
                    setError(ERROR_INVALID_SECURITY_DESCR);
                    return nullptr;
                }
                record.securityDescriptor = selfRelative(*view);
            }
        }
        std::shared_ptr<MutexState> st;
        bool existed = false;
        if (name) {
            auto n = objectName(name);
            if (!n) return nullptr;
            st = namedState(*n, false, existed);
            if (!st) return nullptr;
        } else {
            st = std::make_shared<MutexState>();
        }
        HANDLE h = addHandle(std::make_shared<MutexHandle>(st));
        {
            std::lock_guard g(g_logLock);
            creations().push_back(std::move(record));
        }
        // Only the creator of a new mutex takes it at once.
        if (initialOwner && !existed) acquire(st, INFINITE);
        setError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return h;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI HANDLE WINAPI OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name) {
    (void)desiredAccess;
    (void)inheritHandle;
    if (enterWith("OpenMutexW", [&] { return name ? winsim::toUtf8(wstr(name)) : std::string(); })) return nullptr;
    if (!name) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        auto n = objectName(name);
        if (!n) return nullptr;
        bool existed = false;
        auto st = namedState(*n, true, existed);
        if (!st) return nullptr;
        return addHandle(std::make_shared<MutexHandle>(st));
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL WINAPI ReleaseMutex(HANDLE mutex) {
    if (enter("ReleaseMutex")) return FALSE;
    auto h = lookup<MutexHandle>(mutex);
    if (!h) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto& st = h->state;
    std::lock_guard g(st->lock);
    if (!st->busy || st->owner != std::this_thread::get_id() || st->recursion == 0) {
        setError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--st->recursion == 0) {
        if (st->lockFd >= 0) {
            markHeld(*st, '0');
            if (st->ownerPid) releaseWord(*st);
            else flock(st->lockFd, LOCK_UN);
        }
        st->busy = false;
        st->owner = std::thread::id();
        st->freed.notify_one();
        forgetOwned(st);
    }
    return TRUE;
}

}  // extern "C"
