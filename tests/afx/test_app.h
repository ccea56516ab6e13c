// The test program's application object: one per process, as the framework
// expects. It never shows a message box (it records the prompts instead), and
// the entry tests steer its InitInstance, Run and ExitInstance.

#ifndef AFX_TEST_APP_H
#define AFX_TEST_APP_H

#include <afxwin.h>

#include <functional>
#include <string>
#include <vector>

#include "test_resource.h"

struct RecordedMessageBox
{
    std::string prompt;
    UINT nType;
    UINT nIDPrompt;
};

class CTestApp : public CWinApp
{
public:
    CTestApp();

    BOOL InitInstance() override;
    int Run() override;
    int ExitInstance() override;
    int DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt) override;

    // Steering for AfxWinMain tests; reset by Reset().
    std::function<BOOL()> m_initInstance;
    int m_nRunResult = 0;
    int m_nExitResult = 0;
    int m_nInitCalls = 0;
    int m_nRunCalls = 0;
    int m_nExitCalls = 0;
    int m_nHelpCalls = 0;
    std::vector<RecordedMessageBox> m_messageBoxes;

    void Reset();

protected:
    afx_msg void OnTestHelp();
    DECLARE_MESSAGE_MAP()
};

extern CTestApp theTestApp;

#endif // AFX_TEST_APP_H
