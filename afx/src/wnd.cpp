// wnd.cpp - CWnd: the per-thread handle maps, the hook that binds a window
// being created to its object and subclasses it, the window procedure that
// dispatches through the message map, and the thin wrappers over the window
// functions.

#include "afximpl.h"

#include <cstring>

AFX_THREAD_STATE::~AFX_THREAD_STATE()
{
    // Menus wrapped temporarily belong to their windows, not to the wrapper.
    for (auto& entry : m_temporaryMenus)
        entry.second->Detach();
    for (auto& entry : m_temporaryWnds)
        entry.second->m_hWnd = NULL;
}

AFX_THREAD_STATE* AfxGetThreadState()
{
    thread_local AFX_THREAD_STATE state;
    return &state;
}

void AfxDeleteTempMaps()
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    for (auto& entry : pState->m_temporaryMenus)
        entry.second->Detach();
    pState->m_temporaryMenus.clear();
    for (auto& entry : pState->m_temporaryWnds)
        entry.second->m_hWnd = NULL;
    pState->m_temporaryWnds.clear();
}

// The thread's main and active window pointers must not outlive the window.
static void ForgetThreadWindow(CWnd* pWnd)
{
    CWinThread* pThread = AfxGetThread();
    if (pThread == NULL)
        return;
    if (pThread->m_pMainWnd == pWnd)
        pThread->m_pMainWnd = NULL;
    if (pThread->m_pActiveWnd == pWnd)
        pThread->m_pActiveWnd = NULL;
}

void AfxUnbindWindow(CWnd* pWnd)
{
    if (pWnd->m_hWnd == NULL)
        return;
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    auto found = pState->m_permanentWnds.find(pWnd->m_hWnd);
    if (found != pState->m_permanentWnds.end() && found->second == pWnd)
        pState->m_permanentWnds.erase(found);
    pWnd->m_hWnd = NULL;
    ForgetThreadWindow(pWnd);
}

/////////////////////////////////////////////////////////////////////////////
// Window creation: the one place a window gets its object

BOOL AfxHookWindowCreate(CWnd* pWnd)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    ASSERT(pState->m_pWndInit == NULL && pState->m_hHookOldCbtFilter == NULL);
    pState->m_hHookOldCbtFilter = ::SetWindowsHookEx(WH_CBT, AfxCbtFilterHook, NULL, ::GetCurrentThreadId());
    if (pState->m_hHookOldCbtFilter == NULL)
        return FALSE;
    pState->m_pWndInit = pWnd;
    return TRUE;
}

void AfxUnhookWindowCreate()
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    if (pState->m_hHookOldCbtFilter != NULL)
    {
        ::UnhookWindowsHookEx(pState->m_hHookOldCbtFilter);
        pState->m_hHookOldCbtFilter = NULL;
    }
    pState->m_pWndInit = NULL;
}

namespace
{

// The default IME window that the system may create for the thread's first
// top-level window is not the window being created for the object.
bool IsImeWindow(HWND hWnd)
{
    if (::GetClassLongPtr(hWnd, GCL_STYLE) & CS_IME)
        return true;
    char szClass[8] = {};
    ::GetClassName(hWnd, szClass, sizeof szClass);
    return lstrcmpi(szClass, "IME") == 0;
}

} // namespace

LRESULT CALLBACK AfxCbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    HHOOK hHook = pState->m_hHookOldCbtFilter;
    HWND hWnd = reinterpret_cast<HWND>(wParam);
    if (nCode == HCBT_CREATEWND && pState->m_pWndInit != NULL && !IsImeWindow(hWnd))
    {
        CWnd* pWnd = pState->m_pWndInit;
        ASSERT(pWnd->m_hWnd == NULL);
        pState->m_permanentWnds[hWnd] = pWnd;
        pWnd->m_hWnd = hWnd;
        // A temporary wrapper made before the binding would now be stale.
        auto temp = pState->m_temporaryWnds.find(hWnd);
        if (temp != pState->m_temporaryWnds.end())
        {
            temp->second->m_hWnd = NULL;
            pState->m_temporaryWnds.erase(temp);
        }
        // From its first message on, the window's messages reach the object.
        pWnd->m_pfnSuper = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
        // One window per arming: its controls are not the object's.
        AfxUnhookWindowCreate();
    }
    return ::CallNextHookEx(hHook, nCode, wParam, lParam);
}

