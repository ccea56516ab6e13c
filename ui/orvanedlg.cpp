// The main dialog, and the about box that its system menu opens.

#include "stdafx.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "icon_placement.h"
#include "orvanedlg.h"
#include "problem_strings.h"

#ifdef _DEBUG
#define new DEBUG_NEW
#endif

// The system-menu item's command must leave the low four bits to the system
// and stay below the system's own commands (0xF000 and up).
static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX, "low four bits of IDM_ABOUTBOX set");
static_assert(IDM_ABOUTBOX < 0xF000, "IDM_ABOUTBOX among the system's own commands");

namespace {

// 8-bit text in the system's code page, as UTF-16.
std::wstring Widen(const char* text)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (length <= 1)
        return std::wstring();
    std::vector<wchar_t> wide(length);
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return std::wstring(wide.data());
}

// A string-table text in UTF-16, whatever the system's code page; empty
// when there is none.
std::wstring LoadWideString(UINT nID)
{
    // With no buffer the system hands out the resource's own text, which
    // is not terminated: its length comes back instead.
    const wchar_t* text = NULL;
    int length = ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text != NULL ? std::wstring(text, length) : std::wstring();
}

// `format` with each %1 replaced by `first` and each %2 by `second`, in one
// pass, so that a file name holding "%2" stays as it is.
std::wstring FormatWide(const std::wstring& format, const std::wstring& first, const std::wstring& second)
{
    std::wstring result;
    for (size_t i = 0; i < format.size(); ++i)
    {
        if (format[i] == L'%' && i + 1 < format.size() && (format[i + 1] == L'1' || format[i + 1] == L'2'))
        {
            result += format[i + 1] == L'1' ? first : second;
            ++i;
        }
        else
        {
            result += format[i];
        }
    }
    return result;
}

// The full path of the file that a Vista-style file dialog returned, in
// UTF-16 so that any file name survives; empty when there is none.
std::wstring ChosenFileWidePath(CFileDialog& fileDialog)
{
    std::wstring path;
    IFileOpenDialog* pOpenDialog = fileDialog.GetIFileOpenDialog();
    if (pOpenDialog == NULL)
        return path;
    IShellItem* pItem = NULL;
    if (SUCCEEDED(pOpenDialog->GetResult(&pItem)) && pItem != NULL)
    {
        PWSTR pszPath = NULL;
        if (SUCCEEDED(pItem->GetDisplayName(SIGDN_FILESYSPATH, &pszPath)) && pszPath != NULL)
        {
            path = pszPath;
            ::CoTaskMemFree(pszPath);
        }
        pItem->Release();
    }
    pOpenDialog->Release();
    return path;
}

}  // namespace

// CAboutDlg: the about box, with the program's icon, name and version and
// the publisher's notices. Everything it does is the base dialog's.

class CAboutDlg : public CDialogEx
{
public:
    CAboutDlg();

    enum { IDD = IDD_ABOUTBOX };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    DECLARE_MESSAGE_MAP()
};

CAboutDlg::CAboutDlg() : CDialogEx(CAboutDlg::IDD)
{
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialogEx::DoDataExchange(pDX);
}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialogEx)
END_MESSAGE_MAP()

// COrvaneDlg

COrvaneDlg::COrvaneDlg(CWnd* pParent /*=NULL*/)
    : CDialogEx(COrvaneDlg::IDD, pParent)
{
    m_appIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

void COrvaneDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialogEx::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_MECHANICAL, m_readout.m_mechanicalCount);
    DDX_Text(pDX, IDC_ELECTRONIC, m_readout.m_electronicCount);
    DDX_Text(pDX, IDC_TOTAL, m_readout.m_totalCount);

    // The texts exchange through CStrings, which is what the edit controls'
    // exchange takes; they go back into the record when reading the controls.
    CString shootingDate(m_readout.m_shootingDate.c_str());
    CString camera(m_readout.m_camera.c_str());
    DDX_Text(pDX, IDC_SHOOTING_DATE, shootingDate);
    DDX_Text(pDX, IDC_CAMERA, camera);
    if (pDX->m_bSaveAndValidate)
    {
        m_readout.m_shootingDate = static_cast<LPCTSTR>(shootingDate);
        m_readout.m_camera = static_cast<LPCTSTR>(camera);
    }
}

