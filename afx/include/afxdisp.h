// afxdisp.h - OLE automation support: not provided by this framework; kept so
// that programs including it build unchanged. AfxEnableControlContainer is
// declared in afxwin.h.

#ifndef AFXDISP_H
#define AFXDISP_H

#include "afxwin.h"
#include <ole2.h>

#endif // AFXDISP_H