/////////////////////////////////////////////////////////////////////////////
// Dispatch

namespace
{

// The real library's rule for centring a modal dialog after WM_INITDIALOG:
// it was hidden while it was created and still is, it did not move during its
// initialisation, it is unowned or its owner is disabled (as a modal run
// leaves it), and the dialog itself allows it (CheckAutoCenter).
void CentreAfterInitDialog(CWnd* pWnd, HWND hWnd, const RECT& rectOld, DWORD dwStyleOld)
{
    if (pWnd->m_hWnd != hWnd || (dwStyleOld & WS_VISIBLE))
        return;
    if (::GetWindowLong(hWnd, GWL_STYLE) & (WS_VISIBLE | WS_CHILD))
        return;
    RECT rect;
    ::GetWindowRect(hWnd, &rect);
    if (rect.left != rectOld.left || rect.top != rectOld.top)
        return;
    HWND hWndOwner = ::GetWindow(hWnd, GW_OWNER);
    if (hWndOwner != NULL && ::IsWindowEnabled(hWndOwner))
        return;
    if (pWnd->CheckAutoCenter())
        pWnd->CenterWindow();
}

} // namespace

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == NULL)
    {
        ASSERT(FALSE);   // only windows the creation hook bound get this procedure
        return ::DefWindowProc(hWnd, message, wParam, lParam);
    }
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

LRESULT AFXAPI AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    MSG oldMsg = pState->m_lastSentMsg;
    pState->m_lastSentMsg.hwnd = hWnd;
    pState->m_lastSentMsg.message = message;
    pState->m_lastSentMsg.wParam = wParam;
    pState->m_lastSentMsg.lParam = lParam;

    RECT rectOld = {};
    DWORD dwStyleOld = 0;
    if (message == WM_INITDIALOG)
    {
        ::GetWindowRect(hWnd, &rectOld);
        dwStyleOld = static_cast<DWORD>(::GetWindowLong(hWnd, GWL_STYLE));
    }

    LRESULT lResult = 0;
    // No exception may unwind into the system's code that called us.
    try
    {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    }
    catch (...)
    {
        lResult = AfxProcessUncaughtException(pWnd, &pState->m_lastSentMsg);
    }

    if (message == WM_INITDIALOG)
        CentreAfterInitDialog(pWnd, hWnd, rectOld, dwStyleOld);
    pState->m_lastSentMsg = oldMsg;

    if (message == WM_NCDESTROY && pWnd->m_hWnd == hWnd)
    {
        // The window's own procedure back in place, and the binding gone.
        if (pWnd->m_pfnSuper != NULL)
            ::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
        pWnd->m_pfnSuper = NULL;
        AfxUnbindWindow(pWnd);
    }
    return lResult;
}

namespace
{

std::string WindowText(HWND hWnd)
{
    int nLen = ::GetWindowTextLength(hWnd);
    if (nLen <= 0)
        return std::string();
    // The length may overestimate (DBCS): the text ends at its terminator.
    std::vector<char> buffer(static_cast<std::size_t>(nLen) + 1, '\0');
    ::GetWindowText(hWnd, buffer.data(), nLen + 1);
    return std::string(buffer.data());
}

} // namespace

void AfxGetWindowText(HWND hWnd, CString& str)
{
    str = WindowText(hWnd).c_str();
}

void AfxSetWindowText(HWND hWnd, LPCTSTR lpszNew)
{
    if (WindowText(hWnd) != lpszNew)
        VERIFY(::SetWindowText(hWnd, lpszNew));
}

/////////////////////////////////////////////////////////////////////////////
// CWnd

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_HELPINFO()
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    AfxUnbindWindow(this);
    ForgetThreadWindow(this);  // also for an object whose window never existed
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    if (hWnd == NULL)
        return NULL;
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    auto found = pState->m_permanentWnds.find(hWnd);
    return found != pState->m_permanentWnds.end() ? found->second : NULL;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == NULL)
        return NULL;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    std::unique_ptr<CWnd>& slot = AfxGetThreadState()->m_temporaryWnds[hWnd];
    if (!slot)
    {
        slot.reset(new CWnd);
        slot->m_hWnd = hWnd;
    }
    return slot.get();
}

