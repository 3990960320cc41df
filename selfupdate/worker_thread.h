// Runs one routine on one thread and lets the owner wait for it without a time limit.
// The owner must outlive the thread; destruction waits for it.
#ifndef QZ_SELFUPDATE_WORKER_THREAD_H
#define QZ_SELFUPDATE_WORKER_THREAD_H

// The calling convention _beginthreadex wants of a thread's start routine.
#define QZ_THREAD_CALL __stdcall

typedef int (*QZ_WORKER_THREAD_FUNCTION)(void* pvParam);

class QZ_WorkerThread
{
public:
    QZ_WorkerThread();
    ~QZ_WorkerThread();
    QZ_WorkerThread(const QZ_WorkerThread&) = delete;
    QZ_WorkerThread& operator=(const QZ_WorkerThread&) = delete;

    // Waits for and closes a thread still held from an earlier call, then starts
    // pfnThreadFunction(pvThreadParam) on a new thread. Returns 1 when the thread was
    // started, 0 when the platform refused it (no thread is held then).
    int Create(QZ_WORKER_THREAD_FUNCTION pfnThreadFunction, void* pvThreadParam);

    // Waits without a time limit for the held thread to end and closes its handle.
    // Returns 1 when a thread was held, 0 when none was.
    int WaitAndClose();

private:
    // The thread's start routine, given the wrapper that started it (its this);
    // its exit code is always 0, whatever the routine returns.
    static unsigned int QZ_THREAD_CALL _ThreadEntry(void* pvThis);

    void* m_hThread;  // the thread's handle, null when no thread is held
    QZ_WORKER_THREAD_FUNCTION m_pfnThreadFunction;
    void* m_pvThreadParam;
};

#endif  // QZ_SELFUPDATE_WORKER_THREAD_H
