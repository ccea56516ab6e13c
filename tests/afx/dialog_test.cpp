// Real dialogs from in-memory templates: the lifecycle (OnInitDialog, OnOK,
// OnCancel), data exchange both ways, routing of commands, keys and system
// commands, Default(), ownership and placement. Each test's dialog is ended
// from inside its own run, mostly from OnInitDialog before it is ever shown,
// so no test waits for a user; a timer ends any dialog that is still running
// after a few seconds.

#include <afxwin.h>

#include "afximpl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_app.h"

namespace
{

const int IDC_COUNT = 1001;
const int IDC_NAME = 1002;
const int IDC_MISSING = 1099;
const INT_PTR kTimedOut = 4242;
// Posted by OnInitDialog: the test's steps once the initialisation is over.
const UINT kAfterInit = WM_APP + 1;

// Builds a DLGTEMPLATE with its items in memory.
class DialogTemplate
{
public:
    // Position and size in dialog units.
    explicit DialogTemplate(DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME, short x = 0, short y = 0,
                            short cx = 200, short cy = 100)
    {
        AppendDword(style);
        AppendDword(0);          // extended style
        m_words.push_back(0);    // item count, patched by Add*
        AppendRect(x, y, cx, cy);
        m_words.push_back(0);    // no menu
        m_words.push_back(0);    // the standard dialog class
        AppendText(L"afx test");
    }

    DialogTemplate& AddControl(WORD atom, int id, const wchar_t* text, DWORD style, short y)
    {
        while (m_words.size() % 2 != 0)   // items start on DWORD boundaries
            m_words.push_back(0);
        AppendDword(WS_CHILD | WS_VISIBLE | style);
        AppendDword(0);
        AppendRect(10, y, 100, 12);
        m_words.push_back(static_cast<WORD>(id));
        m_words.push_back(0xFFFF);
        m_words.push_back(atom);
        AppendText(text);
        m_words.push_back(0);    // no creation data
        ++m_words[4];            // cdit: after style (2 words) and ex-style (2 words)
        return *this;
    }
    DialogTemplate& AddEdit(int id, short y) { return AddControl(0x0081, id, L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, y); }
    DialogTemplate& AddButton(int id, const wchar_t* text, DWORD style, short y)
    {
        return AddControl(0x0080, id, text, WS_TABSTOP | style, y);
    }

    LPCDLGTEMPLATE Get() const { return reinterpret_cast<LPCDLGTEMPLATE>(m_words.data()); }

private:
    void AppendDword(DWORD value)
    {
        m_words.push_back(LOWORD(value));
        m_words.push_back(HIWORD(value));
    }
    void AppendRect(short x, short y, short cx, short cy)
    {
        for (short v : {x, y, cx, cy})
            m_words.push_back(static_cast<WORD>(v));
    }
    void AppendText(const wchar_t* text)
    {
        for (; *text != L'\0'; ++text)
            m_words.push_back(static_cast<WORD>(*text));
        m_words.push_back(0);
    }

    std::vector<WORD> m_words;
};

// The standard test dialog: a number field, a text field and the default OK
// button.
DialogTemplate ExchangeTemplate(DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME, short x = 0, short y = 0,
                                short cx = 200, short cy = 100)
{
    DialogTemplate tmpl(style, x, y, cx, cy);
    tmpl.AddEdit(IDC_COUNT, 10)
        .AddEdit(IDC_NAME, 30)
        .AddButton(IDOK, L"OK", BS_DEFPUSHBUTTON, 70);
    return tmpl;
}

void CALLBACK EndStuckDialog(HWND hWnd, UINT, UINT_PTR, DWORD)
{
    ::EndDialog(hWnd, kTimedOut);
}

class CExchangeDlg : public CDialog
{
public:
    // tmpl must outlive the dialog's runs.
    explicit CExchangeDlg(const DialogTemplate& tmpl, CWnd* pParent = NULL)
    {
        InitModalIndirect(tmpl.Get(), pParent);
    }

    int m_nCount = 0;
    CString m_strName;
    bool m_bExchangeMissingControl = false;

    // The test's own steps, run at the end of OnInitDialog, and once the
    // initialisation is over (and the framework has placed the window).
    std::function<void(CExchangeDlg&)> m_onInit;
    std::function<void(CExchangeDlg&)> m_afterInit;
    // Every message the window procedure dispatched, in order.
    std::vector<UINT> m_messages;

