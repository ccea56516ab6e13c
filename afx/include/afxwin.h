// afxwin.h - the framework's window classes over Win32: message maps, command
// targets, windows, modal dialogs, the application object, data exchange and
// the thin GDI/menu wrappers a dialog program uses.
//
// Classes in this file:
//   CCmdTarget      walks message maps for commands (WM_COMMAND)
//   CWnd            a window handle plus its message map
//     CDialog       a modal dialog run from a template resource
//   CWinThread      main-window pointer and message loop
//     CWinApp       the one application object; its InitInstance runs the program
//   CDataExchange   direction and context of one UpdateData pass (DDX_ routines)
//   CMenu           an HMENU
//   CDC, CPaintDC   a device context; a BeginPaint/EndPaint pair
//   CRect           a RECT with Width()/Height()

#ifndef AFXWIN_H
#define AFXWIN_H

#include "afx.h"
#include "afxres.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <exception>

class CCmdTarget;
class CWnd;
class CDialog;
class CWinThread;
class CWinApp;
class CMenu;
class CDataExchange;
class COccManager;

/////////////////////////////////////////////////////////////////////////////
// Message maps
//
// A message map is data: each class that declares one owns a static table of
// AFX_MSGMAP_ENTRY rows, ended by an AfxSig_end row, and an AFX_MSGMAP that
// links the table to its base class's map. Dispatch looks a message up in the
// class's own table first, then in each base's table in turn; the first match
// wins, so a derived class's entry hides its base's entry for the same message.

// How a handler is called (its prototype); stored in each entry.
enum AfxSig : UINT_PTR
{
    AfxSig_end = 0,   // end of a table
    AfxSig_vv,        // void (void)
    AfxSig_vwl,       // void (UINT, LPARAM)
    AfxSig_hv,        // HCURSOR (void)
    AfxSig_vD,        // void (HDROP)
    AfxSig_bHELPINFO, // BOOL (HELPINFO*)
    AfxSigCmd_v,      // void (void), a command handler on any CCmdTarget
};

// Notification code of a menu or accelerator command (and of BN_CLICKED).
#define CN_COMMAND 0

typedef void (AFX_MSG_CALL CCmdTarget::*AFX_PMSG)(void);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;   // window message (WM_COMMAND for commands and notifications)
    UINT nCode;      // notification code for WM_COMMAND, else 0
    UINT nID;        // first control or command id, else 0
    UINT nLastID;    // last id of the range, else 0
    UINT_PTR nSig;   // AfxSig: the handler's prototype
    AFX_PMSG pfn;    // the handler, stored as a generic member pointer
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (PASCAL* pfnGetBaseMap)();   // NULL at the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// What OnCmdMsg reports instead of calling, when asked for it.
struct AFX_CMDHANDLERINFO
{
    CCmdTarget* pTarget;
    AFX_PMSG pmf;
};

// Stores a window-message handler of any prototype in an entry's generic
// member pointer. Dispatch copies it back into the exact prototype recorded in
// nSig before calling, so only the storage is shared, never the call.
template <class TMemberFn>
inline AFX_PMSG AfxMsgFunctionCast(TMemberFn pfn)
{
    static_assert(sizeof(TMemberFn) == sizeof(AFX_PMSG), "member pointers differ in size");
    AFX_PMSG generic;
    std::memcpy(&generic, &pfn, sizeof generic);
    return generic;
}

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
    virtual const AFX_MSGMAP* GetMessageMap() const;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() \
    { \
        typedef theClass ThisClass __attribute__((unused)); \
        typedef baseClass TheBaseClass; \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = \
        {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0, AfxSig_end, nullptr } \
        }; \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] }; \
        return &messageMap; \
    }

// afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
#define ON_WM_SYSCOMMAND() \
    { WM_SYSCOMMAND, 0, 0, 0, AfxSig_vwl, \
      ::AfxMsgFunctionCast(static_cast<void (AFX_MSG_CALL CWnd::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand)) },

// afx_msg void OnPaint();
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, 0, AfxSig_vv, \
      ::AfxMsgFunctionCast(static_cast<void (AFX_MSG_CALL CWnd::*)(void)>(&ThisClass::OnPaint)) },

