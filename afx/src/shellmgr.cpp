// shellmgr.cpp - CShellManager: exists for the duration of a program's run;
// the framework's dialogs need nothing from it.

#include "afxcontrolbars.h"

CShellManager::CShellManager() = default;

CShellManager::~CShellManager() = default;