    int m_nOnOK = 0;
    int m_nOnCancel = 0;
    int m_nNameChanged = 0;
    std::vector<UINT> m_sysCommands;
    std::ptrdiff_t m_nClosesWhenBaseReturned = -1;
    // Without an icon of its own, the drag-icon handler asks Default().
    HICON m_hDragIcon = NULL;
    int m_nDragIconCalls = 0;

    BOOL OnInitDialog() override
    {
        BOOL bFocusDefault = CDialog::OnInitDialog();
        // Whatever the test does, this dialog will not outlive five seconds.
        ::SetTimer(m_hWnd, 1, 5000, EndStuckDialog);
        if (m_afterInit)
            ::PostMessage(m_hWnd, kAfterInit, 0, 0);
        if (m_onInit)
            m_onInit(*this);
        return bFocusDefault;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        m_messages.push_back(message);
        if (message == kAfterInit)
        {
            m_afterInit(*this);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

    RECT Rect() const
    {
        RECT rect = {};
        ::GetWindowRect(m_hWnd, &rect);
        return rect;
    }

    std::string Text(int nID) const
    {
        char szText[256] = {};
        ::GetDlgItemText(m_hWnd, nID, szText, sizeof szText);
        return szText;
    }
    void SetText(int nID, const char* pszText) { ::SetDlgItemText(m_hWnd, nID, pszText); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessage(message, wParam, lParam); }

    using CDialog::OnOK;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_COUNT, m_nCount);
        DDX_Text(pDX, IDC_NAME, m_strName);
        if (m_bExchangeMissingControl)
            DDX_Text(pDX, IDC_MISSING, m_nCount);
    }
    void OnOK() override
    {
        ++m_nOnOK;
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        ++m_nOnCancel;
        CDialog::OnCancel();
    }

    afx_msg void OnEnChangeName() { ++m_nNameChanged; }
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam)
    {
        m_sysCommands.push_back(nID);
        CDialog::OnSysCommand(nID, lParam);
        m_nClosesWhenBaseReturned = std::count(m_messages.begin(), m_messages.end(), static_cast<UINT>(WM_CLOSE));
    }
    afx_msg HCURSOR OnQueryDragIcon()
    {
        ++m_nDragIconCalls;
        return m_hDragIcon != NULL ? static_cast<HCURSOR>(m_hDragIcon) : reinterpret_cast<HCURSOR>(Default());
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CExchangeDlg, CDialog)
    ON_CONTROL(EN_CHANGE, IDC_NAME, &CExchangeDlg::OnEnChangeName)
    ON_WM_SYSCOMMAND()
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

class Dialog : public ::testing::Test
{
protected:
    void SetUp() override { theTestApp.Reset(); }
    void TearDown() override { theTestApp.Reset(); }