// afx_msg HCURSOR OnQueryDragIcon();
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, 0, AfxSig_hv, \
      ::AfxMsgFunctionCast(static_cast<HCURSOR (AFX_MSG_CALL CWnd::*)(void)>(&ThisClass::OnQueryDragIcon)) },

// afx_msg void OnDropFiles(HDROP hDropInfo);
#define ON_WM_DROPFILES() \
    { WM_DROPFILES, 0, 0, 0, AfxSig_vD, \
      ::AfxMsgFunctionCast(static_cast<void (AFX_MSG_CALL CWnd::*)(HDROP)>(&ThisClass::OnDropFiles)) },

// afx_msg BOOL OnHelpInfo(HELPINFO* pHelpInfo);
#define ON_WM_HELPINFO() \
    { WM_HELP, 0, 0, 0, AfxSig_bHELPINFO, \
      ::AfxMsgFunctionCast(static_cast<BOOL (AFX_MSG_CALL CWnd::*)(HELPINFO*)>(&ThisClass::OnHelpInfo)) },

// afx_msg void memberFxn();   -- a menu, accelerator or button command id
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, CN_COMMAND, static_cast<WORD>(id), static_cast<WORD>(id), AfxSigCmd_v, \
      static_cast<AFX_PMSG>(memberFxn) },

// afx_msg void memberFxn();   -- notification wNotifyCode from control id
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    { WM_COMMAND, static_cast<WORD>(wNotifyCode), static_cast<WORD>(id), static_cast<WORD>(id), \
      AfxSigCmd_v, static_cast<AFX_PMSG>(memberFxn) },

// afx_msg void memberFxn();   -- button id clicked
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)

/////////////////////////////////////////////////////////////////////////////
// CCmdTarget

class CCmdTarget : public CObject
{
public:
    CCmdTarget() = default;

    // Looks the command (nID, nCode) up in this object's message map chain and
    // calls its handler. With pHandlerInfo, fills it in instead of calling.
    // Returns whether a handler was found.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

protected:
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

/////////////////////////////////////////////////////////////////////////////
// CRect, CDC, CPaintDC, CMenu

class CRect : public tagRECT
{
public:
    CRect() { left = top = right = bottom = 0; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CDC : public CObject
{
public:
    HDC m_hDC = NULL;

    CDC() = default;
    HDC GetSafeHdc() const { return AfxIsNullObject(this) ? NULL : m_hDC; }

    BOOL DrawIcon(int x, int y, HICON hIcon);
};

// Paints one WM_PAINT pass: BeginPaint in the constructor, EndPaint in the
// destructor. Throws CResourceException when no paint context is given.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

class CMenu : public CObject
{
public:
    HMENU m_hMenu = NULL;

    CMenu() = default;
    ~CMenu() override;   // destroys an attached menu

    // A wrapper for hMenu valid until the framework's next cleanup of
    // temporary objects (at the end of the outermost modal run); NULL for NULL.
    static CMenu* PASCAL FromHandle(HMENU hMenu);

    HMENU Detach();
    BOOL DestroyMenu();

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = NULL);
};

/////////////////////////////////////////////////////////////////////////////
// CWnd

class CWnd : public CCmdTarget
{
public:
    HWND m_hWnd = NULL;

    CWnd() = default;
    ~CWnd() override;

    // m_hWnd, or NULL when called through a null pointer, as the real
    // library documents (AfxGetMainWnd()->GetSafeHwnd() before there is a
    // main window).
    HWND GetSafeHwnd() const { return AfxIsNullObject(this) ? NULL : m_hWnd; }

    // The object bound to hWnd, or else a temporary wrapper (valid until the
    // end of the outermost modal run); NULL for NULL.
    static CWnd* PASCAL FromHandle(HWND hWnd);
    // The object bound to hWnd, or NULL.
    static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
    // The window a modal dialog or message box should be owned by: pParent's
    // top-level window, or else the last active popup of the application's
    // main window (AfxGetMainWnd); NULL if there is none. *pWndTop receives
    // the owner's top-level window.
    static CWnd* PASCAL GetSafeOwner(CWnd* pParent = NULL, HWND* pWndTop = NULL);

