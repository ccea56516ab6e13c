// The debug allocator: DEBUG_NEW of an object derived from CObject records
// file, line and size until the object is deleted, and the record goes when
// its constructor throws; nothing else is recorded, so nothing else can be
// reported as leaked. (DEBUG_NEW is spelled out rather than #define new
// DEBUG_NEW, which would also reach GoogleTest's own allocations.)

#include <afxwin.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "afximpl.h"

namespace
{

class CPayload : public CObject
{
public:
    char m_bytes[40] = {};
};

class CThrowing : public CObject
{
public:
    CThrowing() { throw std::runtime_error("constructor failed"); }
};

bool ReportMentions(const std::string& needle)
{
    return AfxGetMemoryLeakReport().find(needle) != std::string::npos;
}

std::string Where(int nLine)
{
    return std::string(__FILE__) + "(" + std::to_string(nLine) + ")";
}

class DebugNew : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifndef _DEBUG
        GTEST_SKIP() << "DEBUG_NEW records only in debug builds";
#endif
        m_before = AfxGetMemoryLeakReport();
    }

    std::string m_before;
};

TEST_F(DebugNew, RecordsAnObjectsFileLineAndSizeUntilItIsDeleted)
{
    const int nLine = __LINE__ + 1;
    CObject* pObject = DEBUG_NEW CPayload;
    EXPECT_TRUE(ReportMentions(Where(nLine)));
    EXPECT_TRUE(ReportMentions(std::to_string(sizeof(CPayload)) + " bytes long"));
    // Deleted through its base, as a program deletes what it made.
    delete pObject;
    EXPECT_EQ(m_before, AfxGetMemoryLeakReport());
}

TEST_F(DebugNew, ThrowingConstructorReleasesTheBlockAndItsRecord)
{
    EXPECT_THROW(DEBUG_NEW CThrowing, std::runtime_error);
    EXPECT_EQ(m_before, AfxGetMemoryLeakReport());
}

TEST_F(DebugNew, OtherAllocationsAreNeitherRecordedNorReportedAfterTheirDelete)
{
    // Plain delete of these never reaches the framework: a record of them
    // would be reported as a leak at exit.
    int* pValues = DEBUG_NEW int[5];
    CString* pText = DEBUG_NEW CString("not a CObject");
    CPayload* pPlain = new CPayload;
    EXPECT_EQ(m_before, AfxGetMemoryLeakReport());
    delete[] pValues;
    delete pText;
    delete pPlain;
    EXPECT_EQ(m_before, AfxGetMemoryLeakReport());
}

} // namespace
