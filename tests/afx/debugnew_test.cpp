// The debug allocator: DEBUG_NEW records file and line until delete, and the
// record goes when a constructor throws. (DEBUG_NEW is spelled out rather
// than #define new DEBUG_NEW, which would also record GoogleTest's own
// never-freed registrations.)

#include <afxwin.h>
#include <afxpriv.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace
{

struct Throwing
{
    Throwing() { throw std::runtime_error("constructor failed"); }
    char payload[24];
};

bool ReportMentions(const std::string& needle)
{
    return AfxGetMemoryLeakReport().find(needle) != std::string::npos;
}

TEST(DebugNew, RecordsFileLineAndSizeUntilDelete)
{
#ifndef _DEBUG
    GTEST_SKIP() << "DEBUG_NEW records only in debug builds";
#endif
    const int nLine = __LINE__ + 1;
    int* pValues = DEBUG_NEW int[5];
    const std::string where = std::string(__FILE__) + "(" + std::to_string(nLine) + ")";
    EXPECT_TRUE(ReportMentions(where));
    EXPECT_TRUE(ReportMentions("20 bytes long"));
    delete[] pValues;
    EXPECT_FALSE(ReportMentions(where));

    const int nLine2 = __LINE__ + 1;
    CString* pText = DEBUG_NEW CString("leak?");
    const std::string where2 = std::string(__FILE__) + "(" + std::to_string(nLine2) + ")";
    EXPECT_TRUE(ReportMentions(where2));
    delete pText;   // a plain delete forgets the record too
    EXPECT_FALSE(ReportMentions(where2));
}

TEST(DebugNew, ThrowingConstructorReleasesTheBlockAndItsRecord)
{
#ifndef _DEBUG
    GTEST_SKIP() << "DEBUG_NEW records only in debug builds";
#endif
    const std::string before = AfxGetMemoryLeakReport();
    const int nLine = __LINE__ + 1;
    EXPECT_THROW(DEBUG_NEW Throwing, std::runtime_error);
    const std::string where = std::string(__FILE__) + "(" + std::to_string(nLine) + ")";
    EXPECT_FALSE(ReportMentions(where));
    EXPECT_EQ(before, AfxGetMemoryLeakReport());
}

} // namespace
