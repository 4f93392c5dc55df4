#include "transport/load_dll.h"

#include "transport/install_dirs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>

namespace zep {
namespace {

namespace fs = std::filesystem;

class LoadDllTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        base = fs::temp_directory_path() /
               ("zep-loaddll-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(base / "Bin");
    }
    void TearDown() override { fs::remove_all(base); }

    int Answer(void* handle)
    {
        auto fn = reinterpret_cast<int (*)()>(dlsym(handle, "zep_test_answer"));
        return fn ? fn() : -1;
    }

    fs::path base;
};

TEST_F(LoadDllTest, AbsoluteExplicitPathIsUsedAsIs)
{
    void* handle = nullptr;
    ASSERT_TRUE(LoadDLL(&handle, "libloadable.so", base.string(), ZEP_TEST_LOADABLE));
    EXPECT_EQ(Answer(handle), 42);
    ReleaseDLL(handle, "libloadable.so");
}

TEST_F(LoadDllTest, BinFolderComesBeforeBaseFolder)
{
    fs::copy_file(ZEP_TEST_LOADABLE, base / "Bin" / "libbin.so");
    void* handle = nullptr;
    ASSERT_TRUE(LoadDLL(&handle, "libbin.so", base.string() + "/", ""));
    EXPECT_EQ(Answer(handle), 42);
    ReleaseDLL(handle, "libbin.so");

    fs::copy_file(ZEP_TEST_LOADABLE, base / "libbase.so");
    ASSERT_TRUE(LoadDLL(&handle, "libbase.so", base.string(), ""));
    ReleaseDLL(handle, "libbase.so");
}

TEST_F(LoadDllTest, PrivateLibraryBesideTheProgramOrInTheInstalledFolder)
{
    const fs::path programs = base / "prefix" / "bin";
    const fs::path installed = programs / kPrivateLibraryDirFromPrograms;
    fs::create_directories(installed);
    const std::string privateDir = fs::canonical(installed).string() + "/";
    const struct
    {
        const char* name;
        bool beside;
        bool inPrivate;
        std::string expected;
    } rows[] = {
        {"neither: the program folder", false, false, programs.string() + "/"},
        {"an installed tree: its private folder, resolved", false, true, privateDir},
        {"a build tree: beside the program first", true, true, programs.string() + "/"},
    };
    for (const auto& row : rows) {
        fs::remove(programs / "libpriv.so");
        fs::remove(installed / "libpriv.so");
        if (row.beside)
            fs::copy_file(ZEP_TEST_LOADABLE, programs / "libpriv.so");
        if (row.inPrivate)
            fs::copy_file(ZEP_TEST_LOADABLE, installed / "libpriv.so");
        const std::string dir = PrivateLibraryDirectoryFrom(programs.string(), "libpriv.so");
        EXPECT_EQ(dir, row.expected) << row.name;
        void* handle = nullptr;
        EXPECT_EQ(LoadDLL(&handle, "libpriv.so", dir, ""), row.beside || row.inPrivate) << row.name;
        ReleaseDLL(handle, "libpriv.so");
    }
}

TEST_F(LoadDllTest, MissingLibraryFailsCleanly)
{
    void* handle = reinterpret_cast<void*>(1);
    EXPECT_FALSE(LoadDLL(&handle, "libnothing-here.so", base.string(), ""));
    EXPECT_EQ(handle, nullptr);
    EXPECT_FALSE(LoadDLL(&handle, "x.so", base.string(), (base / "none.so").string()));
}

TEST_F(LoadDllTest, NotALibraryFailsCleanly)
{
    std::ofstream(base / "Bin" / "libjunk.so") << "not a shared object";
    void* handle = nullptr;
    EXPECT_FALSE(LoadDLL(&handle, "libjunk.so", base.string(), ""));
    EXPECT_EQ(handle, nullptr);
}

TEST_F(LoadDllTest, SystemSearchAsLastResort)
{
    void* handle = nullptr;
    ASSERT_TRUE(LoadDLL(&handle, "libc.so.6", base.string(), ""));
    ReleaseDLL(handle, "libc.so.6");
}

TEST(NormaliseLibraryPath, Rules)
{
    EXPECT_EQ(NormaliseLibraryPath("/opt//zep///Bin/lib.so"), "/opt/zep/Bin/lib.so");
    EXPECT_EQ(NormaliseLibraryPath("\\opt\\zep\\lib.so"), "/opt/zep/lib.so");
    EXPECT_EQ(NormaliseLibraryPath("/opt/../zep/lib.so"), "/opt/zep/lib.so");
    EXPECT_EQ(NormaliseLibraryPath("/opt/./lib.so. . "), "/opt/lib.so");
}

} // namespace
} // namespace zep
