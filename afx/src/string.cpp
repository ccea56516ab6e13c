// string.cpp - CString: 8-bit text in the system code page over std::string.

#include "afximpl.h"

CString::CString(LPCTSTR lpsz)
{
    if (lpsz == NULL)
        return;
    if (IS_INTRESOURCE(lpsz))
    {
        LoadString(LOWORD(reinterpret_cast<ULONG_PTR>(lpsz)));
        return;
    }
    m_str = lpsz;
}

CString& CString::operator=(LPCTSTR lpsz)
{
    if (lpsz == NULL)
        m_str.clear();
    else
        m_str = lpsz;   // std::string copes with lpsz pointing into itself
    return *this;
}

BOOL CString::LoadString(UINT nID)
{
    // The resource holds UTF-16 text; with a zero buffer size LoadStringW
    // hands out a pointer to it and its length, so no length limit applies.
    const WCHAR* pwch = NULL;
    int nWideLen = ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&pwch), 0);
    if (nWideLen <= 0 || pwch == NULL)
        return FALSE;
    int nLen = ::WideCharToMultiByte(CP_ACP, 0, pwch, nWideLen, NULL, 0, NULL, NULL);
    if (nLen <= 0)
        return FALSE;
    std::string strText(static_cast<std::size_t>(nLen), '\0');
    if (::WideCharToMultiByte(CP_ACP, 0, pwch, nWideLen, &strText[0], nLen, NULL, NULL) != nLen)
        return FALSE;
    m_str.swap(strText);
    return TRUE;
}
