// filedlg.cpp - CFileDialog: the Explorer-style file dialog through
// IFileOpenDialog/IFileSaveDialog, or the classic GetOpenFileName dialog when
// that is asked for or cannot be created.

#include "afximpl.h"

#include "afxdlgs.h"

#include <cstring>

std::vector<AFX_FILTER_ITEM> AfxParseFileFilter(LPCTSTR lpszFilter)
{
    std::vector<AFX_FILTER_ITEM> items;
    if (lpszFilter == NULL)
        return items;
    // Take the fields between bars two at a time.
    const char* p = lpszFilter;
    auto nextField = [&p]() {
        const char* pStart = p;
        while (*p != '\0' && *p != '|')
            ++p;
        std::string strField(pStart, static_cast<std::size_t>(p - pStart));
        if (*p == '|')
            ++p;
        return strField;
    };
    while (*p != '\0')
    {
        std::string strName = nextField();
        if (strName.empty())
            break;   // "||": the end of the list
        std::string strPattern = nextField();
        if (strPattern.empty())
            break;   // "name||" ends the list too; a name alone filters nothing
        items.push_back(AFX_FILTER_ITEM{strName, strPattern});
    }
    return items;
}

namespace
{

std::wstring Widen(LPCTSTR lpsz)
{
    int nLen = ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, NULL, 0);
    if (nLen <= 1)
        return std::wstring();
    std::wstring str(static_cast<std::size_t>(nLen), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, &str[0], nLen);
    str.resize(static_cast<std::size_t>(nLen - 1));
    return str;
}

CString Narrow(LPCWSTR lpsz)
{
    int nLen = ::WideCharToMultiByte(CP_ACP, 0, lpsz, -1, NULL, 0, NULL, NULL);
    if (nLen <= 1)
        return CString();
    std::vector<char> buffer(static_cast<std::size_t>(nLen), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, lpsz, -1, buffer.data(), nLen, NULL, NULL);
    return CString(buffer.data());
}

// The classic dialog's flags that have an Explorer-style counterpart.
// OFN_ALLOWMULTISELECT is left out: one chosen file is all GetPathName gives.
const struct
{
    DWORD dwOFN;
    FILEOPENDIALOGOPTIONS fos;
} kOptionMap[] = {
    {OFN_OVERWRITEPROMPT, FOS_OVERWRITEPROMPT},     {OFN_NOCHANGEDIR, FOS_NOCHANGEDIR},
    {OFN_NOVALIDATE, FOS_NOVALIDATE},               {OFN_PATHMUSTEXIST, FOS_PATHMUSTEXIST},
    {OFN_FILEMUSTEXIST, FOS_FILEMUSTEXIST},         {OFN_CREATEPROMPT, FOS_CREATEPROMPT},
    {OFN_SHAREAWARE, FOS_SHAREAWARE},               {OFN_NOREADONLYRETURN, FOS_NOREADONLYRETURN},
    {OFN_NOTESTFILECREATE, FOS_NOTESTFILECREATE},   {OFN_NODEREFERENCELINKS, FOS_NODEREFERENCELINKS},
    {OFN_DONTADDTORECENT, FOS_DONTADDTORECENT},     {OFN_FORCESHOWHIDDEN, FOS_FORCESHOWHIDDEN},
};

} // namespace

/////////////////////////////////////////////////////////////////////////////
// CCommonDialog

CCommonDialog::CCommonDialog(CWnd* pParentWnd)
{
    m_pParentWnd = pParentWnd;
}

/////////////////////////////////////////////////////////////////////////////
// CFileDialog

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd, DWORD dwSize, BOOL bVistaStyle)
    : CCommonDialog(pParentWnd), m_ofn(), m_bOpenFileDialog(bOpenFileDialog), m_bVistaStyle(bVistaStyle)
{
    m_ofn.lStructSize = (dwSize != 0 && dwSize <= sizeof(OPENFILENAME)) ? dwSize : sizeof(OPENFILENAME);
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = MAX_PATH;
    m_ofn.Flags = dwFlags | OFN_EXPLORER;

    // Handed on as given, as the real library does. The platform's dialogs
    // want it without the dot ("nef"); what they make of another form for a
    // name typed without an extension is theirs to decide (Wine looks for
    // "NAME.*.nef" and says that there is no such file).
    if (lpszDefExt != NULL)
    {
        m_strDefExt = lpszDefExt;
        m_ofn.lpstrDefExt = m_strDefExt.c_str();
    }
    if (lpszFileName != NULL)
        lstrcpyn(m_szFileName, lpszFileName, MAX_PATH);

    // The classic dialog's filter: "name\0patterns\0...\0\0", whatever the
    // caller's string ended with.
    for (const AFX_FILTER_ITEM& item : AfxParseFileFilter(lpszFilter))
    {
        m_strFilter += item.strName;
        m_strFilter += '\0';
        m_strFilter += item.strPattern;
        m_strFilter += '\0';
    }
    if (!m_strFilter.empty())
    {
        m_strFilter += '\0';
        m_ofn.lpstrFilter = m_strFilter.c_str();
    }

    if (m_bVistaStyle)
    {
        // S_FALSE (already initialised) must be balanced too; a thread in the
        // multithreaded apartment (RPC_E_CHANGED_MODE) can still create the
        // dialog object.
        m_bComInitialized = SUCCEEDED(::CoInitializeEx(NULL, COINIT_APARTMENTTHREADED));
        HRESULT hr = m_bOpenFileDialog
                         ? ::CoCreateInstance(CLSID_FileOpenDialog, NULL, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                              reinterpret_cast<void**>(&m_pIFileDialog))
                         : ::CoCreateInstance(CLSID_FileSaveDialog, NULL, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                              reinterpret_cast<void**>(&m_pIFileDialog));
        if (FAILED(hr) || m_pIFileDialog == NULL)
        {
            TRACE("CFileDialog: no Explorer-style dialog (0x%08lx); using the classic one\n",
                  static_cast<unsigned long>(hr));
            m_pIFileDialog = NULL;
            m_bVistaStyle = FALSE;
        }
    }
}

