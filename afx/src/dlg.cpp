// dlg.cpp - CDialog and CDialogEx: modal dialogs run from template resources;
// AfxDlgProc, the dialog procedure that runs OnInitDialog; and what happens
// to an exception that reaches a window-procedure boundary.

#include "afximpl.h"

#include "afxdialogex.h"

#include <cstring>

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (pDlg == NULL)
    {
        ASSERT(FALSE);   // a dialog this framework did not create
        return TRUE;
    }
    // OnInitDialog runs inside the system's dialog processing: nothing may
    // unwind through it.
    try
    {
        return pDlg->OnInitDialog();
    }
    catch (...)
    {
        MSG msg = {hWnd, message, wParam, lParam, 0, {0, 0}};
        AfxProcessUncaughtException(pDlg, &msg);
        return FALSE;
    }
}

LRESULT AFXAPI AfxProcessUncaughtException(CWnd* pWnd, const MSG* pMsg)
{
    CDialog* pDlg = dynamic_cast<CDialog*>(pWnd);
    try
    {
        throw;
    }
    catch (CException* e)
    {
        // As the real library does for its own exceptions: report and go on;
        // a CUserException means the user has already been told.
        if (dynamic_cast<CUserException*>(e) == NULL)
            e->ReportError(MB_ICONSTOP, AFX_IDP_INTERNAL_FAILURE);
        e->Delete();
        if (pMsg->message == WM_INITDIALOG && pDlg != NULL)
            ::EndDialog(pMsg->hwnd, -1);
        // A paint message left unvalidated would come straight back.
        if (pMsg->message == WM_PAINT)
            ::ValidateRect(pMsg->hwnd, NULL);
    }
    catch (...)
    {
        // Anything else ends the dialog; DoModal rethrows it to its caller.
        ASSERT(pDlg != NULL);   // only dialogs are the framework's windows
        if (pDlg != NULL)
        {
            if (!pDlg->m_pendingException)
                pDlg->m_pendingException = std::current_exception();
            ::EndDialog(pMsg->hwnd, -1);
        }
    }
    return 0;
}

/////////////////////////////////////////////////////////////////////////////
// CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)), m_pParentWnd(pParentWnd)
{
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

LPCDLGTEMPLATE CDialog::LoadTemplate() const
{
    if (m_lpszTemplateName == NULL)
        return m_lpDialogTemplate;
    // A loaded resource stays in place for the life of the module.
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hResource = ::FindResource(hInst, m_lpszTemplateName, RT_DIALOG);
    HGLOBAL hTemplate = hResource != NULL ? ::LoadResource(hInst, hResource) : NULL;
    return hTemplate != NULL ? static_cast<LPCDLGTEMPLATE>(::LockResource(hTemplate)) : NULL;
}

BOOL CDialog::CheckAutoCenter()
{
    LPCDLGTEMPLATE lpTemplate = LoadTemplate();
    if (lpTemplate == NULL)
        return TRUE;
    // DLGTEMPLATE: style at byte 0, x and y at 10 and 12. DLGTEMPLATEEX
    // (second word 0xFFFF): style at byte 12, x and y at 18 and 20.
    const BYTE* p = reinterpret_cast<const BYTE*>(lpTemplate);
    WORD wSignature;
    std::memcpy(&wSignature, p + 2, sizeof wSignature);
    bool bExtended = wSignature == 0xFFFF;
    DWORD dwStyle;
    short x, y;
    std::memcpy(&dwStyle, p + (bExtended ? 12 : 0), sizeof dwStyle);
    std::memcpy(&x, p + (bExtended ? 18 : 10), sizeof x);
    std::memcpy(&y, p + (bExtended ? 20 : 12), sizeof y);
    return !(dwStyle & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) && x == 0 && y == 0;
}

HWND CDialog::PreModal()
{
    CWnd* pOwner = CWnd::GetSafeOwner(m_pParentWnd, NULL);
    // The main window's own modal run has no owner: not itself.
    if (pOwner == this)
        return NULL;
    return pOwner->GetSafeHwnd();
}

INT_PTR CDialog::DoModal()
{
    ASSERT(m_hWnd == NULL);   // already running
    LPCDLGTEMPLATE lpTemplate = LoadTemplate();
    if (lpTemplate == NULL)
    {
        TRACE("CDialog::DoModal: dialog template not found\n");
        return -1;
    }

    HWND hWndParent = PreModal();
    if (!AfxHookWindowCreate(this))
    {
        TRACE("CDialog::DoModal: no creation hook (error %lu)\n", ::GetLastError());
        return -1;
    }
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    ++pState->m_nModalDepth;
    m_pendingException = nullptr;

    INT_PTR nResult = ::DialogBoxIndirectParam(AfxGetResourceHandle(), lpTemplate, hWndParent, AfxDlgProc, 0);
    if (nResult == -1)
        TRACE("CDialog::DoModal: the dialog could not be created (error %lu)\n", ::GetLastError());

    --pState->m_nModalDepth;
    AfxUnhookWindowCreate();   // in case no window was created
    AfxUnbindWindow(this);     // normally done at WM_NCDESTROY already
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

/////////////////////////////////////////////////////////////////////////////
// CDialogEx

BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
END_MESSAGE_MAP()

CDialogEx::CDialogEx(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent)
{
}

CDialogEx::~CDialogEx() = default;