    void GetDlgItem(int nID, HWND* phWnd) const;
    // The window's system menu (bRevert FALSE: as it is now), or NULL.
    CMenu* GetSystemMenu(BOOL bRevert) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    BOOL IsIconic() const;
    void GetClientRect(LPRECT lpRect) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Captioned with the application's name when lpszCaption is NULL.
    int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = NULL, UINT nType = MB_OK);
    void DragAcceptFiles(BOOL bAccept = TRUE);
    virtual BOOL DestroyWindow();

    // Centres a pop-up window on pAlternateOwner, else on its owner, else
    // (no owner, or one hidden or minimised) on the work area of the main
    // window's monitor, and keeps it inside that monitor's work area.
    // Child windows are not supported, and the owner is not asked for
    // another window to centre on (WM_QUERYCENTERWND, which only the real
    // library's frame windows answer).
    void CenterWindow(CWnd* pAlternateOwner = NULL);
    // Whether the framework may centre this window after WM_INITDIALOG.
    virtual BOOL CheckAutoCenter();

    // Runs DoDataExchange towards the controls (FALSE) or from them (TRUE).
    // Returns FALSE when the exchange failed (the user has been told).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Message dispatch: the map chain first, else DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Dispatches one message through the message map chain; FALSE when no
    // entry handles it. *pResult receives the handler's result.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // WM_COMMAND: routes the command through OnCmdMsg.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The window's own procedure, the one the framework's replaced (for a
    // dialog, the system's dialog processing), or else ::DefWindowProc.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // DefWindowProc for the message being dispatched now: the system's
    // handling runs here and then, and its result comes back.
    LRESULT Default();

    virtual void DoDataExchange(CDataExchange* pDX);

    // Base handlers: each runs the default processing of its message.
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    // F1 (WM_HELP) in a top-level window sends the Help command (ID_HELP) to
    // the main window, whose command routing takes it to the application.
    afx_msg BOOL OnHelpInfo(HELPINFO* pHelpInfo);

    // The window procedure that AfxWndProc replaced.
    WNDPROC m_pfnSuper = NULL;

    DECLARE_MESSAGE_MAP()

private:
    // Subclasses the window being created; unsubclasses it at WM_NCDESTROY.
    friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);
    friend LRESULT AFXAPI AfxCallWndProc(CWnd*, HWND, UINT, WPARAM, LPARAM);
};

/////////////////////////////////////////////////////////////////////////////
// CDialog

class CDialog : public CWnd
{
public:
    CDialog();
    CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    ~CDialog() override;

    // For a dialog built from an in-memory template (which must outlive DoModal).
    BOOL InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = NULL, void* lpDialogInit = NULL);

    // Runs the dialog modally and returns the value given to EndDialog; -1 if
    // the dialog could not be created. An exception other than a framework
    // CException raised by a handler ends the dialog and is rethrown here.
    // The system's modal loop runs it (the real library runs a loop of its
    // own, with idle processing); either way the owner is disabled before
    // WM_INITDIALOG and enabled again afterwards.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // Default: UpdateData(FALSE), then TRUE (focus to the first tab stop).
    virtual BOOL OnInitDialog();

    // TRUE unless the template places the dialog itself: DS_CENTER,
    // DS_CENTERMOUSE, DS_ABSALIGN, or a position other than (0, 0).
    BOOL CheckAutoCenter() override;

protected:
    // IDOK: UpdateData(TRUE), and EndDialog(IDOK) only if that succeeded.
    virtual void OnOK();
    // IDCANCEL (Escape, the close box): EndDialog(IDCANCEL).
    virtual void OnCancel();

    // Commands not handled here go on to the owner window's object and then
    // to the application (ID_HELP reaches CWinApp::OnHelp this way).
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    LPCTSTR m_lpszTemplateName = NULL;
    LPCDLGTEMPLATE m_lpDialogTemplate = NULL;
    CWnd* m_pParentWnd = NULL;

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT AFXAPI AfxProcessUncaughtException(CWnd*, const MSG*);
    HWND PreModal();
    LPCDLGTEMPLATE LoadTemplate() const;
    std::exception_ptr m_pendingException;
};

