// Folders, attributes and where DLLs come from, against the system's own calls (real Win32
// under Wine).

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/faults.h"
#include "platform/system.h"
#include "tests/support/test_files.h"
#ifdef _WIN32
#include "platform/dll_search_win.h"
#endif

namespace {

#ifdef _WIN32
// The test build answers from the real system when no stand-in is set.
TEST(SystemLayout, WithoutLayoutTheRealSystemAnswers) {
    char mine[MAX_PATH];
    char real[MAX_PATH];
    ASSERT_GT(plat::GetWindowsDirectoryA(mine, MAX_PATH), 0u);
    ASSERT_GT(GetWindowsDirectoryA(real, MAX_PATH), 0u);
    EXPECT_STREQ(mine, real);
}

// Where the search cannot be restricted, every DLL of the lists that the system has is then
// loaded from the system folder, so that a later load by bare name finds that one.
TEST(DllSearch, UnrestrictedLoadsEveryListedDllFromTheSystemFolder) {
    FaultArm(Fault::DllSearch, 0);
    plat::RestrictDllSearch();
    FaultsClear();
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    for (const char* list : {plat::kAlwaysPreloaded, plat::kPreloadedUnrestricted}) {
        for (const char* name = list; *name; name += strlen(name) + 1) {
            std::string path = std::string(system) + "\\" + name + ".dll";
            if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            char loaded[MAX_PATH] = "";
            GetModuleFileNameA(GetModuleHandleA(name), loaded, MAX_PATH);
            EXPECT_EQ(lstrcmpiA(loaded, path.c_str()), 0) << name << " from " << loaded;
        }
    }
}
#endif

// A missing file takes no attributes, and a folder is one. How the read-only attribute maps
// both ways is seen where it matters: the remover's read-only cases, and the text layer's
// refusal of a read-only file.
TEST(FileAttributes, FoldersAndMissingFiles) {
    testfiles::TempDir dir;
    std::string path = dir.Join("hosts");
    EXPECT_FALSE(plat::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(testfiles::WriteBytes(path, "x"));
    EXPECT_EQ(plat::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(plat::GetFileAttributesA(dir.path().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
