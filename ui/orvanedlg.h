// COrvaneDlg: the program's main window. Shows the camera model, shooting
// date and three shutter counters of the last NEF file read, and lets the
// user choose the next one.
#pragma once

#include <string>

#include "nef_readout.h"
#include "resource.h"

class COrvaneDlg : public CDialogEx
{
public:
    COrvaneDlg(CWnd* pParent = NULL);

    enum { IDD = IDD_ORVANE_DIALOG };

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnBnClickedNefOpen();
    afx_msg void OnDropFiles(HDROP hDropInfo);
    DECLARE_MESSAGE_MAP()

private:
    // Reads one file into m_readout and shows the outcome. The wide path is
    // used when there is one, so that a path outside the system's code page
    // still opens; ansiPath is the fallback when there is none.
    void ReadAndShow(const std::wstring& widePath, const CString& ansiPath);

    NefReadout m_readout;
    HICON m_appIcon;
};
