// afxext.h - the framework's extensions; here only the common dialogs.

#ifndef AFXEXT_H
#define AFXEXT_H

#include "afxwin.h"
#include "afxdlgs.h"

#endif // AFXEXT_H
