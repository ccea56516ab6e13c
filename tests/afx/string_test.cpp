// CString: loading string resources into the system code page.

#include <afxwin.h>

#include <gtest/gtest.h>

#include <cstring>
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
    if (::GetACP() == 949)
    {
        EXPECT_STREQ("About \xC1\xA4\xBA\xB8(&A)...", str);
    }
}

TEST(CStringLoad, LoadsTextLongerThanAnyFixedBuffer)
{
    CString str;
    ASSERT_TRUE(str.LoadString(IDS_LONG));
    EXPECT_EQ(260u, std::strlen(str));
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

} // namespace
