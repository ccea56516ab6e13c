// afxdtctl.h - date/time and calendar controls: not wrapped by this framework;
// kept so that programs including it build unchanged.

#ifndef AFXDTCTL_H
#define AFXDTCTL_H

#include "afxwin.h"
#include <commctrl.h>

#endif // AFXDTCTL_H