    DialogTemplate m_template = ExchangeTemplate();
};

TEST_F(Dialog, InitialisationShowsTheFieldsInTheControls)
{
    for (int value : {0, -42, 7654321, INT_MIN, INT_MAX})
    {
        CExchangeDlg dlg(m_template);
        dlg.m_nCount = value;
        dlg.m_strName = "Model X-1";
        std::string count, name;
        dlg.m_onInit = [&](CExchangeDlg& d) {
            count = d.Text(IDC_COUNT);
            name = d.Text(IDC_NAME);
            d.EndDialog(7);
        };
        EXPECT_EQ(7, dlg.DoModal());
        EXPECT_EQ(std::to_string(value), count);
        EXPECT_EQ("Model X-1", name);
    }
}

TEST_F(Dialog, SavingReadsTheControlsBackIntoTheFields)
{
    CExchangeDlg dlg(m_template);
    BOOL bSaved = FALSE;
    dlg.m_onInit = [&](CExchangeDlg& d) {
        d.SetText(IDC_COUNT, " -123 ");
        d.SetText(IDC_NAME, "2011:05:03 10:20:30");
        bSaved = d.UpdateData(TRUE);
        d.EndDialog(1);
    };
    dlg.DoModal();
    EXPECT_TRUE(bSaved);
    EXPECT_EQ(-123, dlg.m_nCount);
    EXPECT_STREQ("2011:05:03 10:20:30", dlg.m_strName);
    EXPECT_TRUE(theTestApp.m_messageBoxes.empty());
}

TEST_F(Dialog, MalformedNumberFailsTheExchangeAndTellsTheUser)
{
    for (const char* text : {"12x", "", "1.5", "0x10", "2147483648", "- 5"})
    {
        SCOPED_TRACE(text);
        theTestApp.Reset();
        CExchangeDlg dlg(m_template);
        dlg.m_nCount = 5;
        dlg.m_strName = "kept";
        BOOL bSaved = TRUE;
        bool bFocusOnCount = false;
        dlg.m_onInit = [&](CExchangeDlg& d) {
            d.SetText(IDC_COUNT, text);
            d.SetText(IDC_NAME, "changed");
            bSaved = d.UpdateData(TRUE);
            bFocusOnCount = ::GetFocus() == ::GetDlgItem(d.m_hWnd, IDC_COUNT);
            d.EndDialog(1);
        };
        dlg.DoModal();
        EXPECT_FALSE(bSaved);
        EXPECT_TRUE(bFocusOnCount);
        EXPECT_EQ(5, dlg.m_nCount);
        // The exchange stopped at the bad field: later fields are untouched.
        EXPECT_STREQ("kept", dlg.m_strName);
        ASSERT_EQ(1u, theTestApp.m_messageBoxes.size());
        EXPECT_EQ("Please enter an integer.", theTestApp.m_messageBoxes[0].prompt);
        EXPECT_EQ(static_cast<UINT>(AFX_IDP_PARSE_INT), theTestApp.m_messageBoxes[0].nIDPrompt);
    }
}

TEST_F(Dialog, ExchangeWithAMissingControlFailsInsteadOfCrashing)
{
    // Both directions: OnInitDialog's transfer to the controls ends the run
    // with -1; a later transfer back returns FALSE.
    CExchangeDlg atInit(m_template);
    atInit.m_bExchangeMissingControl = true;
    EXPECT_EQ(-1, atInit.DoModal());
    EXPECT_EQ(1u, theTestApp.m_messageBoxes.size());

    theTestApp.Reset();
    CExchangeDlg later(m_template);
    BOOL bSaved = TRUE;
    later.m_onInit = [&](CExchangeDlg& d) {
        d.m_bExchangeMissingControl = true;
        bSaved = d.UpdateData(TRUE);
        d.EndDialog(1);
    };
    EXPECT_EQ(1, later.DoModal());
    EXPECT_FALSE(bSaved);
    EXPECT_EQ(1u, theTestApp.m_messageBoxes.size());
}

TEST_F(Dialog, OkEndsTheDialogOnlyWhenTheFieldsReadBack)
{
    CExchangeDlg good(m_template);
    good.m_onInit = [](CExchangeDlg& d) {
        d.SetText(IDC_COUNT, "99");
        d.Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(d.m_hWnd, IDOK)));
    };
    EXPECT_EQ(IDOK, good.DoModal());
    EXPECT_EQ(1, good.m_nOnOK);
    EXPECT_EQ(99, good.m_nCount);

    // A bad field keeps the dialog open: the Cancel posted after OK is what
    // ends it.
    CExchangeDlg bad(m_template);
    bad.m_onInit = [](CExchangeDlg& d) {
        d.SetText(IDC_COUNT, "nine");
        d.Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(d.m_hWnd, IDOK)));
        ::PostMessage(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    EXPECT_EQ(IDCANCEL, bad.DoModal());
    EXPECT_EQ(1, bad.m_nOnOK);
    EXPECT_EQ(1, bad.m_nOnCancel);
}

