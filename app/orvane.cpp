// The application object and the program's start-up.

#include "stdafx.h"

#include <commctrl.h>

#include "orvane.h"
#include "orvanedlg.h"

#ifdef _DEBUG
#define new DEBUG_NEW
#endif

BEGIN_MESSAGE_MAP(COrvaneApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

COrvaneApp::COrvaneApp()
{
    // The restart manager may restart the program; it has nothing to recover.
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

// The one application object, which the framework finds and runs.
COrvaneApp theApp;

BOOL COrvaneApp::InitInstance()
{
    // Register the common control classes that the dialogs may use.
    INITCOMMONCONTROLSEX InitCtrls;
    InitCtrls.dwSize = sizeof(InitCtrls);
    InitCtrls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&InitCtrls);

    CWinApp::InitInstance();

    AfxEnableControlContainer();

    // The shell manager serves shell tree and list controls in dialogs; it
    // lives for the whole run of the main dialog.
    CShellManager* pShellManager = new CShellManager;

    // "로컬 응용 프로그램 마법사에서 생성된 응용 프로그램" in code page 949. The
    // framework only records the name; the program stores nothing under it.
    SetRegistryKey(_T("\xB7\xCE\xC4\xC3\x20\xC0\xC0\xBF\xEB\x20\xC7\xC1\xB7\xCE\xB1\xD7"
                      "\xB7\xA5\x20\xB8\xB6\xB9\xFD\xBB\xE7\xBF\xA1\xBC\xAD\x20\xBB\xFD"
                      "\xBC\xBA\xB5\xC8\x20\xC0\xC0\xBF\xEB\x20\xC7\xC1\xB7\xCE\xB1\xD7"
                      "\xB7\xA5"));

    COrvaneDlg dlg;
    m_pMainWnd = &dlg;
    // OK, Cancel and every other way of closing end the program alike.
    dlg.DoModal();

    if (pShellManager != NULL)
    {
        delete pShellManager;
    }

    // The dialog has closed: end the program rather than start the
    // framework's message loop.
    return FALSE;
}