CWnd* PASCAL CWnd::GetSafeOwner(CWnd* pParent, HWND* pWndTop)
{
    HWND hParent = pParent != NULL ? pParent->m_hWnd : NULL;
    HWND hWnd = hParent;
    if (hWnd == NULL)
    {
        CWnd* pMainWnd = AfxGetMainWnd();
        hWnd = pMainWnd != NULL ? pMainWnd->m_hWnd : NULL;
    }
    // A popup cannot be owned by a child window: climb to its top level.
    while (hWnd != NULL && (::GetWindowLong(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    if (pWndTop != NULL)
    {
        HWND hWndTop = hWnd;
        for (HWND hNext = hWndTop; hNext != NULL; hNext = ::GetParent(hWndTop))
            hWndTop = hNext;
        *pWndTop = hWndTop;
    }
    // Without an explicit parent, own the popup the user is working in.
    if (hParent == NULL && hWnd != NULL)
        hWnd = ::GetLastActivePopup(hWnd);
    return FromHandle(hWnd);
}

void CWnd::GetDlgItem(int nID, HWND* phWnd) const
{
    *phWnd = ::GetDlgItem(m_hWnd, nID);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    if (!::GetClientRect(m_hWnd, lpRect))
        ::SetRectEmpty(lpRect);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    if (lpszCaption == NULL)
        lpszCaption = AfxGetAppName();
    return ::MessageBox(GetSafeHwnd(), lpszText, lpszCaption, nType);
}

void CWnd::DragAcceptFiles(BOOL bAccept)
{
    ::DragAcceptFiles(m_hWnd, bAccept);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == NULL)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    ASSERT(::IsWindow(m_hWnd));
    ASSERT(!(::GetWindowLong(m_hWnd, GWL_STYLE) & WS_CHILD));   // pop-up windows only
    HWND hWndCenter = pAlternateOwner != NULL ? pAlternateOwner->GetSafeHwnd() : ::GetWindow(m_hWnd, GW_OWNER);
    // Not on a window the user cannot see.
    if (hWndCenter != NULL)
    {
        DWORD dwStyle = static_cast<DWORD>(::GetWindowLong(hWndCenter, GWL_STYLE));
        if (!(dwStyle & WS_VISIBLE) || (dwStyle & WS_MINIMIZE))
            hWndCenter = NULL;
    }

    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    RECT rcCenter;
    if (hWndCenter == NULL)
    {
        // The work area of the main window's monitor, or of the primary one.
        ::GetMonitorInfo(::MonitorFromWindow(AfxGetMainWnd()->GetSafeHwnd(), MONITOR_DEFAULTTOPRIMARY), &mi);
        rcCenter = mi.rcWork;
    }
    else
    {
        ::GetWindowRect(hWndCenter, &rcCenter);
        ::GetMonitorInfo(::MonitorFromWindow(hWndCenter, MONITOR_DEFAULTTONEAREST), &mi);
    }
    const RECT& rcArea = mi.rcWork;

    RECT rcWnd;
    ::GetWindowRect(m_hWnd, &rcWnd);
    int cx = rcWnd.right - rcWnd.left;
    int cy = rcWnd.bottom - rcWnd.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - cx / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - cy / 2;
    // Inside the work area; a window larger than it keeps its top-left corner
    // (and so its caption) on the screen.
    if (x < rcArea.left)
        x = rcArea.left;
    else if (x + cx > rcArea.right)
        x = rcArea.right - cx;
    if (y < rcArea.top)
        y = rcArea.top;
    else if (y + cy > rcArea.bottom)
        y = rcArea.bottom - cy;
    ::SetWindowPos(m_hWnd, NULL, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::CheckAutoCenter()
{
    return TRUE;
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    ASSERT(::IsWindow(m_hWnd));   // UpdateData needs the window's controls
    CDataExchange dx(this, bSaveAndValidate);

    // Setting control texts makes the controls notify the dialog; those
    // notifications are echoes of this exchange, not user actions.
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    HWND hWndOldLockout = pState->m_hLockoutNotifyWindow;
    pState->m_hLockoutNotifyWindow = m_hWnd;

    BOOL bOK = FALSE;
    try
    {
        DoDataExchange(&dx);
        bOK = TRUE;
    }
    catch (CException* e)
    {
        // CUserException: a DDX routine has told the user already.
        if (dynamic_cast<CUserException*>(e) == NULL)
            e->ReportError(MB_ICONEXCLAMATION, AFX_IDP_INTERNAL_FAILURE);
        e->Delete();
    }
    catch (...)
    {
        pState->m_hLockoutNotifyWindow = hWndOldLockout;
        throw;
    }
    pState->m_hLockoutNotifyWindow = hWndOldLockout;
    return bOK;
}

void CWnd::DoDataExchange(CDataExchange*)
{
    // Binds nothing; derived classes add their DDX_ calls.
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT lResult = 0;
    if (message == WM_COMMAND)
    {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        lResult = 1;
    }
    else
    {
        const AFX_MSGMAP_ENTRY* lpEntry = AfxLookupMessageEntry(GetMessageMap(), message, 0, 0);
        if (lpEntry == NULL)
            return FALSE;
        switch (lpEntry->nSig)
        {
        case AfxSig_vv:
        {
            void (CWnd::*pfn)();
            std::memcpy(&pfn, &lpEntry->pfn, sizeof pfn);
            (this->*pfn)();
            break;
        }
        case AfxSig_vwl:
        {
            void (CWnd::*pfn)(UINT, LPARAM);
            std::memcpy(&pfn, &lpEntry->pfn, sizeof pfn);
            (this->*pfn)(static_cast<UINT>(wParam), lParam);
            break;
        }
        case AfxSig_hv:
        {
            HCURSOR (CWnd::*pfn)();
            std::memcpy(&pfn, &lpEntry->pfn, sizeof pfn);
            lResult = reinterpret_cast<LRESULT>((this->*pfn)());
            break;
        }
        case AfxSig_vD:
        {
            void (CWnd::*pfn)(HDROP);
            std::memcpy(&pfn, &lpEntry->pfn, sizeof pfn);
            (this->*pfn)(reinterpret_cast<HDROP>(wParam));
            break;
        }
        case AfxSig_bHELPINFO:
        {
            BOOL (CWnd::*pfn)(HELPINFO*);
            std::memcpy(&pfn, &lpEntry->pfn, sizeof pfn);
            lResult = (this->*pfn)(reinterpret_cast<HELPINFO*>(lParam));
            break;
        }
        default:
            // A command-style entry under a window message: not callable here.
            ASSERT(FALSE);
            return FALSE;
        }
    }
    if (pResult != NULL)
        *pResult = lResult;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    if (hWndCtrl == NULL)
    {
        // Menus send 0, accelerators 1: both are plain commands.
        nCode = CN_COMMAND;
    }
    else if (AfxGetThreadState()->m_hLockoutNotifyWindow == m_hWnd)
    {
        return TRUE;   // a notification caused by UpdateData itself
    }
    return OnCmdMsg(nID, nCode, NULL, NULL);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != NULL)
        return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    // A copy: the default processing dispatches messages of its own.
    MSG msg = AfxGetThreadState()->m_lastSentMsg;
    ASSERT(msg.hwnd == m_hWnd);   // only inside a handler of this window
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CWnd::OnPaint()
{
    Default();
}

BOOL CWnd::OnHelpInfo(HELPINFO*)
{
    // Shift/Ctrl/Alt+F1 are not the Help command.
    if (!(::GetWindowLong(m_hWnd, GWL_STYLE) & WS_CHILD) && ::GetKeyState(VK_SHIFT) >= 0 &&
        ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0)
    {
        if (CWnd* pMainWnd = AfxGetMainWnd())
        {
            if (pMainWnd->m_hWnd != NULL)
            {
                pMainWnd->SendMessage(WM_COMMAND, ID_HELP);
                return TRUE;
            }
        }
    }
    return static_cast<BOOL>(Default());
}
