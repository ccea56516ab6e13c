// ddx.cpp - CDataExchange and the DDX_Text routines that move a dialog's
// member variables to its controls and back.

#include "afximpl.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

BOOL AfxParseInt(LPCTSTR lpszText, int* pValue)
{
    const char* p = lpszText;
    while (*p == ' ' || *p == '\t')
        ++p;
    // strtol would also skip newlines and accept a lone sign; take the sign
    // and demand at least one digit ourselves.
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    if (*digits < '0' || *digits > '9')
        return FALSE;
    errno = 0;
    char* end = NULL;
    long long value = std::strtoll(p, &end, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return FALSE;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return FALSE;
    *pValue = static_cast<int>(value);
    return TRUE;
}

/////////////////////////////////////////////////////////////////////////////
// CDataExchange

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
    ASSERT(pDlgWnd != NULL);
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    ASSERT(nIDC != 0 && nIDC != -1);   // controls without an id cannot be exchanged
    HWND hWndCtrl = NULL;
    m_pDlgWnd->GetDlgItem(nIDC, &hWndCtrl);
    if (hWndCtrl == NULL)
    {
        TRACE("CDataExchange: no control with id %d\n", nIDC);
        AfxThrowNotSupportedException();
    }
    m_idLastControl = static_cast<UINT>(nIDC);
    m_bEditLastControl = FALSE;
    return hWndCtrl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWndCtrl = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWndCtrl;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_idLastControl != 0)
    {
        // Put the user back on the field that needs correcting.
        HWND hWndLastControl = NULL;
        m_pDlgWnd->GetDlgItem(static_cast<int>(m_idLastControl), &hWndLastControl);
        if (hWndLastControl != NULL)
        {
            ::SetFocus(hWndLastControl);
            if (m_bEditLastControl)
                ::SendMessage(hWndLastControl, EM_SETSEL, 0, -1);
        }
    }
    AfxThrowUserException();
}

/////////////////////////////////////////////////////////////////////////////
// DDX_Text

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        CString strText;
        AfxGetWindowText(hWndCtrl, strText);
        int nParsed = 0;
        if (!AfxParseInt(strText, &nParsed))
        {
            AfxMessageBox(_T("Please enter an integer."), MB_ICONEXCLAMATION, AFX_IDP_PARSE_INT);
            pDX->Fail();
        }
        value = nParsed;
    }
    else
    {
        char szText[16];   // "-2147483648" and the terminator
        std::snprintf(szText, sizeof szText, "%d", value);
        AfxSetWindowText(hWndCtrl, szText);
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        AfxGetWindowText(hWndCtrl, value);
    else
        AfxSetWindowText(hWndCtrl, value);
}
