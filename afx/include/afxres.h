// afxres.h - the framework's standard command and string identifiers. Plain
// #defines only, so that resource scripts can include it too.

#ifndef AFXRES_H
#define AFXRES_H

#ifdef RC_INVOKED
#include <winresrc.h>
#endif

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Standard commands.
#define ID_HELP                 0xE146

// Strings the framework looks up in the application's own resources.
#define AFX_IDS_APP_TITLE       0xE000

// Framework prompts (used as help ids of the message boxes they show).
#define AFX_IDP_INTERNAL_FAILURE 0xF108
#define AFX_IDP_PARSE_INT        0xF110

#endif // AFXRES_H
