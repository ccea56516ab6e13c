// debugnew.cpp - the debug allocator behind DEBUG_NEW. CObject's own
// operator new and delete serve every object derived from it, as in the real
// library: the (file, line) form records the block in a small list beside
// it, CObject's operator delete takes it off again, and what is still listed
// when the process ends is reported as leaked. The global operators are the
// C++ runtime's own; DEBUG_NEW for any other type forwards to them unrecorded.

#include "afximpl.h"

#include <cstdio>
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
BlockRecord* g_pRecords = NULL;   // newest first
unsigned long g_nRequests = 0;

void* AllocateRecorded(std::size_t nSize, const char* pszFile, int nLine)
{
    void* pBlock = ::operator new(nSize);
    BlockRecord* pRecord = new (std::nothrow) BlockRecord{pBlock, nSize, pszFile, nLine, 0, NULL};
    if (pRecord == NULL)
    {
        ::operator delete(pBlock);
        throw std::bad_alloc();
    }
    ::AcquireSRWLockExclusive(&g_lock);
    pRecord->nRequest = ++g_nRequests;
    pRecord->pNext = g_pRecords;
    g_pRecords = pRecord;
    ::ReleaseSRWLockExclusive(&g_lock);
    return pBlock;
}

// Takes p's record off the list, if it has one, and frees the block.
void ReleaseBlock(void* p) noexcept
{
    if (p == NULL)
        return;
    BlockRecord* pFound = NULL;
    ::AcquireSRWLockExclusive(&g_lock);
    for (BlockRecord** ppLink = &g_pRecords; *ppLink != NULL; ppLink = &(*ppLink)->pNext)
    {
        if ((*ppLink)->pBlock == p)
        {
            pFound = *ppLink;
            *ppLink = pFound->pNext;
            break;
        }
    }
    ::ReleaseSRWLockExclusive(&g_lock);
    delete pFound;
    ::operator delete(p);
}

// Runs after every static object of the program has been destroyed (the
// C runtime calls destructor functions last), so that blocks freed by those
// destructors are not reported.
__attribute__((destructor)) void ReportLeaksAtExit()
{
    AfxDumpMemoryLeaks();
}

} // namespace

std::string AfxGetMemoryLeakReport()
{
    std::string strReport;
    ::AcquireSRWLockShared(&g_lock);
    for (const BlockRecord* pRecord = g_pRecords; pRecord != NULL; pRecord = pRecord->pNext)
    {
        char szLine[MAX_PATH + 128];
        std::snprintf(szLine, sizeof szLine, "%s(%d) : {%lu} normal block at %p, %zu bytes long.\n",
                      pRecord->pszFile != NULL ? pRecord->pszFile : "?", pRecord->nLine, pRecord->nRequest,
                      pRecord->pBlock, pRecord->nSize);
        strReport += szLine;
    }
    ::ReleaseSRWLockShared(&g_lock);
    return strReport;
}

BOOL AfxDumpMemoryLeaks()
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

/////////////////////////////////////////////////////////////////////////////
// CObject's allocation functions

void* PASCAL CObject::operator new(std::size_t nSize)
{
    return ::operator new(nSize);
}

void* PASCAL CObject::operator new(std::size_t nSize, LPCSTR lpszFileName, int nLine)
{
    return AllocateRecorded(nSize, lpszFileName, nLine);
}

void PASCAL CObject::operator delete(void* p) noexcept
{
    ReleaseBlock(p);
}

void PASCAL CObject::operator delete(void* p, LPCSTR, int) noexcept
{
    ReleaseBlock(p);
}

/////////////////////////////////////////////////////////////////////////////
// DEBUG_NEW for types not derived from CObject: the ordinary heap, since
// their plain delete never reaches the framework.

void* AFX_CDECL operator new(std::size_t nSize, LPCSTR, int)
{
    return ::operator new(nSize);
}

void* AFX_CDECL operator new[](std::size_t nSize, LPCSTR, int)
{
    return ::operator new[](nSize);
}

void AFX_CDECL operator delete(void* p, LPCSTR, int) noexcept
{
    ::operator delete(p);
}

void AFX_CDECL operator delete[](void* p, LPCSTR, int) noexcept
{
    ::operator delete[](p);
}
