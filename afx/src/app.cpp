// app.cpp - CWinThread and CWinApp, the framework's entry (WinMain,
// AfxWinMain) and the global accessors for the one application object.

#include "afximpl.h"

#include <cstdio>

namespace
{

// The application object under construction or alive; there is one per
// process.
CWinApp* g_pCurrentApp = NULL;
COccManager* g_pOccManager = NULL;

} // namespace

/////////////////////////////////////////////////////////////////////////////
// Global accessors

CWinApp* AFXAPI AfxGetApp()
{
    return g_pCurrentApp;
}

CWinThread* AFXAPI AfxGetThread()
{
    return g_pCurrentApp;
}

CWnd* AFXAPI AfxGetMainWnd()
{
    CWinThread* pThread = AfxGetThread();
    return pThread != NULL ? pThread->GetMainWnd() : NULL;
}

LPCTSTR AFXAPI AfxGetAppName()
{
    return g_pCurrentApp != NULL && g_pCurrentApp->m_pszAppName != NULL ? g_pCurrentApp->m_pszAppName : _T("");
}

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    if (g_pCurrentApp != NULL && g_pCurrentApp->m_hInstance != NULL)
        return g_pCurrentApp->m_hInstance;
    return ::GetModuleHandle(NULL);
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    // Resources live in the executable itself.
    return AfxGetInstanceHandle();
}

int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT nIDHelp)
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->DoMessageBox(lpszText, nType, nIDHelp);
    return ::MessageBox(CWnd::GetSafeOwner(NULL, NULL)->GetSafeHwnd(), lpszText, AfxGetAppName(), nType);
}

void AFXAPI AfxEnableControlContainer(COccManager* pOccManager)
{
    g_pOccManager = pOccManager;
}

/////////////////////////////////////////////////////////////////////////////
// CWinThread

CWnd* CWinThread::GetMainWnd()
{
    // An in-place active window stands in for the main window.
    return m_pActiveWnd != NULL ? m_pActiveWnd : m_pMainWnd;
}

BOOL CWinThread::InitInstance()
{
    return FALSE;   // a thread without its own InitInstance has nothing to run
}

int CWinThread::Run()
{
    for (;;)
    {
        BOOL bRet = ::GetMessage(&m_msgCur, NULL, 0, 0);
        if (bRet == 0)
            break;   // WM_QUIT
        if (bRet == -1)
        {
            TRACE("CWinThread::Run: GetMessage failed (error %lu)\n", ::GetLastError());
            break;
        }
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessage(&m_msgCur);
    }
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return m_msgCur.message == WM_QUIT ? static_cast<int>(m_msgCur.wParam) : 0;
}

/////////////////////////////////////////////////////////////////////////////
// CWinApp

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName)
{
    ASSERT(g_pCurrentApp == NULL);   // one application object per process
    g_pCurrentApp = this;
    if (lpszAppName != NULL)
    {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName.c_str();
    }
}

CWinApp::~CWinApp()
{
    if (g_pCurrentApp == this)
        g_pCurrentApp = NULL;
}

void CWinApp::SetCurrentHandles()
{
    char szModule[MAX_PATH] = {};
    DWORD nLen = ::GetModuleFileName(m_hInstance, szModule, MAX_PATH);
    if (nLen == 0 || nLen >= MAX_PATH)
        szModule[0] = '\0';
    // The executable's name without folder and extension.
    const char* pszName = szModule;
    for (const char* p = szModule; *p != '\0'; p = ::CharNext(p))
    {
        if (*p == '\\' || *p == '/' || *p == ':')
            pszName = p + 1;
    }
    m_strExeName = pszName;
    std::size_t nDot = m_strExeName.rfind('.');
    if (nDot != std::string::npos)
        m_strExeName.resize(nDot);
    m_pszExeName = m_strExeName.c_str();

    if (m_pszAppName == NULL)
    {
        // The resource handle is this module's from AfxWinInit on.
        CString strTitle;
        if (strTitle.LoadString(AFX_IDS_APP_TITLE))
            m_strAppName = strTitle;
        else
            m_strAppName = m_strExeName;
        m_pszAppName = m_strAppName.c_str();
    }
}

HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIcon(AfxGetResourceHandle(), lpszResourceName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIcon(MAKEINTRESOURCE(nIDResource));
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return CWinThread::ExitInstance();
}

int CWinApp::DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT)
{
    // A message box without an icon gets the one that suits its buttons.
    if ((nType & MB_ICONMASK) == 0)
    {
        switch (nType & MB_TYPEMASK)
        {
        case MB_OK:
        case MB_OKCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONQUESTION;
            break;
        case MB_ABORTRETRYIGNORE:
        case MB_RETRYCANCEL:
            break;
        }
    }
    return ::MessageBox(CWnd::GetSafeOwner(NULL, NULL)->GetSafeHwnd(), lpszPrompt, AfxGetAppName(), nType);
}

void CWinApp::OnHelp()
{
    TRACE("CWinApp::OnHelp: no help content\n");
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey)
{
    ASSERT(lpszRegistryKey != NULL);
    m_strRegistryKey = lpszRegistryKey;
    m_pszRegistryKey = m_strRegistryKey.c_str();
    m_strProfileName = AfxGetAppName();
    m_pszProfileName = m_strProfileName.c_str();
}

/////////////////////////////////////////////////////////////////////////////
// Entry

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return FALSE;
    pApp->m_hInstance = hInstance != NULL ? hInstance : ::GetModuleHandle(NULL);
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    pApp->SetCurrentHandles();
    return TRUE;
}

void AFXAPI AfxWinTerm()
{
    AfxDeleteTempMaps();
}

namespace
{

void ReportUncaught(const char* pszWhat)
{
    char szText[512];
    std::snprintf(szText, sizeof szText, "%s: unhandled exception: %s\n", AfxGetAppName(), pszWhat);
    ::OutputDebugString(szText);
    std::fputs(szText, stderr);
}

} // namespace

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    CWinThread* pThread = AfxGetThread();
    int nReturnCode = -1;
    // The program catches nothing itself: exceptions end here, after the
    // stack has unwound (so the objects on it are destroyed).
    try
    {
        if (pThread != NULL && AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) &&
            AfxGetApp()->InitApplication())
        {
            if (!pThread->InitInstance())
            {
                // Nothing to run: no message loop, just the exit code.
                if (pThread->m_pMainWnd != NULL)
                    pThread->m_pMainWnd->DestroyWindow();
                nReturnCode = pThread->ExitInstance();
            }
            else
            {
                nReturnCode = pThread->Run();
            }
        }
    }
    catch (CException* e)
    {
        char szText[256] = {};
        if (!e->GetErrorMessage(szText, sizeof szText))
            std::snprintf(szText, sizeof szText, "framework exception");
        e->Delete();
        ReportUncaught(szText);
        nReturnCode = -1;
    }
    catch (const std::exception& e)
    {
        ReportUncaught(e.what());
        nReturnCode = -1;
    }
    catch (...)
    {
        ReportUncaught("unknown exception");
        nReturnCode = -1;
    }
    AfxWinTerm();
    return nReturnCode;
}

// The executable's entry, supplied by the framework: linked in with the
// application object, so a program defines neither WinMain nor main.
extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
