// Critical sections, events and the common wait.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <win/windows.h>
#include <winsim/winsim.h>
#include "platform/last_error.h"

namespace {

// Runs `f` on another thread and returns its result.
template <class F>
auto onOtherThread(F f) {
    decltype(f()) result{};
    std::thread t([&] { result = f(); });
    t.join();
    return result;
}

}  // namespace

TEST(CriticalSection, RecursiveForItsOwnerAndExclusiveForOthers) {
    CRITICAL_SECTION cs;
    ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 4000));
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));
    EXPECT_FALSE(onOtherThread([&] { return TryEnterCriticalSection(&cs); }));
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    EXPECT_FALSE(onOtherThread([&] { return TryEnterCriticalSection(&cs); }));  // one level still held
    LeaveCriticalSection(&cs);
    EXPECT_TRUE(onOtherThread([&] {
        BOOL got = TryEnterCriticalSection(&cs);
        if (got) LeaveCriticalSection(&cs);
        return got;
    }));
    DeleteCriticalSection(&cs);
}

TEST(CriticalSection, NestedSectionsKeepCountsExactUnderContention) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                EnterCriticalSection(&cs);
                EnterCriticalSection(&cs);
                long v = counter;
                std::this_thread::yield();
                counter = v + 1;
                LeaveCriticalSection(&cs);
                LeaveCriticalSection(&cs);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 20000);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSection, LeaveByAThreadThatDoesNotOwnItIsIgnored) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    std::thread([&] { LeaveCriticalSection(&cs); }).join();
    EXPECT_FALSE(onOtherThread([&] { return TryEnterCriticalSection(&cs); }));
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
}

TEST(CriticalSection, InitialisationFailureIsReported) {
    CRITICAL_SECTION cs{};
    winsim::failCall("InitializeCriticalSectionAndSpinCount", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FAILS_WITH(InitializeCriticalSectionAndSpinCount(&cs, 4000), FALSE, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(InitializeCriticalSectionAndSpinCount(&cs, 4000));
    DeleteCriticalSection(&cs);
}

TEST(Events, AutoResetReleasesOneWaiterManualResetStaysSet) {
    HANDLE autoEv = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(autoEv && manual);
    EXPECT_EQ(WaitForSingleObject(autoEv, 10), static_cast<DWORD>(WAIT_TIMEOUT));
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(autoEv, 300) == WAIT_OBJECT_0) ++woken;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(SetEvent(autoEv));
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 1);

    EXPECT_TRUE(SetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(autoEv);
    CloseHandle(manual);

    EXPECT_FAILS_WITH(CreateEventW(nullptr, TRUE, FALSE, u"Named"), nullptr, ERROR_NOT_SUPPORTED);
}

TEST(Wait, UnknownClosedAndPseudoHandlesFail) {
    HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(CloseHandle(m));
    for (HANDLE h : {m, reinterpret_cast<HANDLE>(0x12345), GetCurrentProcess(), static_cast<HANDLE>(nullptr)}) {
        EXPECT_FAILS_WITH(WaitForSingleObject(h, 0), WAIT_FAILED, ERROR_INVALID_HANDLE);
    }
    EXPECT_FALSE(SetEvent(m));
    EXPECT_FAILS_WITH(ReleaseMutex(m), FALSE, ERROR_INVALID_HANDLE);
}