BEGIN_MESSAGE_MAP(COrvaneDlg, CDialogEx)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_NEF_OPEN, &COrvaneDlg::OnBnClickedNefOpen)
    ON_WM_DROPFILES()
END_MESSAGE_MAP()

BOOL COrvaneDlg::OnInitDialog()
{
    // Shows the record as constructed: counters 0, texts empty.
    CDialogEx::OnInitDialog();

    // The About item goes at the end of the system menu, below a separator.
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu != NULL)
    {
        CString strAboutMenu;
        VERIFY(strAboutMenu.LoadString(IDS_ABOUTBOX));
        if (!strAboutMenu.IsEmpty())
        {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SetIcon(m_appIcon, TRUE);   // big icon
    SetIcon(m_appIcon, FALSE);  // small icon

    // A file dropped on the window is read as one chosen with "NEF open".
    DragAcceptFiles();

    return TRUE;  // the first tab stop, END, takes the focus
}

void COrvaneDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    // The system keeps its own flags in the low four bits of a command.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    }
    else
    {
        CDialogEx::OnSysCommand(nID, lParam);
    }
}

// A dialog has no class icon that the system would draw for it while it is
// minimised, so it draws its own.
void COrvaneDlg::OnPaint()
{
    if (IsIconic())
    {
        CPaintDC dc(this);

        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

        int cxIcon = GetSystemMetrics(SM_CXICON);
        int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        int x = CentredIconOffset(rect.Width(), cxIcon);
        int y = CentredIconOffset(rect.Height(), cyIcon);

        dc.DrawIcon(x, y, m_appIcon);
    }
    else
    {
        CDialogEx::OnPaint();
    }
}

// The cursor shown while the user drags the minimised window.
HCURSOR COrvaneDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_appIcon);
}

void COrvaneDlg::OnBnClickedNefOpen()
{
    CFileDialog m_File(TRUE, _T("*.nef"), NULL, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       _T("nef Files (*.nef)|*.nef||"), NULL, 0, TRUE);
    if (m_File.DoModal() != IDOK)
        return;

    // The 8-bit path cannot spell every file name; the dialog's own result
    // can, so it is preferred.
    ReadAndShow(ChosenFileWidePath(m_File), m_File.GetPathName());
}

void COrvaneDlg::OnDropFiles(HDROP hDropInfo)
{
    // Only the first of several dropped files is read.
    UINT length = ::DragQueryFileW(hDropInfo, 0, NULL, 0);
    if (length > 0)
    {
        std::vector<wchar_t> path(length + 1);
        if (::DragQueryFileW(hDropInfo, 0, path.data(), length + 1) > 0)
            ReadAndShow(std::wstring(path.data()), CString());
    }
    ::DragFinish(hDropInfo);
}

void COrvaneDlg::ReadAndShow(const std::wstring& widePath, const CString& ansiPath)
{
    NefOutcome outcome = widePath.empty()
        ? ReadNefFile(static_cast<LPCTSTR>(ansiPath), m_readout)
        : ReadNefFile(widePath.c_str(), m_readout);

    // Whatever the outcome, the controls show the record: after a failure
    // that is zero counters and no text left over from an earlier file.
    UpdateData(FALSE);

    if (!outcome)
    {
        // Without this, an unreadable file would look like a camera that
        // has taken no pictures.
        std::wstring file = widePath.empty() ? Widen(ansiPath) : widePath;
        std::wstring message = FormatWide(LoadWideString(IDS_READ_FAILED), file,
                                          LoadWideString(ProblemStringId(outcome.Problem())));
        ::MessageBoxW(GetSafeHwnd(), message.c_str(), Widen(AfxGetAppName()).c_str(), MB_OK | MB_ICONWARNING);
    }
}
