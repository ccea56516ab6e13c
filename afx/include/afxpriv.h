// afxpriv.h - framework internals that programs do not call but that the
// framework's own tests exercise directly: message-map lookup, the number
// parser behind DDX_Text, file-filter parsing and the debug allocator's
// records.

#ifndef AFXPRIV_H
#define AFXPRIV_H

#include "afxwin.h"

#include <string>
#include <vector>

// The first entry of one table matching (nMsg, nCode, nID), or NULL.
const AFX_MSGMAP_ENTRY* AFXAPI AfxFindMessageEntry(const AFX_MSGMAP_ENTRY* lpEntry, UINT nMsg, UINT nCode,
                                                   UINT nID);
// The first match walking pMap and then its bases, or NULL.
const AFX_MSGMAP_ENTRY* AFXAPI AfxLookupMessageEntry(const AFX_MSGMAP* pMap, UINT nMsg, UINT nCode, UINT nID);

// Parses a whole decimal int: optional blanks or tabs, an optional sign,
// digits, optional blanks or tabs, nothing else, within the range of int.
BOOL AFXAPI AfxParseInt(LPCTSTR lpszText, int* pValue);

// One entry of a CFileDialog filter.
struct AFX_FILTER_ITEM
{
    CString strName;      // what the dialog shows, e.g. "Text files (*.txt)"
    CString strPattern;   // its patterns, e.g. "*.txt;*.log"
};
// Splits "name|patterns|name|patterns||" into its entries. The list ends
// at the first empty field (the double bar) or at the end of the text, so
// the final bars may be missing; a trailing name without patterns is
// dropped.
std::vector<AFX_FILTER_ITEM> AFXAPI AfxParseFileFilter(LPCTSTR lpszFilter);
// The default extension as the file dialogs want it: "*.txt" and ".txt"
// become "txt".
CString AFXAPI AfxNormalizeDefExt(LPCTSTR lpszDefExt);

// The debug allocator's report of blocks allocated with DEBUG_NEW and not yet
// deleted, one line per block ("file(line) : N bytes at 0x..."); empty when
// there are none.
std::string AFXAPI AfxGetMemoryLeakReport();
// Writes that report to the debugger and standard error; returns whether
// there was anything to report. Runs by itself at process exit.
BOOL AFXAPI AfxDumpMemoryLeaks();

#endif // AFXPRIV_H