TEST_F(Dialog, EnterAndEscapeReachOnOKAndOnCancel)
{
    CExchangeDlg enter(m_template);
    enter.m_onInit = [](CExchangeDlg& d) {
        HWND hEdit = ::GetDlgItem(d.m_hWnd, IDC_NAME);
        ::SetFocus(hEdit);
        ::PostMessage(hEdit, WM_KEYDOWN, VK_RETURN, 0);
    };
    EXPECT_EQ(IDOK, enter.DoModal());
    EXPECT_EQ(1, enter.m_nOnOK);

    CExchangeDlg escape(m_template);
    escape.m_onInit = [](CExchangeDlg& d) {
        HWND hEdit = ::GetDlgItem(d.m_hWnd, IDC_NAME);
        ::SetFocus(hEdit);
        ::PostMessage(hEdit, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_EQ(IDCANCEL, escape.DoModal());
    EXPECT_EQ(1, escape.m_nOnCancel);
    EXPECT_EQ(0, escape.m_nOnOK);
}

TEST_F(Dialog, CloseBoxReachesOnCancel)
{
    CExchangeDlg dlg(m_template);
    dlg.m_onInit = [](CExchangeDlg& d) { d.Send(WM_CLOSE); };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(1, dlg.m_nOnCancel);
}

// Default(), which a base handler calls: the system's handling of the message
// runs once, there and then, and the messages it sends on go through the
// message map like any other.
TEST_F(Dialog, BaseHandlerRunsTheSystemsHandlingOnceBeforeItReturns)
{
    // SC_CLOSE through the base handler: the system sends WM_CLOSE, and the
    // dialog's handling of that posts Cancel.
    CExchangeDlg dlg(m_template);
    dlg.m_onInit = [](CExchangeDlg& d) { d.Send(WM_SYSCOMMAND, SC_CLOSE, 0); };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(std::vector<UINT>{SC_CLOSE}, dlg.m_sysCommands);
    EXPECT_EQ(1, std::count(dlg.m_messages.begin(), dlg.m_messages.end(), static_cast<UINT>(WM_CLOSE)));
    EXPECT_EQ(1, dlg.m_nOnCancel);
    EXPECT_EQ(1, dlg.m_nClosesWhenBaseReturned) << "the system's handling had not run when the base returned";
}

TEST_F(Dialog, HandlerResultAndDefaultResultReachTheSender)
{
    CExchangeDlg own(m_template);
    own.m_hDragIcon = ::LoadIcon(NULL, IDI_APPLICATION);
    ASSERT_NE(nullptr, own.m_hDragIcon);
    LRESULT lOwn = 0;
    own.m_onInit = [&](CExchangeDlg& d) {
        lOwn = d.Send(WM_QUERYDRAGICON);
        d.EndDialog(1);
    };
    own.DoModal();
    EXPECT_EQ(reinterpret_cast<LRESULT>(own.m_hDragIcon), lOwn);

    // The handler hands back what Default() gave it: the system's answer.
    CExchangeDlg byDefault(m_template);
    LRESULT lDefault = 0, lSystem = 0;
    byDefault.m_onInit = [&](CExchangeDlg& d) {
        lDefault = d.Send(WM_QUERYDRAGICON);
        lSystem = ::DefDlgProc(d.m_hWnd, WM_QUERYDRAGICON, 0, 0);
        d.EndDialog(1);
    };
    byDefault.DoModal();
    EXPECT_NE(0, lSystem);
    EXPECT_EQ(lSystem, lDefault);
    EXPECT_EQ(1, byDefault.m_nDragIconCalls);
}

// After WM_INITDIALOG the framework centres a modal dialog, unless the
// dialog placed itself: by its template, or by moving or showing itself
// during its initialisation.
TEST_F(Dialog, ModalDialogIsCentredUnlessItPlacesItself)
{
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfo(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT work = mi.rcWork;
    const DWORD kPopup = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    enum Expect
    {
        kCentred,
        kLeftAlone,
        kMovedItself,
    };
    const struct
    {
        const char* what;
        DWORD style;
        short x, y;
        bool bMove, bShow;
        Expect expect;
    } cases[] = {
        {"template at (0, 0)", kPopup, 0, 0, false, false, kCentred},
        {"template at (20, 10)", kPopup, 20, 10, false, false, kLeftAlone},
        {"DS_ABSALIGN", kPopup | DS_ABSALIGN, 0, 0, false, false, kLeftAlone},
        {"DS_CENTER", kPopup | DS_CENTER, 0, 0, false, false, kLeftAlone},
        {"DS_CENTERMOUSE", kPopup | DS_CENTERMOUSE, 0, 0, false, false, kLeftAlone},
        {"moved during its initialisation", kPopup, 0, 0, true, false, kMovedItself},
        {"shown during its initialisation", kPopup, 0, 0, false, true, kLeftAlone},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        // No main window: the work area is the primary monitor's.
        theTestApp.m_pMainWnd = NULL;
        DialogTemplate tmpl = ExchangeTemplate(c.style, c.x, c.y);
        CExchangeDlg dlg(tmpl);
        RECT created = {}, placed = {};
        dlg.m_onInit = [&](CExchangeDlg& d) {
            created = d.Rect();
            if (c.bMove)
                ::SetWindowPos(d.m_hWnd, NULL, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (c.bShow)
                ::ShowWindow(d.m_hWnd, SW_SHOWNA);
        };
        dlg.m_afterInit = [&](CExchangeDlg& d) {
            placed = d.Rect();
            d.EndDialog(1);
        };
        EXPECT_EQ(1, dlg.DoModal());
        switch (c.expect)
        {
        case kCentred:
            EXPECT_NEAR((work.left + work.right) / 2, (placed.left + placed.right) / 2, 1);
            EXPECT_NEAR((work.top + work.bottom) / 2, (placed.top + placed.bottom) / 2, 1);
            break;
        case kLeftAlone:
            EXPECT_EQ(created.left, placed.left);
            EXPECT_EQ(created.top, placed.top);
            break;
        case kMovedItself:
            EXPECT_EQ(7, placed.left);
            EXPECT_EQ(9, placed.top);
            break;
        }
    }
}

TEST_F(Dialog, ControlNotificationsCausedByTheExchangeItselfAreNotDispatched)
{
    CExchangeDlg dlg(m_template);
    int nAfterExchange = -1;
    dlg.m_strName = "first";   // differs from the control: UpdateData(FALSE) sets it
    dlg.m_onInit = [&](CExchangeDlg& d) {
        nAfterExchange = d.m_nNameChanged;
        d.SetText(IDC_NAME, "typed");   // as if the user typed
        d.EndDialog(1);
    };
    dlg.DoModal();
    EXPECT_EQ(0, nAfterExchange);
    EXPECT_EQ(1, dlg.m_nNameChanged);
}

// F1 reaches the main window as ID_HELP, which the dialog's command routing
// hands on to the application.
TEST_F(Dialog, F1InTheMainWindowBecomesTheHelpCommandOfTheApplication)
{
    CExchangeDlg dlg(m_template);
    theTestApp.m_pMainWnd = &dlg;
    LRESULT lResult = 0;
    dlg.m_onInit = [&](CExchangeDlg& d) {
        HELPINFO info = {};
        info.cbSize = sizeof info;
        info.iContextType = HELPINFO_WINDOW;
        info.hItemHandle = d.m_hWnd;
        lResult = d.Send(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        d.EndDialog(1);
    };
    dlg.DoModal();
    EXPECT_EQ(TRUE, lResult);
    EXPECT_EQ(1, theTestApp.m_nHelpCalls);
}

TEST_F(Dialog, ExceptionInAHandlerEndsTheRunAndLeavesDoModal)
{
    CExchangeDlg dlg(m_template);
    dlg.m_onInit = [](CExchangeDlg&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(dlg.DoModal(), std::runtime_error);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    // The object can run again afterwards.
    dlg.m_onInit = [](CExchangeDlg& d) { d.EndDialog(3); };
    EXPECT_EQ(3, dlg.DoModal());
}

// The dialog's window reaches its object from its first message to its
// last, and only during the run; its controls are not the object's.
TEST_F(Dialog, WindowIsBoundFromItsCreationToItsDestruction)
{
    CExchangeDlg dlg(m_template);
    HWND hWnd = NULL;
    CWnd* pBound = NULL;
    CWnd* pControl = reinterpret_cast<CWnd*>(1);
    dlg.m_onInit = [&](CExchangeDlg& d) {
        hWnd = d.m_hWnd;
        pBound = CWnd::FromHandlePermanent(hWnd);
        pControl = CWnd::FromHandlePermanent(::GetDlgItem(hWnd, IDC_COUNT));
        d.EndDialog(1);
    };
    dlg.DoModal();
    EXPECT_EQ(&dlg, pBound);
    EXPECT_EQ(nullptr, pControl);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));

    auto at = [&](UINT message) { return std::find(dlg.m_messages.begin(), dlg.m_messages.end(), message); };
    ASSERT_NE(dlg.m_messages.end(), at(WM_INITDIALOG));
    EXPECT_LT(at(WM_NCCREATE), at(WM_INITDIALOG)) << "messages before WM_INITDIALOG missed the map";
    EXPECT_LT(at(WM_CREATE), at(WM_INITDIALOG));
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), dlg.m_messages.back());
}

TEST_F(Dialog, WithoutAParentTheMainWindowOwnsTheDialogButNotItself)
{
    CExchangeDlg outer(m_template);
    CExchangeDlg inner(m_template);
    theTestApp.m_pMainWnd = &outer;
    HWND hOuter = NULL;
    HWND hOuterOwner = reinterpret_cast<HWND>(-1);
    HWND hInnerOwner = NULL;
    INT_PTR nInner = 0;
    inner.m_onInit = [&](CExchangeDlg& d) {
        hInnerOwner = ::GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(5);
    };
    outer.m_onInit = [&](CExchangeDlg& d) {
        hOuter = d.m_hWnd;
        hOuterOwner = ::GetWindow(d.m_hWnd, GW_OWNER);
        nInner = inner.DoModal();
        d.EndDialog(6);
    };
    EXPECT_EQ(6, outer.DoModal());
    EXPECT_EQ(5, nInner);
    EXPECT_EQ(nullptr, hOuterOwner);
    EXPECT_EQ(hOuter, hInnerOwner);
    // The main window pointer does not outlive the window.
    EXPECT_EQ(nullptr, theTestApp.m_pMainWnd);
}

TEST_F(Dialog, SystemMenuIsWrappedWhenTheWindowHasOne)
{
    DialogTemplate sysMenuTemplate = ExchangeTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    CExchangeDlg withMenu(sysMenuTemplate);
    int nBefore = -1, nAfter = -1;
    UINT nLastId = 0;
    char szLast[64] = {};
    withMenu.m_onInit = [&](CExchangeDlg& d) {
        CMenu* pMenu = d.GetSystemMenu(FALSE);
        if (pMenu != NULL)
        {
            nBefore = ::GetMenuItemCount(pMenu->m_hMenu);
            pMenu->AppendMenu(MF_SEPARATOR);
            pMenu->AppendMenu(MF_STRING, 0x0010, "&About...");
            HMENU hMenu = ::GetSystemMenu(d.m_hWnd, FALSE);
            nAfter = ::GetMenuItemCount(hMenu);
            nLastId = ::GetMenuItemID(hMenu, nAfter - 1);
            ::GetMenuString(hMenu, nAfter - 1, szLast, sizeof szLast, MF_BYPOSITION);
        }
        d.EndDialog(1);
    };
    withMenu.DoModal();
    EXPECT_GT(nBefore, 0);
    EXPECT_EQ(nBefore + 2, nAfter);
    EXPECT_EQ(0x0010u, nLastId);
    EXPECT_STREQ("&About...", szLast);

    CExchangeDlg withoutMenu(m_template);
    CMenu* pMenu = reinterpret_cast<CMenu*>(1);
    withoutMenu.m_onInit = [&](CExchangeDlg& d) {
        pMenu = d.GetSystemMenu(FALSE);
        d.EndDialog(1);
    };
    withoutMenu.DoModal();
    EXPECT_EQ(nullptr, pMenu);
}

TEST_F(Dialog, MissingTemplateResourceFailsTheRun)
{
    CDialog dlg(IDD_MISSING);
    EXPECT_EQ(-1, dlg.DoModal());
}

// The number parser behind DDX_Text(int).
TEST(ParseInt, AcceptsOnlyAWholeDecimalIntWithinRange)
{
    const struct
    {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"-42", true, -42},
        {"+7", true, 7},
        {" \t12\t ", true, 12},
        {"007", true, 7},
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"", false, 0},
        {"   ", false, 0},
        {"-", false, 0},
        {"+", false, 0},
        {"1 2", false, 0},
        {"12x", false, 0},
        {"x12", false, 0},
        {"\n5", false, 0},
        {"1,000", false, 0},
        {"0x1F", false, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        int value = -1;
        EXPECT_EQ(c.ok, AfxParseInt(c.text, &value) != FALSE);
        EXPECT_EQ(c.ok ? c.value : -1, value);   // untouched on failure
    }
}

} // namespace
