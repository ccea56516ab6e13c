// afxdialogex.h - CDialogEx: the dialog base class of newer programs. Over
// CDialog it adds nothing this framework needs (background colour and image
// support are not provided), so it only forwards its constructors.

#ifndef AFXDIALOGEX_H
#define AFXDIALOGEX_H

#include "afxwin.h"

class CDialogEx : public CDialog
{
public:
    CDialogEx();
    CDialogEx(UINT nIDTemplate, CWnd* pParent = NULL);
    CDialogEx(LPCTSTR lpszTemplateName, CWnd* pParentWnd = NULL);
    ~CDialogEx() override;

protected:
    DECLARE_MESSAGE_MAP()
};

#endif // AFXDIALOGEX_H