/////////////////////////////////////////////////////////////////////////////
// CWinThread, CWinApp

class CWinThread : public CCmdTarget
{
public:
    CWinThread() = default;

    CWnd* m_pMainWnd = NULL;     // the main window; cleared when it is destroyed
    CWnd* m_pActiveWnd = NULL;
    MSG m_msgCur = {};           // the last message retrieved by Run

    virtual CWnd* GetMainWnd();
    virtual BOOL InitInstance();
    // The message loop, until WM_QUIT; returns ExitInstance().
    virtual int Run();
    // Returns the WM_QUIT exit code (0 if Run never ran).
    virtual int ExitInstance();
};

// Bits of CWinApp::m_dwRestartManagerSupportFlags.
#define AFX_RESTART_MANAGER_SUPPORT_RESTART 0x01

class CWinApp : public CWinThread
{
public:
    // The one application object; lpszAppName NULL takes the title string
    // resource AFX_IDS_APP_TITLE, else the executable's name.
    CWinApp(LPCTSTR lpszAppName = NULL);
    ~CWinApp() override;

    LPCTSTR m_pszAppName = NULL;
    LPCTSTR m_pszExeName = NULL;
    LPCTSTR m_pszRegistryKey = NULL;   // set by SetRegistryKey; nothing is written
    LPCTSTR m_pszProfileName = NULL;
    HINSTANCE m_hInstance = NULL;
    LPTSTR m_lpCmdLine = NULL;
    int m_nCmdShow = SW_SHOWNORMAL;
    DWORD m_dwRestartManagerSupportFlags = 0;

    // Shared icon from the application's resources at the system's standard
    // icon size (SM_CXICON x SM_CYICON); NULL if there is none.
    HICON LoadIcon(LPCTSTR lpszResourceName) const;
    HICON LoadIcon(UINT nIDResource) const;

    virtual BOOL InitApplication();
    BOOL InitInstance() override;   // TRUE
    int ExitInstance() override;

    // Every AfxMessageBox ends here: shows lpszPrompt owned by the safe owner
    // window, captioned with the application's name.
    virtual int DoMessageBox(LPCTSTR lpszPrompt, UINT nType, UINT nIDPrompt);

    // The Help command (ID_HELP). The program ships no help content, so
    // there is nothing to show.
    afx_msg void OnHelp();

protected:
    void SetRegistryKey(LPCTSTR lpszRegistryKey);

    DECLARE_MESSAGE_MAP()

private:
    friend BOOL AFXAPI AfxWinInit(HINSTANCE, HINSTANCE, LPTSTR, int);
    void SetCurrentHandles();

    std::string m_strAppName;
    std::string m_strExeName;
    std::string m_strRegistryKey;
    std::string m_strProfileName;
};

/////////////////////////////////////////////////////////////////////////////
// Data exchange

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;   // TRUE: controls -> members; FALSE: members -> controls
    CWnd* m_pDlgWnd;

    // The control nIDC of the dialog, remembered as the last one exchanged;
    // throws CNotSupportedException if the dialog has no such control.
    HWND PrepareCtrl(int nIDC);
    // Same, for an edit control (Fail() then selects its text).
    HWND PrepareEditCtrl(int nIDC);
    // Aborts the exchange: puts the focus back on the last control and throws
    // CUserException, which makes UpdateData return FALSE.
    [[noreturn]] void Fail();

    UINT m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
};

// An int as signed decimal text, no grouping. From the control, text that is
// not a whole decimal int reports "Please enter an integer." and fails.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
// A string unchanged.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

/////////////////////////////////////////////////////////////////////////////
// Global functions

CWinApp* AFXAPI AfxGetApp();
CWinThread* AFXAPI AfxGetThread();
CWnd* AFXAPI AfxGetMainWnd();
LPCTSTR AFXAPI AfxGetAppName();
HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();

int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Records the container manager; the framework hosts no ActiveX controls.
void AFXAPI AfxEnableControlContainer(COccManager* pOccManager = NULL);

// The framework's entry: initialises the application object, calls its
// InitInstance once, and runs the message loop only if that returned TRUE.
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
void AFXAPI AfxWinTerm();

#endif // AFXWIN_H
