// dlg.cpp - CDialog and CDialogEx: modal dialogs run from template resources,
// and AfxDlgProc, the one dialog procedure, which binds each dialog window to
// its object and dispatches through the object's message map.

#include "afximpl.h"

#include "afxdialogex.h"

namespace
{

MSG MakeMsg(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    return msg;
}

bool SameMsg(const MSG& a, const MSG& b)
{
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam;
}

// Messages whose result a dialog procedure returns itself; for all others it
// returns TRUE and leaves the result in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM ||
           message == WM_VKEYTOITEM || message == WM_CHARTOITEM || message == WM_QUERYDRAGICON ||
           message == WM_INITDIALOG;
}

} // namespace

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();

    // DefDlgProc called from Default() asks this procedure first: decline, so
    // that the platform's default processing runs.
    if (pState->m_bInDefault && SameMsg(pState->m_defaultMsg, MakeMsg(hWnd, message, wParam, lParam)))
    {
        pState->m_bInDefault = FALSE;
        return FALSE;
    }

    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == NULL)
    {
        // The first message of the dialog DoModal is creating.
        if (pState->m_pDlgInit == NULL)
        {
            ASSERT(FALSE);   // a dialog this framework did not create
            return FALSE;
        }
        pWnd = pState->m_pDlgInit;
        pState->m_pDlgInit = NULL;
        AfxBindWindow(hWnd, pWnd);
    }
    CDialog* pDlg = dynamic_cast<CDialog*>(pWnd);
    if (pDlg == NULL)
    {
        ASSERT(FALSE);
        return FALSE;
    }

    MSG oldMsg = pState->m_lastSentMsg;
    pState->m_lastSentMsg = MakeMsg(hWnd, message, wParam, lParam);
    INT_PTR nResult = FALSE;
    // No exception may unwind into the platform's code that called us.
    try
    {
        if (message == WM_INITDIALOG)
        {
            nResult = pDlg->OnInitDialog();
        }
        else
        {
            LRESULT lResult = 0;
            if (pDlg->OnWndMsg(message, wParam, lParam, &lResult))
            {
                if (ReturnsResultDirectly(message))
                {
                    nResult = lResult;
                }
                else
                {
                    ::SetWindowLongPtr(hWnd, DWLP_MSGRESULT, lResult);
                    nResult = TRUE;
                }
            }
        }
    }
    catch (CException* e)
    {
        // As the framework does for its own exceptions: report and go on.
        LRESULT lResult = AfxProcessWndProcException(e, &pState->m_lastSentMsg);
        if (message == WM_INITDIALOG)
        {
            ::EndDialog(hWnd, -1);
        }
        else
        {
            ::SetWindowLongPtr(hWnd, DWLP_MSGRESULT, lResult);
            nResult = TRUE;
        }
    }
    catch (...)
    {
        // Anything else ends the dialog; DoModal rethrows it to its caller.
        if (!pDlg->m_pendingException)
            pDlg->m_pendingException = std::current_exception();
        ::EndDialog(hWnd, -1);
        nResult = FALSE;
    }
    pState->m_lastSentMsg = oldMsg;

    if (message == WM_NCDESTROY)
        AfxUnbindWindow(pWnd);
    return nResult;
}

/////////////////////////////////////////////////////////////////////////////
// CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)), m_pParentWnd(pParentWnd)
{
}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
    if (IS_INTRESOURCE(lpszTemplateName))
        m_nIDHelp = LOWORD(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
}

CDialog::~CDialog() = default;

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd, void*)
{
    ASSERT(lpDialogTemplate != NULL);
    m_lpDialogTemplate = lpDialogTemplate;
    m_lpszTemplateName = NULL;
    m_pParentWnd = pParentWnd;
    return TRUE;
}

HWND CDialog::PreModal()
{
    CWnd* pOwner = CWnd::GetSafeOwner(m_pParentWnd, NULL);
    // The main window's own modal run has no owner: not itself.
    if (pOwner == this)
        return NULL;
    return pOwner != NULL ? pOwner->m_hWnd : NULL;
}

INT_PTR CDialog::DoModal()
{
    ASSERT(m_hWnd == NULL);   // already running
    HINSTANCE hInst = AfxGetResourceHandle();
    LPCDLGTEMPLATE lpTemplate = m_lpDialogTemplate;
    if (m_lpszTemplateName != NULL)
    {
        HRSRC hResource = ::FindResource(hInst, m_lpszTemplateName, RT_DIALOG);
        HGLOBAL hTemplate = hResource != NULL ? ::LoadResource(hInst, hResource) : NULL;
        lpTemplate = hTemplate != NULL ? static_cast<LPCDLGTEMPLATE>(::LockResource(hTemplate)) : NULL;
    }
    if (lpTemplate == NULL)
    {
        TRACE("CDialog::DoModal: dialog template not found\n");
        return -1;
    }

    HWND hWndParent = PreModal();
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    pState->m_pDlgInit = this;
    ++pState->m_nModalDepth;
    m_pendingException = nullptr;

    INT_PTR nResult = ::DialogBoxIndirectParam(hInst, lpTemplate, hWndParent, AfxDlgProc,
                                               reinterpret_cast<LPARAM>(this));
    if (nResult == -1)
        TRACE("CDialog::DoModal: the dialog could not be created (error %lu)\n", ::GetLastError());

    --pState->m_nModalDepth;
    pState->m_pDlgInit = NULL;
    AfxUnbindWindow(this);   // normally done at WM_NCDESTROY already
    if (pState->m_nModalDepth == 0)
        AfxDeleteTempMaps();

    if (m_pendingException)
    {
        std::exception_ptr pending = m_pendingException;
        m_pendingException = nullptr;
        std::rethrow_exception(pending);
    }
    return nResult;
}

void CDialog::EndDialog(int nResult)
{
    ASSERT(::IsWindow(m_hWnd));
    VERIFY(::EndDialog(m_hWnd, nResult));
}

BOOL CDialog::OnInitDialog()
{
    if (!UpdateData(FALSE))
    {
        TRACE("CDialog::OnInitDialog: UpdateData failed\n");
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

void CDialog::OnOK()
{
    // A field that fails to read back keeps the dialog open.
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    // Only plain commands travel on; system command ids stay with the window.
    if (nCode != CN_COMMAND || nID >= 0xF000)
        return FALSE;
    CWnd* pOwner = m_hWnd != NULL ? CWnd::FromHandlePermanent(::GetParent(m_hWnd)) : NULL;
    if (pOwner != NULL && pOwner != this && pOwner->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinThread* pThread = AfxGetThread();
    return pThread != NULL && pThread->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd == NULL)
        return 0;
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    MSG oldDefault = pState->m_defaultMsg;
    BOOL bOldInDefault = pState->m_bInDefault;
    pState->m_defaultMsg = MakeMsg(m_hWnd, message, wParam, lParam);
    pState->m_bInDefault = TRUE;
    LRESULT lResult = ::DefDlgProc(m_hWnd, message, wParam, lParam);
    pState->m_defaultMsg = oldDefault;
    pState->m_bInDefault = bOldInDefault;
    return lResult;
}

/////////////////////////////////////////////////////////////////////////////
// CDialogEx

BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
END_MESSAGE_MAP()

CDialogEx::CDialogEx() = default;

CDialogEx::CDialogEx(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent)
{
}

CDialogEx::CDialogEx(LPCTSTR lpszTemplateName, CWnd* pParentWnd) : CDialog(lpszTemplateName, pParentWnd)
{
}

CDialogEx::~CDialogEx() = default;
