// afxcontrolbars.h - the framework's shell integration objects. Of them only
// CShellManager is provided, as a lifetime object: a program creates it
// before its dialogs and deletes it afterwards; it holds nothing.

#ifndef AFXCONTROLBARS_H
#define AFXCONTROLBARS_H

#include "afxwin.h"

class CShellManager : public CObject
{
public:
    CShellManager();
    ~CShellManager() override;
};

#endif // AFXCONTROLBARS_H
