// debugnew.cpp - the debug allocator behind DEBUG_NEW. Blocks come from the
// ordinary heap (malloc), so any delete releases them; beside them a small
// list records, for each block still alive, where it was allocated. The
// global operator delete takes a block off that list before freeing it.
// What is still listed when the process ends is reported as leaked.
//
// The list is kept out of the blocks themselves because blocks allocated
// here may be freed by code that never heard of this allocator (the C++
// runtime's own operator delete in a DLL), and a header in front of the
// block would then make free() see a pointer it never returned.

#include "afxpriv.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace
{

struct BlockRecord
{
    void* pBlock;
    std::size_t nSize;
    const char* pszFile;
    int nLine;
    unsigned long nRequest;
    BlockRecord* pNext;
};

SRWLOCK g_lock = SRWLOCK_INIT;
BlockRecord* g_pRecords = NULL;           // newest first
std::atomic<std::size_t> g_nRecords(0);   // lets delete skip the lock when nothing is recorded
unsigned long g_nRequests = 0;
// Set while this thread holds g_lock to read the list: the report's own
// string growth frees blocks, and taking the lock again would deadlock.
thread_local bool t_bReadingRecords = false;

void* AllocateRecorded(std::size_t nSize, const char* pszFile, int nLine)
{
    void* pBlock = std::malloc(nSize != 0 ? nSize : 1);
    BlockRecord* pRecord = static_cast<BlockRecord*>(std::malloc(sizeof(BlockRecord)));
    if (pBlock == NULL || pRecord == NULL)
    {
        std::free(pBlock);
        std::free(pRecord);
        throw std::bad_alloc();
    }
    pRecord->pBlock = pBlock;
    pRecord->nSize = nSize;
    pRecord->pszFile = pszFile;
    pRecord->nLine = nLine;
    ::AcquireSRWLockExclusive(&g_lock);
    pRecord->nRequest = ++g_nRequests;
    pRecord->pNext = g_pRecords;
    g_pRecords = pRecord;
    ++g_nRecords;
    ::ReleaseSRWLockExclusive(&g_lock);
    return pBlock;
}

// Takes p's record off the list, if it has one.
void ForgetBlock(void* p)
{
    if (p == NULL || g_nRecords.load() == 0)
        return;
    if (t_bReadingRecords)
    {
        // Only the report's own scratch memory is freed while it reads, and
        // that was never recorded.
        return;
    }
    BlockRecord* pFound = NULL;
    ::AcquireSRWLockExclusive(&g_lock);
    for (BlockRecord** ppLink = &g_pRecords; *ppLink != NULL; ppLink = &(*ppLink)->pNext)
    {
        if ((*ppLink)->pBlock == p)
        {
            pFound = *ppLink;
            *ppLink = pFound->pNext;
            --g_nRecords;
            break;
        }
    }
    ::ReleaseSRWLockExclusive(&g_lock);
    std::free(pFound);
}

void ReleaseBlock(void* p) noexcept
{
    ForgetBlock(p);
    std::free(p);
}

// Runs after every static object of the program has been destroyed (the
// C runtime calls destructor functions last), so that blocks freed by those
// destructors are not reported.
__attribute__((destructor)) void ReportLeaksAtExit()
{
    AfxDumpMemoryLeaks();
}

} // namespace

std::string AFXAPI AfxGetMemoryLeakReport()
{
    std::string strReport;
    ::AcquireSRWLockShared(&g_lock);
    t_bReadingRecords = true;
    for (const BlockRecord* pRecord = g_pRecords; pRecord != NULL; pRecord = pRecord->pNext)
    {
        char szLine[MAX_PATH + 128];
        std::snprintf(szLine, sizeof szLine, "%s(%d) : {%lu} normal block at %p, %zu bytes long.\n",
                      pRecord->pszFile != NULL ? pRecord->pszFile : "?", pRecord->nLine, pRecord->nRequest,
                      pRecord->pBlock, pRecord->nSize);
        strReport += szLine;
    }
    t_bReadingRecords = false;
    ::ReleaseSRWLockShared(&g_lock);
    return strReport;
}

BOOL AFXAPI AfxDumpMemoryLeaks()
{
    std::string strReport = AfxGetMemoryLeakReport();
    if (strReport.empty())
        return FALSE;
    strReport = "Detected memory leaks!\nDumping objects ->\n" + strReport + "Object dump complete.\n";
    ::OutputDebugString(strReport.c_str());
    std::fputs(strReport.c_str(), stderr);
    std::fflush(stderr);
    return TRUE;
}

void* AFX_CDECL operator new(std::size_t nSize, LPCSTR lpszFileName, int nLine)
{
    return AllocateRecorded(nSize, lpszFileName, nLine);
}

void* AFX_CDECL operator new[](std::size_t nSize, LPCSTR lpszFileName, int nLine)
{
    return AllocateRecorded(nSize, lpszFileName, nLine);
}

void AFX_CDECL operator delete(void* p, LPCSTR, int) noexcept
{
    ReleaseBlock(p);
}

void AFX_CDECL operator delete[](void* p, LPCSTR, int) noexcept
{
    ReleaseBlock(p);
}

// The replaceable deallocation functions: the C++ runtime's own ones free()
// too, so for blocks without a record these behave exactly as they do.
void operator delete(void* p) noexcept
{
    ReleaseBlock(p);
}

void operator delete[](void* p) noexcept
{
    ReleaseBlock(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    ReleaseBlock(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    ReleaseBlock(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    ReleaseBlock(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    ReleaseBlock(p);
}
