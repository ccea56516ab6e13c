// afxcmn.h - common controls. The framework wraps none of them; this header
// brings the platform's declarations (InitCommonControlsEx, ICC_*).

#ifndef AFXCMN_H
#define AFXCMN_H

#include "afxwin.h"
#include <commctrl.h>

#endif // AFXCMN_H
