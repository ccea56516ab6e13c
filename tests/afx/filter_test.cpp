// CFileDialog's filter and default extension, as the dialogs receive them.

#include <afxdlgs.h>

#include "afximpl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

TEST(FileFilter, SplitsIntoNameAndPatternPairsUpToTheDoubleBar)
{
    const struct
    {
        const char* filter;
        std::vector<std::string> expected;   // name, patterns, name, patterns, ...
    } cases[] = {
        {nullptr, {}},
        {"", {}},
        {"||", {}},
        {"Text Files (*.txt)|*.txt||", {"Text Files (*.txt)", "*.txt"}},
        {"Text Files (*.txt)|*.txt|", {"Text Files (*.txt)", "*.txt"}},
        {"Text Files (*.txt)|*.txt", {"Text Files (*.txt)", "*.txt"}},
        {"Text (*.txt;*.log)|*.txt;*.log|All files (*.*)|*.*||",
         {"Text (*.txt;*.log)", "*.txt;*.log", "All files (*.*)", "*.*"}},
        // The list ends at the first empty field, wherever it is.
        {"A|*.a||B|*.b||", {"A", "*.a"}},
        {"A||B|*.b||", {}},
        {"A||", {}},
        // A name without patterns filters nothing.
        {"A|*.a|B", {"A", "*.a"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.filter != nullptr ? c.filter : "(null)");
        std::vector<std::string> actual;
        for (const AFX_FILTER_ITEM& item : AfxParseFileFilter(c.filter))
        {
            actual.push_back(item.strName);
            actual.push_back(item.strPattern);
        }
        EXPECT_EQ(c.expected, actual);
    }
}

TEST(FileDialog, ClassicStyleHasNoExplorerDialogObject)
{
    CFileDialog classic(TRUE, "*.txt", NULL, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "Text Files (*.txt)|*.txt||",
                        NULL, 0, FALSE);
    EXPECT_EQ(nullptr, classic.GetIFileOpenDialog());
    // The classic dialog gets its filter double-NUL terminated and its
    // default extension exactly as the caller gave it.
    const char* p = classic.m_ofn.lpstrFilter;
    ASSERT_NE(nullptr, p);
    EXPECT_STREQ("Text Files (*.txt)", p);
    p += std::strlen(p) + 1;
    EXPECT_STREQ("*.txt", p);
    p += std::strlen(p) + 1;
    EXPECT_EQ('\0', *p);
    EXPECT_STREQ("*.txt", classic.m_ofn.lpstrDefExt);

    CFileDialog noExtension(TRUE, NULL, NULL, OFN_HIDEREADONLY, NULL, NULL, 0, FALSE);
    EXPECT_EQ(nullptr, noExtension.m_ofn.lpstrDefExt);
}

TEST(FileDialog, ExplorerStyleHandsOutItsDialogObject)
{
    CFileDialog explorer(TRUE, "*.txt", NULL, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "Text Files (*.txt)|*.txt||");
    IFileOpenDialog* pDialog = explorer.GetIFileOpenDialog();
    ASSERT_NE(nullptr, pDialog);
    // The caller's reference is its own to release.
    IFileOpenDialog* pAgain = explorer.GetIFileOpenDialog();
    EXPECT_EQ(pDialog, pAgain);
    pAgain->Release();
    pDialog->Release();

    CFileDialog save(FALSE);
    EXPECT_EQ(nullptr, save.GetIFileOpenDialog());
}

} // namespace
