// menu.cpp - CMenu: an HMENU, owned when attached, borrowed when it is a
// temporary wrapper from FromHandle.

#include "afximpl.h"

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* PASCAL CMenu::FromHandle(HMENU hMenu)
{
    if (hMenu == NULL)
        return NULL;
    std::unique_ptr<CMenu>& slot = AfxGetThreadState()->m_temporaryMenus[hMenu];
    if (!slot)
    {
        slot.reset(new CMenu);
        slot->m_hMenu = hMenu;
    }
    return slot.get();
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    m_hMenu = NULL;
    return hMenu;
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == NULL)
        return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    return ::AppendMenu(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}
