// afxdialogex.h - CDialogEx: the dialog base class of newer programs. Over
// CDialog it adds nothing this framework needs (background colour and image
// support are not provided), so it only forwards its constructor.

#ifndef AFXDIALOGEX_H
#define AFXDIALOGEX_H

#include "afxwin.h"

class CDialogEx : public CDialog
{
public:
    CDialogEx(UINT nIDTemplate, CWnd* pParent = NULL);
    ~CDialogEx() override;

protected:
    DECLARE_MESSAGE_MAP()
};

#endif // AFXDIALOGEX_H
