// CString: loading string resources into the system code page, formatting
// and direct buffer access.

#include <afxwin.h>

#include <gtest/gtest.h>

#include <string>

#include "test_resource.h"

namespace
{

// What the UTF-16 text becomes in the system code page (949 under the
// Korean locale the tests run in).
std::string InCodePage(const wchar_t* text)
{
    char szText[256] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, szText, sizeof szText, NULL, NULL);
    return szText;
}

TEST(CStringLoad, LoadsPlainAndNonAsciiTextInTheSystemCodePage)
{
    CString str;
    ASSERT_TRUE(str.LoadString(IDS_PLAIN));
    EXPECT_STREQ("Plain text", str);

    ASSERT_TRUE(str.LoadString(IDS_KOREAN));
    EXPECT_EQ(InCodePage(L"About \uC815\uBCF4(&A)..."), std::string(str));
    EXPECT_EQ(static_cast<int>(std::string(str).size()), str.GetLength());
    if (::GetACP() == 949)
    {
        EXPECT_STREQ("About \xC1\xA4\xBA\xB8(&A)...", str);
    }
}

TEST(CStringLoad, LoadsTextLongerThanAnyFixedBuffer)
{
    CString str;
    ASSERT_TRUE(str.LoadString(IDS_LONG));
    EXPECT_EQ(260, str.GetLength());
    EXPECT_EQ("-end", std::string(str).substr(256));
}

TEST(CStringLoad, MissingStringFailsAndKeepsTheText)
{
    CString str("unchanged");
    EXPECT_FALSE(str.LoadString(IDS_EMPTY_SLOT));
    EXPECT_STREQ("unchanged", str);

    CString fromId(MAKEINTRESOURCE(IDS_PLAIN));
    EXPECT_STREQ("Plain text", fromId);
}

TEST(CStringText, FormatMayReadTheStringItIsWriting)
{
    CString str("D70");
    str.Format("%s / %s / %d", static_cast<LPCTSTR>(str), static_cast<LPCTSTR>(str), -5);
    EXPECT_STREQ("D70 / D70 / -5", str);

    std::string big(5000, 'x');
    str.Format("%s!", big.c_str());
    EXPECT_EQ(5001, str.GetLength());
}

TEST(CStringText, BufferWrittenDirectlyTakesItsLengthFromReleaseBuffer)
{
    CString str;
    char* p = str.GetBuffer(32);
    ASSERT_NE(nullptr, p);
    lstrcpy(p, "Z:\\tmp\\a.txt");
    str.ReleaseBuffer();
    EXPECT_EQ(12, str.GetLength());
    EXPECT_STREQ("Z:\\tmp\\a.txt", str);

    p = str.GetBuffer(0);
    p[1] = '_';
    str.ReleaseBuffer(3);
    EXPECT_STREQ("Z_\\", str);
}

} // namespace
