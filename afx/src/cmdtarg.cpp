// cmdtarg.cpp - CCmdTarget and the message-map lookup that every dispatch
// goes through.

#include "afximpl.h"

const AFX_MSGMAP_ENTRY* AfxLookupMessageEntry(const AFX_MSGMAP* pMap, UINT nMsg, UINT nCode, UINT nID)
{
    for (; pMap != NULL; pMap = pMap->pfnGetBaseMap != NULL ? pMap->pfnGetBaseMap() : NULL)
    {
        for (const AFX_MSGMAP_ENTRY* lpEntry = pMap->lpEntries; lpEntry->nSig != AfxSig_end; ++lpEntry)
        {
            if (lpEntry->nMessage == nMsg && lpEntry->nCode == nCode && lpEntry->nID <= nID &&
                nID <= lpEntry->nLastID)
                return lpEntry;
        }
    }
    return NULL;
}

// The root of every map chain: no entries, no base.
const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
    static const AFX_MSGMAP messageMap = {NULL, &_messageEntries[0]};
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void*, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    const AFX_MSGMAP_ENTRY* lpEntry =
        AfxLookupMessageEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (lpEntry == NULL)
        return FALSE;
    if (lpEntry->nSig != AfxSigCmd_v)
    {
        ASSERT(FALSE);   // commands take no arguments
        return FALSE;
    }
    if (pHandlerInfo != NULL)
    {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pmf = lpEntry->pfn;
        return TRUE;
    }
    (this->*lpEntry->pfn)();
    return TRUE;
}
