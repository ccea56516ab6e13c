// wnd.cpp - CWnd: the binding of window handles to objects, the per-thread
// handle maps, message dispatch through the message map, and the thin
// wrappers over the window functions.

#include "afximpl.h"

#include "afxpriv.h"

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

void AfxBindWindow(HWND hWnd, CWnd* pWnd)
{
    ASSERT(hWnd != NULL && pWnd != NULL && pWnd->m_hWnd == NULL);
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    pState->m_permanentWnds[hWnd] = pWnd;
    pWnd->m_hWnd = hWnd;
    // A temporary wrapper made before the binding would now be stale.
    auto temp = pState->m_temporaryWnds.find(hWnd);
    if (temp != pState->m_temporaryWnds.end())
    {
        temp->second->m_hWnd = NULL;
        pState->m_temporaryWnds.erase(temp);
    }
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

void AfxGetWindowText(HWND hWnd, CString& str)
{
    int nLen = ::GetWindowTextLength(hWnd);
    if (nLen <= 0)
    {
        str.Empty();
        return;
    }
    // The length may overestimate (DBCS); ReleaseBuffer takes the real one.
    ::GetWindowText(hWnd, str.GetBufferSetLength(nLen), nLen + 1);
    str.ReleaseBuffer();
}

void AfxSetWindowText(HWND hWnd, LPCTSTR lpszNew)
{
    CString strOld;
    AfxGetWindowText(hWnd, strOld);
    if (strOld != lpszNew)
        VERIFY(::SetWindowText(hWnd, lpszNew));
}

LRESULT AfxProcessWndProcException(CException* e, const MSG* pMsg)
{
    // A CUserException means the user has already been told.
    if (dynamic_cast<CUserException*>(e) == NULL)
        e->ReportError(MB_ICONSTOP, AFX_IDP_INTERNAL_FAILURE);
    e->Delete();
    // A paint message left unvalidated would come straight back.
    if (pMsg != NULL && pMsg->message == WM_PAINT && pMsg->hwnd != NULL)
        ::ValidateRect(pMsg->hwnd, NULL);
    return 0;
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

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
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

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) const
{
    if (lpszCaption == NULL)
        lpszCaption = AfxGetAppName();
    return ::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
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
    if (m_hWnd == NULL)
        return 0;
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = AfxGetThreadState()->m_lastSentMsg;
    // Outside a dispatch to this window there is no message to default.
    if (m_hWnd == NULL || msg.hwnd != m_hWnd)
        return 0;
    MSG current = msg;
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CWnd::OnPaint()
{
    Default();
}

HCURSOR CWnd::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(Default());
}

void CWnd::OnDropFiles(HDROP)
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