CFileDialog::~CFileDialog()
{
    if (m_pIFileDialog != NULL)
        m_pIFileDialog->Release();
    if (m_bComInitialized)
        ::CoUninitialize();
}

INT_PTR CFileDialog::DoModal()
{
    CWnd* pOwner = CWnd::GetSafeOwner(m_pParentWnd, NULL);
    HWND hWndOwner = pOwner != NULL ? pOwner->m_hWnd : NULL;
    m_strPathName = CString();
    return m_pIFileDialog != NULL ? DoModalVista(hWndOwner) : DoModalClassic(hWndOwner);
}

INT_PTR CFileDialog::DoModalVista(HWND hWndOwner)
{
    // The filter: names and patterns stay alive in `texts` while the dialog runs.
    std::vector<std::wstring> texts;
    for (const char* p = m_strFilter.c_str(); *p != '\0';)
    {
        texts.push_back(Widen(p));
        p += std::strlen(p) + 1;
    }
    std::vector<COMDLG_FILTERSPEC> filterTypes;
    for (std::size_t i = 0; i + 1 < texts.size(); i += 2)
        filterTypes.push_back(COMDLG_FILTERSPEC{texts[i].c_str(), texts[i + 1].c_str()});
    HRESULT hr = S_OK;
    if (!filterTypes.empty())
    {
        hr = m_pIFileDialog->SetFileTypes(static_cast<UINT>(filterTypes.size()), filterTypes.data());
        if (SUCCEEDED(hr))
            hr = m_pIFileDialog->SetFileTypeIndex(m_ofn.nFilterIndex != 0 ? m_ofn.nFilterIndex : 1);
    }
    if (SUCCEEDED(hr) && m_ofn.lpstrDefExt != NULL)
        hr = m_pIFileDialog->SetDefaultExtension(Widen(m_ofn.lpstrDefExt).c_str());
    if (SUCCEEDED(hr) && m_szFileName[0] != '\0')
        hr = m_pIFileDialog->SetFileName(Widen(m_szFileName).c_str());
    if (SUCCEEDED(hr) && m_ofn.lpstrTitle != NULL)
        hr = m_pIFileDialog->SetTitle(Widen(m_ofn.lpstrTitle).c_str());

    FILEOPENDIALOGOPTIONS fos = 0;
    if (SUCCEEDED(hr))
        hr = m_pIFileDialog->GetOptions(&fos);
    if (SUCCEEDED(hr))
    {
        for (const auto& option : kOptionMap)
        {
            if (m_ofn.Flags & option.dwOFN)
                fos |= option.fos;
        }
        // Only files with a path: the program opens what it gets.
        hr = m_pIFileDialog->SetOptions(fos | FOS_FORCEFILESYSTEM);
    }
    if (FAILED(hr))
    {
        TRACE("CFileDialog: setting up the dialog failed (0x%08lx)\n", static_cast<unsigned long>(hr));
        return IDCANCEL;
    }

    hr = m_pIFileDialog->Show(hWndOwner);
    if (FAILED(hr))
    {
        if (hr != HRESULT_FROM_WIN32(ERROR_CANCELLED))
            TRACE("CFileDialog: Show failed (0x%08lx)\n", static_cast<unsigned long>(hr));
        return IDCANCEL;
    }

    IShellItem* pItem = NULL;
    hr = m_pIFileDialog->GetResult(&pItem);
    if (FAILED(hr) || pItem == NULL)
        return IDCANCEL;
    LPWSTR pwszPath = NULL;
    hr = pItem->GetDisplayName(SIGDN_FILESYSPATH, &pwszPath);
    pItem->Release();
    if (FAILED(hr) || pwszPath == NULL)
        return IDCANCEL;
    m_strPathName = Narrow(pwszPath);
    ::CoTaskMemFree(pwszPath);
    lstrcpyn(m_szFileName, m_strPathName, MAX_PATH);
    return IDOK;
}

INT_PTR CFileDialog::DoModalClassic(HWND hWndOwner)
{
    m_ofn.hwndOwner = hWndOwner;
    BOOL bOK = m_bOpenFileDialog ? ::GetOpenFileName(&m_ofn) : ::GetSaveFileName(&m_ofn);
    if (!bOK)
    {
        // Zero: the user cancelled; anything else is a failure of the dialog.
        DWORD dwError = ::CommDlgExtendedError();
        if (dwError != 0)
            TRACE("CFileDialog: the dialog failed (error 0x%04lx)\n", static_cast<unsigned long>(dwError));
        return IDCANCEL;
    }
    m_strPathName = m_ofn.lpstrFile;
    return IDOK;
}

CString CFileDialog::GetPathName() const
{
    return m_strPathName;
}

IFileOpenDialog* CFileDialog::GetIFileOpenDialog()
{
    if (m_pIFileDialog == NULL || !m_bOpenFileDialog)
        return NULL;
    IFileOpenDialog* pDialog = NULL;
    if (FAILED(m_pIFileDialog->QueryInterface(IID_IFileOpenDialog, reinterpret_cast<void**>(&pDialog))))
        return NULL;
    return pDialog;
}
