// afximpl.h - the framework's own internals, shared by its sources and its
// tests and not part of any header a program includes: the per-thread state,
// window creation and dispatch, and the helpers behind message-map lookup,
// DDX_Text, file filters and DEBUG_NEW's records.

#ifndef AFXIMPL_H
#define AFXIMPL_H

#include "afxwin.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

struct AFX_THREAD_STATE
{
    // The message AfxWndProc is dispatching now, for Default().
    MSG m_lastSentMsg = {};
    // UpdateData in progress on this window: its controls' notifications are
    // not dispatched.
    HWND m_hLockoutNotifyWindow = NULL;
    // The object whose window is being created, and the hook that adopts
    // that window as soon as the system creates it.
    CWnd* m_pWndInit = NULL;
    HHOOK m_hHookOldCbtFilter = NULL;
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

/////////////////////////////////////////////////////////////////////////////
// Window creation and dispatch
//
// The framework's windows are subclassed, as in the real library: while
// pWnd's window is being created a CBT hook binds the new handle to pWnd and
// puts AfxWndProc in place of the window's own procedure, which is kept in
// m_pfnSuper. Every message then passes through the object's message map
// first; what no entry handles, and what a handler hands on with Default(),
// goes to that kept procedure (for a dialog, the system's dialog processing).
// This shape rather than a "handled" flag that the dialog procedure returns:
// Default() then runs the system's handling where the handler calls it, once,
// and hands its result back, so a handler can act on what the system did (a
// base OnPaint before drawing on top), and messages the system sends before
// a dialog procedure is attached (WM_NCCREATE, WM_CREATE) reach the map too.

// Arms the hook for the next window this thread creates; AfxUnhookWindowCreate
// disarms it if no window was created.
BOOL AfxHookWindowCreate(CWnd* pWnd);
void AfxUnhookWindowCreate();
LRESULT CALLBACK AfxCbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// One message to pWnd's WindowProc, with Default()'s record of it, the
// centring of modal dialogs after WM_INITDIALOG, and no exception left to
// unwind into the system's code.
LRESULT AFXAPI AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// The dialog procedure of every CDialog: runs OnInitDialog, and declines
// everything else, which the window procedure has already dispatched.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Forgets pWnd's binding and clears pWnd->m_hWnd.
void AfxUnbindWindow(CWnd* pWnd);

// Called in a catch block at a window-procedure boundary: a CException is
// reported and deleted; anything else ends the dialog, and its DoModal
// rethrows it. Returns the result the message gets.
LRESULT AFXAPI AfxProcessUncaughtException(CWnd* pWnd, const MSG* pMsg);

// Reads the whole text of the window into str.
void AfxGetWindowText(HWND hWnd, CString& str);
// Sets the text only if it differs (no flicker, no needless EN_CHANGE).
void AfxSetWindowText(HWND hWnd, LPCTSTR lpszNew);

/////////////////////////////////////////////////////////////////////////////
// Helpers with tests of their own

// The first entry matching (nMsg, nCode, nID) walking pMap and then its
// bases, or NULL.
const AFX_MSGMAP_ENTRY* AfxLookupMessageEntry(const AFX_MSGMAP* pMap, UINT nMsg, UINT nCode, UINT nID);

// Parses a whole decimal int: optional blanks or tabs, an optional sign,
// digits, optional blanks or tabs, nothing else, within the range of int.
BOOL AfxParseInt(LPCTSTR lpszText, int* pValue);

// One entry of a CFileDialog filter.
struct AFX_FILTER_ITEM
{
    std::string strName;      // what the dialog shows, e.g. "Text files (*.txt)"
    std::string strPattern;   // its patterns, e.g. "*.txt;*.log"
};
// Splits "name|patterns|name|patterns||" into its entries. The list ends
// at the first empty field (the double bar) or at the end of the text, so
// the final bars may be missing; a trailing name without patterns is
// dropped.
std::vector<AFX_FILTER_ITEM> AfxParseFileFilter(LPCTSTR lpszFilter);

// The debug allocator's report of blocks allocated with DEBUG_NEW and not yet
// deleted, one line per block ("file(line) : ... N bytes long."); empty when
// there are none.
std::string AfxGetMemoryLeakReport();
// Writes that report to the debugger and standard error; returns whether
// there was anything to report. Runs by itself at process exit.
BOOL AfxDumpMemoryLeaks();

#endif // AFXIMPL_H
