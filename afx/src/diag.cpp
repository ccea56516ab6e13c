// diag.cpp - the diagnostics behind ASSERT and TRACE: text for the debugger
// (OutputDebugString) and, for assertions, standard error as well.

#include "afx.h"

#include <cstdio>

void AFXAPI AfxAssertFailedLine(LPCSTR lpszFileName, int nLine)
{
    char szText[512];
    std::snprintf(szText, sizeof szText, "%s(%d) : assertion failed\n", lpszFileName, nLine);
    ::OutputDebugString(szText);
    std::fputs(szText, stderr);
    std::fflush(stderr);
    if (::IsDebuggerPresent())
        ::DebugBreak();
}

void AFX_CDECL AfxTrace(LPCTSTR lpszFormat, ...)
{
    char szText[1024];
    va_list args;
    va_start(args, lpszFormat);
    std::vsnprintf(szText, sizeof szText, lpszFormat, args);
    va_end(args);
    ::OutputDebugString(szText);
}
