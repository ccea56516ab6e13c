// afx.h - the framework's core that needs no window: CObject, the exception
// classes, CString, diagnostics (ASSERT, VERIFY, TRACE) and the debug
// allocator behind DEBUG_NEW.
//
// Classes in this file:
//   CObject                 root of the framework's classes
//   CException              root of the framework's exceptions (thrown by pointer)
//     CUserException        "the user has been told; abort the operation"
//     CNotSupportedException
//     CResourceException
//   CString                 8-bit string in the system code page
//
// The framework is built for 8-bit (multi-byte) programs: TCHAR is char.

#ifndef AFX_H
#define AFX_H

#if defined(UNICODE) || defined(_UNICODE)
#error This framework supports 8-bit (multi-byte) programs only; do not define UNICODE or _UNICODE.
#endif

#include <windows.h>
#include <tchar.h>

#include <cstddef>
#include <cstdarg>
#include <string>

#define AFXAPI   __stdcall
#define AFX_CDECL __cdecl
#ifndef PASCAL
#define PASCAL __stdcall
#endif
#define AFX_MSG_CALL
#define afx_msg

/////////////////////////////////////////////////////////////////////////////
// Diagnostics

// Reports a failed assertion (file and line) through OutputDebugString and
// standard error. Returns normally, so that a development build that hits an
// assertion without a debugger keeps running, as "Ignore" would.
void AFXAPI AfxAssertFailedLine(LPCSTR lpszFileName, int nLine);
// printf-style text to the debugger (OutputDebugString).
void AFX_CDECL AfxTrace(LPCTSTR lpszFormat, ...) __attribute__((format(gnu_printf, 1, 2)));

#ifdef _DEBUG
#ifndef THIS_FILE
#define THIS_FILE __FILE__
#endif
#define ASSERT(f) \
    do { if (!(f)) ::AfxAssertFailedLine(THIS_FILE, __LINE__); } while (0)
#define VERIFY(f) ASSERT(f)
#define TRACE ::AfxTrace
#else
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define TRACE(...) ((void)0)
#endif

/////////////////////////////////////////////////////////////////////////////
// Debug allocator
//
// DEBUG_NEW is new(THIS_FILE, __LINE__): the block is recorded with its source
// file and line until it is deleted. Blocks still recorded when the process
// exits are reported through OutputDebugString and standard error. A program
// opts in per source file with
//     #ifdef _DEBUG
//     #define new DEBUG_NEW
//     #endif
// Blocks come from the ordinary heap, so plain delete releases them.

void* AFX_CDECL operator new(std::size_t nSize, LPCSTR lpszFileName, int nLine);
void* AFX_CDECL operator new[](std::size_t nSize, LPCSTR lpszFileName, int nLine);
// Called by the compiler when a constructor run by new(file, line) throws.
void AFX_CDECL operator delete(void* p, LPCSTR lpszFileName, int nLine) noexcept;
void AFX_CDECL operator delete[](void* p, LPCSTR lpszFileName, int nLine) noexcept;

#ifdef _DEBUG
#define DEBUG_NEW new(THIS_FILE, __LINE__)
#else
#define DEBUG_NEW new
#endif

/////////////////////////////////////////////////////////////////////////////
// CObject

class CObject
{
public:
    virtual ~CObject() = default;

protected:
    CObject() = default;

private:
    // Framework objects own handles and registrations: never copied.
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

/////////////////////////////////////////////////////////////////////////////
// Exceptions: thrown as pointers to heap objects, released with Delete().

class CException : public CObject
{
public:
    // Releases a caught exception (catch (CException* e) { e->Delete(); }).
    void Delete();
    // Copies a description of the error into lpszError (at most nMaxError chars).
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const;
    // Shows the description in a message box; returns the box's result.
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0);

protected:
    CException() = default;
};

class CUserException : public CException
{
public:
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
};

class CNotSupportedException : public CException
{
public:
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
};

class CResourceException : public CException
{
public:
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override;
};

[[noreturn]] void AFXAPI AfxThrowUserException();
[[noreturn]] void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] void AFXAPI AfxThrowResourceException();

/////////////////////////////////////////////////////////////////////////////
// CString: an 8-bit string in the system code page, usable wherever an
// LPCTSTR is expected.

// Defining _ATL_CSTRING_EXPLICIT_CONSTRUCTORS makes the converting
// constructors explicit, so that text becomes a CString only where asked.
#ifdef _ATL_CSTRING_EXPLICIT_CONSTRUCTORS
#define AFX_CSTRING_EXPLICIT explicit
#else
#define AFX_CSTRING_EXPLICIT
#endif

class CString
{
public:
    CString() = default;
    CString(const CString& str) = default;
    CString(CString&& str) noexcept = default;
    // A string resource id made with MAKEINTRESOURCE loads that string.
    AFX_CSTRING_EXPLICIT CString(LPCTSTR lpsz);
    CString(LPCTSTR lpch, int nLength);
    AFX_CSTRING_EXPLICIT CString(TCHAR ch, int nRepeat = 1);
    ~CString() = default;

    CString& operator=(const CString& str) = default;
    CString& operator=(CString&& str) noexcept = default;
    CString& operator=(LPCTSTR lpsz);
    CString& operator=(TCHAR ch);

    CString& operator+=(const CString& str);
    CString& operator+=(LPCTSTR lpsz);
    CString& operator+=(TCHAR ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    TCHAR GetAt(int nIndex) const;
    TCHAR operator[](int nIndex) const { return GetAt(nIndex); }

    operator LPCTSTR() const { return m_str.c_str(); }
    LPCTSTR GetString() const { return m_str.c_str(); }

    int Compare(LPCTSTR lpsz) const;

    // printf-style formatting; the arguments may refer to this string itself.
    void AFX_CDECL Format(LPCTSTR lpszFormat, ...) __attribute__((format(gnu_printf, 2, 3)));
    void FormatV(LPCTSTR lpszFormat, va_list args);

    // Loads string resource nID from the application's resource module,
    // converted to the system code page. FALSE (string unchanged) when the
    // resource is missing or empty.
    BOOL LoadString(UINT nID);
    BOOL LoadString(HINSTANCE hInstance, UINT nID);

    // Direct access to the characters: at least nMinBufLength chars are
    // writable (plus the terminator). ReleaseBuffer(-1) takes the length up
    // to the first NUL.
    LPTSTR GetBuffer(int nMinBufLength);
    LPTSTR GetBuffer() { return GetBuffer(0); }
    LPTSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_str;
};

CString AFXAPI operator+(const CString& str1, const CString& str2);
CString AFXAPI operator+(const CString& str, LPCTSTR lpsz);
CString AFXAPI operator+(LPCTSTR lpsz, const CString& str);
CString AFXAPI operator+(const CString& str, TCHAR ch);
CString AFXAPI operator+(TCHAR ch, const CString& str);

inline bool operator==(const CString& s1, const CString& s2) { return s1.Compare(s2) == 0; }
inline bool operator==(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) == 0; }
inline bool operator==(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) == 0; }
inline bool operator!=(const CString& s1, const CString& s2) { return s1.Compare(s2) != 0; }
inline bool operator!=(const CString& s1, LPCTSTR s2) { return s1.Compare(s2) != 0; }
inline bool operator!=(LPCTSTR s1, const CString& s2) { return s2.Compare(s1) != 0; }
inline bool operator<(const CString& s1, const CString& s2) { return s1.Compare(s2) < 0; }

#endif // AFX_H
