// The framework's entry: AfxWinMain runs InitInstance once and the message
// loop only when InitInstance returned TRUE; the application object's
// names and registry key.

#include <afxwin.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "test_app.h"

namespace
{

class WinMainEntry : public ::testing::Test
{
protected:
    void SetUp() override { theTestApp.Reset(); }
    void TearDown() override { theTestApp.Reset(); }

    int RunWinMain() { return AfxWinMain(::GetModuleHandle(NULL), NULL, const_cast<LPTSTR>(_T("")), SW_HIDE); }
};

TEST_F(WinMainEntry, FalseFromInitInstanceEndsWithoutAMessageLoop)
{
    theTestApp.m_initInstance = [] { return FALSE; };
    theTestApp.m_nRunResult = 11;
    theTestApp.m_nExitResult = 3;
    EXPECT_EQ(3, RunWinMain());
    EXPECT_EQ(1, theTestApp.m_nInitCalls);
    EXPECT_EQ(0, theTestApp.m_nRunCalls);
    EXPECT_EQ(1, theTestApp.m_nExitCalls);
}

TEST_F(WinMainEntry, TrueFromInitInstanceRunsTheMessageLoop)
{
    theTestApp.m_initInstance = [] { return TRUE; };
    theTestApp.m_nRunResult = 11;
    EXPECT_EQ(11, RunWinMain());
    EXPECT_EQ(1, theTestApp.m_nInitCalls);
    EXPECT_EQ(1, theTestApp.m_nRunCalls);
}

TEST_F(WinMainEntry, ExceptionFromInitInstanceUnwindsItsStackAndFailsTheRun)
{
    struct Guard
    {
        bool* pDestroyed;
        ~Guard() { *pDestroyed = true; }
    };
    bool bDestroyed = false;
    theTestApp.m_initInstance = [&bDestroyed]() -> BOOL {
        Guard guard{&bDestroyed};
        throw std::runtime_error("start-up failed");
    };
    EXPECT_EQ(-1, RunWinMain());
    EXPECT_TRUE(bDestroyed);
    EXPECT_EQ(0, theTestApp.m_nRunCalls);
}

TEST_F(WinMainEntry, EntryRecordsTheInstanceAndTheNames)
{
    theTestApp.m_initInstance = [] { return FALSE; };
    RunWinMain();
    EXPECT_EQ(::GetModuleHandle(NULL), theTestApp.m_hInstance);
    EXPECT_EQ(::GetModuleHandle(NULL), AfxGetResourceHandle());
    // The title string resource names the application; the executable's
    // name without its folder and extension is the other name.
    EXPECT_STREQ("Afx Test Program", AfxGetAppName());
    EXPECT_STREQ("afx_tests", theTestApp.m_pszExeName);
}

TEST(WinApp, MainWindowPointerIsClearedWhenItsObjectGoes)
{
    {
        CWnd wnd;
        theTestApp.m_pMainWnd = &wnd;
        EXPECT_EQ(&wnd, AfxGetMainWnd());
    }
    EXPECT_EQ(nullptr, theTestApp.m_pMainWnd);
    EXPECT_EQ(nullptr, AfxGetMainWnd());
}

} // namespace
