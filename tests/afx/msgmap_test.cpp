// Message maps without a window: which handler a message or command reaches
// through a class's table and its bases' tables.

#include <afxwin.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

const UINT IDC_APPLY = 1000;
const UINT IDC_OTHER = 1001;
const UINT ID_TOOL = 0x8001;

std::vector<std::string> g_calls;

class CBaseTestWnd : public CWnd
{
public:
    using CWnd::OnCmdMsg;
    using CWnd::OnWndMsg;

    afx_msg void OnPaint() { g_calls.push_back("base:paint"); }
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam)
    {
        g_calls.push_back("base:syscommand " + std::to_string(nID) + " " + std::to_string(lParam));
    }
    afx_msg void OnTool() { g_calls.push_back("base:tool"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_SYSCOMMAND()
    ON_COMMAND(ID_TOOL, &CBaseTestWnd::OnTool)
END_MESSAGE_MAP()

class CDerivedTestWnd : public CBaseTestWnd
{
public:
    afx_msg void OnPaint() { g_calls.push_back("derived:paint"); }
    afx_msg HCURSOR OnQueryDragIcon()
    {
        g_calls.push_back("derived:querydragicon");
        return reinterpret_cast<HCURSOR>(static_cast<LONG_PTR>(0x1234));
    }
    afx_msg void OnDropFiles(HDROP hDropInfo)
    {
        g_calls.push_back("derived:dropfiles " + std::to_string(reinterpret_cast<LONG_PTR>(hDropInfo)));
    }
    afx_msg void OnBnClickedApply() { g_calls.push_back("derived:apply"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestWnd, CBaseTestWnd)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_DROPFILES()
    ON_BN_CLICKED(IDC_APPLY, &CDerivedTestWnd::OnBnClickedApply)
END_MESSAGE_MAP()

// No entries of its own: everything comes from its bases.
class CLeafTestWnd : public CDerivedTestWnd
{
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLeafTestWnd, CDerivedTestWnd)
END_MESSAGE_MAP()

class MessageMap : public ::testing::Test
{
protected:
    void SetUp() override { g_calls.clear(); }

    // Dispatches a window message; returns whether a handler took it.
    template <class TWnd>
    bool Dispatch(TWnd& wnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, LRESULT* pResult = nullptr)
    {
        LRESULT lResult = -1;
        bool handled = wnd.OnWndMsg(message, wParam, lParam, &lResult) != FALSE;
        if (pResult != nullptr)
            *pResult = lResult;
        return handled;
    }
};

TEST_F(MessageMap, DerivedEntryHidesTheBaseEntryForTheSameMessage)
{
    CDerivedTestWnd wnd;
    EXPECT_TRUE(Dispatch(wnd, WM_PAINT));
    EXPECT_EQ(std::vector<std::string>{"derived:paint"}, g_calls);
}

TEST_F(MessageMap, BaseEntryIsReachedThroughTheChainWithItsArguments)
{
    CLeafTestWnd wnd;
    EXPECT_TRUE(Dispatch(wnd, WM_SYSCOMMAND, 0x0012, 77));
    EXPECT_EQ(std::vector<std::string>{"base:syscommand 18 77"}, g_calls);
}

TEST_F(MessageMap, UnmappedMessageIsLeftToDefaultProcessing)
{
    CLeafTestWnd wnd;
    EXPECT_FALSE(Dispatch(wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(10, 10)));
    EXPECT_FALSE(Dispatch(wnd, WM_TIMER, 1));
    EXPECT_TRUE(g_calls.empty());

    CBaseTestWnd base;   // the derived class's entries are not the base's
    EXPECT_FALSE(Dispatch(base, WM_QUERYDRAGICON));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(MessageMap, HandlerResultAndDecodedArgumentsPassThrough)
{
    CDerivedTestWnd wnd;
    LRESULT lResult = 0;
    EXPECT_TRUE(Dispatch(wnd, WM_QUERYDRAGICON, 0, 0, &lResult));
    EXPECT_EQ(0x1234, lResult);
    EXPECT_TRUE(Dispatch(wnd, WM_DROPFILES, 0x5678, 0));
    EXPECT_EQ((std::vector<std::string>{"derived:querydragicon", "derived:dropfiles 22136"}), g_calls);
}

TEST_F(MessageMap, ButtonClickReachesOnlyItsOwnControlsHandler)
{
    CLeafTestWnd wnd;
    EXPECT_TRUE(wnd.OnCmdMsg(IDC_APPLY, BN_CLICKED, nullptr, nullptr));
    EXPECT_FALSE(wnd.OnCmdMsg(IDC_OTHER, BN_CLICKED, nullptr, nullptr));
    EXPECT_FALSE(wnd.OnCmdMsg(IDC_APPLY, BN_DOUBLECLICKED, nullptr, nullptr));
    EXPECT_FALSE(wnd.OnCmdMsg(IDC_APPLY, BN_SETFOCUS, nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>{"derived:apply"}, g_calls);
}

TEST_F(MessageMap, CommandsArriveThroughWmCommandFromMenusAndButtons)
{
    CLeafTestWnd wnd;
    // A menu command (no control) and an accelerator (code 1) are both
    // plain commands.
    EXPECT_TRUE(Dispatch(wnd, WM_COMMAND, MAKEWPARAM(ID_TOOL, 0), 0));
    EXPECT_TRUE(Dispatch(wnd, WM_COMMAND, MAKEWPARAM(ID_TOOL, 1), 0));
    EXPECT_FALSE(Dispatch(wnd, WM_COMMAND, MAKEWPARAM(ID_TOOL + 1, 0), 0));
    EXPECT_EQ((std::vector<std::string>{"base:tool", "base:tool"}), g_calls);
}

TEST_F(MessageMap, HandlerInfoNamesTheHandlerWithoutCallingIt)
{
    CLeafTestWnd wnd;
    AFX_CMDHANDLERINFO info = {};
    EXPECT_TRUE(wnd.OnCmdMsg(ID_TOOL, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(&wnd, info.pTarget);
    EXPECT_TRUE(info.pmf == static_cast<AFX_PMSG>(&CBaseTestWnd::OnTool));
    EXPECT_TRUE(g_calls.empty());
}

} // namespace
