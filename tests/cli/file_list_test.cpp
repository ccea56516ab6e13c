// The folder walk's order: the camera files of a whole tree in the byte
// order of their full paths, whatever the names share or hold, and the
// names it takes for camera files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "file_list.h"
#include "nef_builder.h"

using nef_test::TempDir;
namespace fs = std::filesystem;

TEST(FileList, AWalkListsTheTreeInTheByteOrderOfItsPaths)
{
    // Names alike in their first eight bytes or beyond, shorter ones, one
    // the start of another, bytes above 0x7F, and folders named like the
    // files beside them (a '/' sorts after a '.').
    const std::vector<std::string> names = {
        "DSC_0001.NEF",       "DSC_0001.NEF.nef", "DSC_0001/a.nef",    "DSC_0001a.nef",      "DSC_000.nef",
        "DSC_0002.NEF",       "a.nef",            "a/b.nef",           "a.nef.d/c.nef",      "b.jpg",
        "\xC3\xA9t\xC3\xA9.jpg", "\xFF.nef",      "Z.nef",             "_.nef",              "DSC_0001 .nef",
        "long/DSC_00010000.nef", "long/DSC_00010000a.nef", "long/DSC_0001000.nef", "x.dng", "x.DNG/y.NRW",
    };
    TempDir dir;
    const std::string root = dir.Path() + "/tree";
    std::vector<std::string> want;
    for (const std::string& name : names) {
        const fs::path path = fs::path(root) / name;
        fs::create_directories(path.parent_path());
        dir.Write("tree/" + name, {'x'});
        want.push_back(path.string());
    }
    std::sort(want.begin(), want.end());

    std::vector<std::string> got;
    for (const ListedPath& listed : ListFiles({root}, true)) {
        EXPECT_EQ("", listed.problem) << listed.path;
        got.push_back(listed.path);
    }
    EXPECT_EQ(want, got);
}

TEST(FileList, CameraFileNamesByTheirExtensionInAnyCase)
{
    for (const char* name : {"a.nef", "A.NEF", "b.Nrw", "c.jpg", "d.JPEG", "e.dng", ".nef", "x.y.NeF"})
        EXPECT_TRUE(IsCameraFileName(name)) << name;
    for (const char* name : {"nef", "a.nef.bak", "a.ne", "a.neff", "a.", "a.tif", "a.jpgx", "", "a.je pg"})
        EXPECT_FALSE(IsCameraFileName(name)) << name;
}
