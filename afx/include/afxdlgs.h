// afxdlgs.h - the common dialogs.
//
// Classes in this file:
//   CCommonDialog   base of the dialogs the platform itself draws
//     CFileDialog   the open/save file dialog: the Explorer-style
//                   IFileOpenDialog/IFileSaveDialog, or the classic
//                   GetOpenFileName/GetSaveFileName dialog

#ifndef AFXDLGS_H
#define AFXDLGS_H

#include "afxwin.h"

#include <commdlg.h>
#include <shobjidl.h>

#include <string>

class CCommonDialog : public CDialog
{
public:
    explicit CCommonDialog(CWnd* pParentWnd);
};

class CFileDialog : public CCommonDialog
{
public:
    // lpszFilter is "description|pattern|description|pattern||"; several
    // patterns in one entry are separated by ';'. lpszDefExt goes to the
    // platform's dialog as it is given. bVistaStyle selects the
    // Explorer-style dialog, with the classic one as fallback when it cannot
    // be created. The owner is pParentWnd, or else the application's main
    // window.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = NULL, LPCTSTR lpszFileName = NULL,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = NULL,
                         CWnd* pParentWnd = NULL, DWORD dwSize = 0, BOOL bVistaStyle = TRUE);
    ~CFileDialog() override;

    // IDOK when the user chose a file, IDCANCEL when the dialog was cancelled
    // or failed.
    INT_PTR DoModal() override;

    // The full path of the chosen file, in the system code page. A path the
    // code page cannot spell comes back with substitute characters: take the
    // wide path from GetIFileOpenDialog() instead.
    CString GetPathName() const;
    // The Explorer-style dialog object (AddRef'd: the caller releases it), or
    // NULL for the classic or a save dialog. After DoModal its GetResult gives
    // the chosen item.
    IFileOpenDialog* GetIFileOpenDialog();

    // The classic dialog's parameters; also the source of the flags, default
    // extension and file name given to the Explorer-style dialog.
    OPENFILENAME m_ofn;

private:
    INT_PTR DoModalVista(HWND hWndOwner);
    INT_PTR DoModalClassic(HWND hWndOwner);

    BOOL m_bOpenFileDialog;
    BOOL m_bVistaStyle;
    BOOL m_bComInitialized = FALSE;
    IFileDialog* m_pIFileDialog = NULL;

    std::string m_strFilter;   // classic form: NUL-separated, double-NUL ended
    std::string m_strDefExt;
    CString m_strPathName;     // the chosen path
    TCHAR m_szFileName[MAX_PATH] = {};
    TCHAR m_szFileTitle[MAX_PATH] = {};
};

#endif // AFXDLGS_H
