// afximpl.h - state the framework's sources share: the per-thread handle maps
// and the message being dispatched. Not for programs.

#ifndef AFXIMPL_H
#define AFXIMPL_H

#include "afxwin.h"

#include <map>
#include <memory>

struct AFX_THREAD_STATE
{
    // The message the dialog procedure is dispatching now (for Default()).
    MSG m_lastSentMsg = {};
    // While CDialog::DefWindowProc runs DefDlgProc for a message, this is that
    // message; DefDlgProc hands it back to the dialog procedure first, which
    // must then decline it rather than dispatch it a second time.
    MSG m_defaultMsg = {};
    BOOL m_bInDefault = FALSE;
    // UpdateData in progress on this window: its controls' notifications are
    // not dispatched.
    HWND m_hLockoutNotifyWindow = NULL;
    // The dialog DoModal is creating; adopted by the first message of a window
    // that is not bound yet.
    CDialog* m_pDlgInit = NULL;
    int m_nModalDepth = 0;

    // Windows bound to their objects (owned by the program).
    std::map<HWND, CWnd*> m_permanentWnds;
    // Wrappers handed out for handles that have no object (owned here).
    std::map<HWND, std::unique_ptr<CWnd>> m_temporaryWnds;
    std::map<HMENU, std::unique_ptr<CMenu>> m_temporaryMenus;

    ~AFX_THREAD_STATE();
};

AFX_THREAD_STATE* AfxGetThreadState();
// Frees the temporary wrappers (end of the outermost modal run, and at exit).
void AfxDeleteTempMaps();
// Binds hWnd to pWnd: the one place a window gets its object.
void AfxBindWindow(HWND hWnd, CWnd* pWnd);
// Undoes AfxBindWindow; clears pWnd->m_hWnd.
void AfxUnbindWindow(CWnd* pWnd);

// Reads the whole text of the window into str.
void AfxGetWindowText(HWND hWnd, CString& str);
// Sets the text only if it differs (no flicker, no needless EN_CHANGE).
void AfxSetWindowText(HWND hWnd, LPCTSTR lpszNew);

// An exception caught at a window-procedure boundary: reports it and returns
// the result the message should have.
LRESULT AfxProcessWndProcException(CException* e, const MSG* pMsg);

#endif // AFXIMPL_H
