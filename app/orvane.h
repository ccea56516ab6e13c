// COrvaneApp: the application object. Its InitInstance carries the whole run
// of the program: it prepares the framework, runs the main dialog modally and
// ends the program when the dialog closes.
#pragma once

#include "resource.h"

class COrvaneApp : public CWinApp
{
public:
    COrvaneApp();

    virtual BOOL InitInstance();

    DECLARE_MESSAGE_MAP()
};

extern COrvaneApp theApp;
