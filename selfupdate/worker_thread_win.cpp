#include "selfupdate/worker_thread.h"

#include <windows.h>
#include <process.h>

QZ_WorkerThread::QZ_WorkerThread()
    : m_hThread(NULL), m_pfnThreadFunction(NULL), m_pvThreadParam(NULL)
{
}

QZ_WorkerThread::~QZ_WorkerThread()
{
    WaitAndClose();
}

int QZ_WorkerThread::Create(QZ_WORKER_THREAD_FUNCTION pfnThreadFunction, void* pvThreadParam)
{
    unsigned int uThreadID = 0;

    WaitAndClose();

    // Both are written before the thread starts and only read by it afterwards.
    m_pfnThreadFunction = pfnThreadFunction;
    m_pvThreadParam = pvThreadParam;

    m_hThread = (void*)_beginthreadex(NULL, 0, _ThreadEntry, this, 0, &uThreadID);
    return m_hThread != NULL ? 1 : 0;
}

int QZ_WorkerThread::WaitAndClose()
{
    if (!m_hThread)
        return 0;

    WaitForSingleObject((HANDLE)m_hThread, INFINITE);
    CloseHandle((HANDLE)m_hThread);
    m_hThread = NULL;
    return 1;
}

unsigned int QZ_THREAD_CALL QZ_WorkerThread::_ThreadEntry(void* pvThis)
{
    QZ_WorkerThread* pThis = static_cast<QZ_WorkerThread*>(pvThis);
    pThis->m_pfnThreadFunction(pThis->m_pvThreadParam);
    return 0;
}
