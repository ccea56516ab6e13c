// The framework and platform headers that every source file of the program
// includes first.
#pragma once

#ifndef VC_EXTRALEAN
#define VC_EXTRALEAN  // leave rarely used parts out of the Windows headers
#endif

#include "targetver.h"

#define _ATL_CSTRING_EXPLICIT_CONSTRUCTORS  // CString constructors are explicit

#include <afxwin.h>          // core and standard components
#include <afxext.h>          // extensions, the common file dialog among them
#include <afxdialogex.h>     // CDialogEx
#include <afxcontrolbars.h>  // CShellManager
