// string.cpp - CString: 8-bit text in the system code page over std::string.

#include "afximpl.h"

#include <cstdio>
#include <cstring>

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

CString::CString(LPCTSTR lpch, int nLength)
{
    if (lpch != NULL && nLength > 0)
        m_str.assign(lpch, static_cast<std::size_t>(nLength));
}

CString::CString(TCHAR ch, int nRepeat)
{
    if (nRepeat > 0)
        m_str.assign(static_cast<std::size_t>(nRepeat), ch);
}

CString& CString::operator=(LPCTSTR lpsz)
{
    if (lpsz == NULL)
        m_str.clear();
    else
        m_str = lpsz;   // std::string copes with lpsz pointing into itself
    return *this;
}

CString& CString::operator=(TCHAR ch)
{
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const CString& str)
{
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(LPCTSTR lpsz)
{
    if (lpsz != NULL)
        m_str += lpsz;
    return *this;
}

CString& CString::operator+=(TCHAR ch)
{
    m_str += ch;
    return *this;
}

TCHAR CString::GetAt(int nIndex) const
{
    ASSERT(nIndex >= 0 && nIndex <= GetLength());
    return m_str[static_cast<std::size_t>(nIndex)];
}

int CString::Compare(LPCTSTR lpsz) const
{
    return std::strcmp(m_str.c_str(), lpsz != NULL ? lpsz : "");
}

void CString::Format(LPCTSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    FormatV(lpszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCTSTR lpszFormat, va_list args)
{
    // Formatted into a separate buffer: an argument may be this string.
    va_list argsCopy;
    va_copy(argsCopy, args);
    int nLen = std::vsnprintf(NULL, 0, lpszFormat, argsCopy);
    va_end(argsCopy);
    if (nLen < 0)
    {
        m_str.clear();
        return;
    }
    std::string strResult(static_cast<std::size_t>(nLen) + 1, '\0');
    std::vsnprintf(&strResult[0], strResult.size(), lpszFormat, args);
    strResult.resize(static_cast<std::size_t>(nLen));
    m_str.swap(strResult);
}

BOOL CString::LoadString(UINT nID)
{
    return LoadString(AfxGetResourceHandle(), nID);
}

BOOL CString::LoadString(HINSTANCE hInstance, UINT nID)
{
    // The resource holds UTF-16 text; with a zero buffer size LoadStringW
    // hands out a pointer to it and its length, so no length limit applies.
    const WCHAR* pwch = NULL;
    int nWideLen = ::LoadStringW(hInstance, nID, reinterpret_cast<LPWSTR>(&pwch), 0);
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

LPTSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize(static_cast<std::size_t>(nMinBufLength), '\0');
    return &m_str[0];
}

LPTSTR CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(static_cast<std::size_t>(nNewLength > 0 ? nNewLength : 0), '\0');
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(std::strlen(m_str.c_str()));
    ASSERT(nNewLength <= GetLength());
    m_str.resize(static_cast<std::size_t>(nNewLength));
}

CString AFXAPI operator+(const CString& str1, const CString& str2)
{
    CString strResult(str1);
    strResult += str2;
    return strResult;
}

CString AFXAPI operator+(const CString& str, LPCTSTR lpsz)
{
    CString strResult(str);
    strResult += lpsz;
    return strResult;
}

CString AFXAPI operator+(LPCTSTR lpsz, const CString& str)
{
    CString strResult(lpsz);
    strResult += str;
    return strResult;
}

CString AFXAPI operator+(const CString& str, TCHAR ch)
{
    CString strResult(str);
    strResult += ch;
    return strResult;
}

CString AFXAPI operator+(TCHAR ch, const CString& str)
{
    CString strResult(ch);
    strResult += str;
    return strResult;
}
