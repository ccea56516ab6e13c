#include "test_app.h"

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(ID_HELP, &CTestApp::OnTestHelp)
END_MESSAGE_MAP()

CTestApp theTestApp;

CTestApp::CTestApp()
{
    // The console test program has no WinMain: initialise as it would.
    AfxWinInit(::GetModuleHandle(NULL), NULL, const_cast<LPTSTR>(_T("")), SW_HIDE);
}

void CTestApp::Reset()
{
    m_initInstance = nullptr;
    m_nRunResult = m_nExitResult = 0;
    m_nInitCalls = m_nRunCalls = m_nExitCalls = m_nHelpCalls = 0;
    m_messageBoxes.clear();
    m_pMainWnd = NULL;
}

BOOL CTestApp::InitInstance()
{
    ++m_nInitCalls;
    return m_initInstance ? m_initInstance() : CWinApp::InitInstance();
}

int CTestApp::Run()
{
    ++m_nRunCalls;
    return m_nRunResult;
}

int CTestApp::ExitInstance()
{
    ++m_nExitCalls;
    return m_nExitResult;
}

int CTestApp::DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt)
{
    m_messageBoxes.push_back(RecordedMessageBox{lpszPrompt, nType, nIDPrompt});
    return IDOK;
}

void CTestApp::OnTestHelp()
{
    ++m_nHelpCalls;
}
