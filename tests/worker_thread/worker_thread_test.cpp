#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "selfupdate/worker_thread.h"

namespace
{

// What a routine saw and did, filled in on the worker thread.
struct RoutineRun
{
    HANDLE hRelease = NULL;  // the routine waits for this event when it is given
    DWORD dwSleep = 0;
    int nReturn = 0;
    HANDLE hOwnThread = NULL;  // a handle of its own to the thread it ran on
    std::atomic<bool> bStarted{false};
    std::atomic<bool> bFinished{false};
    std::atomic<bool> bOtherFinishedAtStart{false};
    RoutineRun* pOther = nullptr;
    DWORD dwThreadID = 0;
};

int Routine(void* pvParam)
{
    RoutineRun* pRun = static_cast<RoutineRun*>(pvParam);
    pRun->dwThreadID = GetCurrentThreadId();
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &pRun->hOwnThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    if (pRun->pOther)
        pRun->bOtherFinishedAtStart = pRun->pOther->bFinished.load();
    pRun->bStarted = true;
    if (pRun->hRelease)
        WaitForSingleObject(pRun->hRelease, INFINITE);
    if (pRun->dwSleep)
        Sleep(pRun->dwSleep);
    pRun->bFinished = true;
    return pRun->nReturn;
}

DWORD HandleCount()
{
    DWORD dwCount = 0;
    EXPECT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &dwCount));
    return dwCount;
}

TEST(WorkerThread, IdleWrapperHasNothingToWaitFor)
{
    QZ_WorkerThread Thread;
    EXPECT_EQ(0, Thread.WaitAndClose());
    EXPECT_EQ(0, Thread.WaitAndClose());
}

TEST(WorkerThread, RunsTheRoutineWithItsParameterOnAnotherThread)
{
    QZ_WorkerThread Thread;
    RoutineRun First;
    First.dwSleep = 50;
    ASSERT_EQ(1, Thread.Create(Routine, &First));
    EXPECT_EQ(1, Thread.WaitAndClose());
    EXPECT_TRUE(First.bFinished);  // the wait returned only after the routine ended
    EXPECT_NE(0u, First.dwThreadID);
    EXPECT_NE(GetCurrentThreadId(), First.dwThreadID);
    EXPECT_EQ(0, Thread.WaitAndClose());  // nothing held any more
    CloseHandle(First.hOwnThread);
}

TEST(WorkerThread, ExitCodeIsZeroWhateverTheRoutineReturns)
{
    for (int nReturn : {0, 1, -1, 12345})
    {
        QZ_WorkerThread Thread;
        RoutineRun First;
        First.nReturn = nReturn;
        ASSERT_EQ(1, Thread.Create(Routine, &First));
        EXPECT_EQ(1, Thread.WaitAndClose());
        DWORD dwExitCode = 0xDEADBEEF;
        ASSERT_TRUE(GetExitCodeThread(First.hOwnThread, &dwExitCode));
        EXPECT_EQ(0u, dwExitCode) << "routine returned " << nReturn;
        CloseHandle(First.hOwnThread);
    }
}

TEST(WorkerThread, CreateOnAHeldWrapperWaitsForTheEarlierThread)
{
    QZ_WorkerThread Thread;
    RoutineRun First;
    RoutineRun Second;
    First.hRelease = CreateEventA(NULL, TRUE, FALSE, NULL);
    Second.pOther = &First;
    ASSERT_EQ(1, Thread.Create(Routine, &First));
    while (!First.bStarted)
        Sleep(1);

    // Another thread lets the first routine end a while after the second Create began.
    std::atomic<bool> bReleased{false};
    std::thread Releaser([&] {
        Sleep(200);
        bReleased = true;
        SetEvent(First.hRelease);
    });
    ASSERT_EQ(1, Thread.Create(Routine, &Second));
    EXPECT_TRUE(bReleased);
    EXPECT_TRUE(First.bFinished);
    EXPECT_EQ(1, Thread.WaitAndClose());
    EXPECT_TRUE(Second.bFinished);
    EXPECT_TRUE(Second.bOtherFinishedAtStart);
    Releaser.join();

    CloseHandle(First.hRelease);
    CloseHandle(First.hOwnThread);
    CloseHandle(Second.hOwnThread);
}

TEST(WorkerThread, DestructionWaitsForTheThread)
{
    RoutineRun First;
    First.dwSleep = 200;
    {
        QZ_WorkerThread Thread;
        ASSERT_EQ(1, Thread.Create(Routine, &First));
    }
    EXPECT_TRUE(First.bFinished);
    CloseHandle(First.hOwnThread);
}

// The thread handle is closed once: after the wait the process holds no extra handle,
// and neither a second wait nor the destructor closes a handle that has been given to
// something else since.
TEST(WorkerThread, HandleIsClosedExactlyOnce)
{
    RoutineRun First;
    DWORD dwBefore = HandleCount();
    HANDLE hEvent = NULL;
    {
        QZ_WorkerThread Thread;
        ASSERT_EQ(1, Thread.Create(Routine, &First));
        // A routine that has already ended: the wait returns at once.
        while (!First.bFinished)
            Sleep(1);
        ASSERT_NE(nullptr, First.hOwnThread);
        WaitForSingleObject(First.hOwnThread, INFINITE);
        CloseHandle(First.hOwnThread);

        DWORD dwStart = GetTickCount();
        EXPECT_EQ(1, Thread.WaitAndClose());
        EXPECT_LT(GetTickCount() - dwStart, 1000u);
        EXPECT_EQ(dwBefore, HandleCount());

        // Most likely this reuses the value the thread handle had.
        hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
        ASSERT_NE(nullptr, hEvent);
        EXPECT_EQ(0, Thread.WaitAndClose());
    }
    DWORD dwFlags = 0;
    EXPECT_TRUE(GetHandleInformation(hEvent, &dwFlags)) << "the event's handle was closed";
    EXPECT_TRUE(SetEvent(hEvent));
    CloseHandle(hEvent);
}

}  // namespace
