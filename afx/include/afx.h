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
// DEBUG_NEW is new(THIS_FILE, __LINE__). For a class derived from CObject it
// reaches CObject's own operator new, which records the block with its source
// file and line until CObject's operator delete releases it; blocks still
// recorded when the process exits are reported through OutputDebugString and
// standard error. A program opts in per source file with
//     #ifdef _DEBUG
//     #define new DEBUG_NEW
//     #endif
// Other types allocated with DEBUG_NEW come from the ordinary heap and are
// not recorded: nothing of the framework's sees their plain delete, since the
// global operators stay the C++ runtime's own.

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

// Whether p is null, in a form the compiler cannot fold away. The real
// library's GetSafeHwnd and GetSafeHdc work through a null pointer, and a
// plain `this == NULL` is assumed false and dropped by the optimiser.
inline bool AfxIsNullObject(const void* p)
{
    __asm__("" : "+r"(p));
    return p == NULL;
}

class CObject
{
public:
    virtual ~CObject() = default;

    // The framework's allocation functions for every object derived from
    // CObject; the (file, line) form is DEBUG_NEW's and is recorded.
    static void* PASCAL operator new(std::size_t nSize);
    static void* PASCAL operator new(std::size_t, void* p) { return p; }
    static void* PASCAL operator new(std::size_t nSize, LPCSTR lpszFileName, int nLine);
    static void PASCAL operator delete(void* p) noexcept;
    static void PASCAL operator delete(void*, void*) noexcept {}
    // Called by the compiler when a constructor run by DEBUG_NEW throws.
    static void PASCAL operator delete(void* p, LPCSTR lpszFileName, int nLine) noexcept;

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
// LPCTSTR is expected. Only the members the program's dialogs use.

// Defining _ATL_CSTRING_EXPLICIT_CONSTRUCTORS makes the converting
// constructor explicit, so that text becomes a CString only where asked.
#ifdef _ATL_CSTRING_EXPLICIT_CONSTRUCTORS
#define AFX_CSTRING_EXPLICIT explicit
#else
#define AFX_CSTRING_EXPLICIT
#endif

class CString
{
public:
    CString() = default;
    // A string resource id made with MAKEINTRESOURCE loads that string.
    AFX_CSTRING_EXPLICIT CString(LPCTSTR lpsz);

    CString& operator=(LPCTSTR lpsz);

    BOOL IsEmpty() const { return m_str.empty(); }
    operator LPCTSTR() const { return m_str.c_str(); }

    // Loads string resource nID from the application's resource module,
    // converted to the system code page. FALSE (string unchanged) when the
    // resource is missing or empty.
    BOOL LoadString(UINT nID);

private:
    std::string m_str;
};

#endif // AFX_H
