// The packer run as a program on a folder tree; the engine then reads its archive.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <string>

#include "core/YArchive.h"
#include "core/YFile.h"
#include "support/TestSupport.h"

namespace {

const std::string kPacker = std::string(KESTRUNE_TOOLS_DIR) + "/kpack";

// Runs the packer with arguments; returns its exit code, its standard output in out.
int RunPacker(const std::string& args, std::string* out = nullptr) {
    std::string command = "'" + kPacker + "' " + args + " > kpack.out 2> kpack.err";
    int status = std::system(command.c_str());
    if (out) *out = test::ReadFile("kpack.out");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Load(const std::string& name, HRESULT* hr = nullptr) {
    CYFile f(name);
    HRESULT r = f.Load();
    if (hr) *hr = r;
    return std::string(reinterpret_cast<const char*>(f.GetData()), f.GetSize());
}

class Packer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::FileExists(kPacker)) << "build the kpack tool first";
        CloseGameArchive();
    }
    void TearDown() override { CloseGameArchive(); }
    test::TempDir dir_;
};

TEST_F(Packer, BuiltArchiveIsReadByTheEngineBeforeTheDisk) {
    std::string big;
    for (int i = 0; i < 5000; ++i) big += static_cast<char>(i * 31);
    test::WriteFile("src/Data/Scripts/Main.lua", "print('archive')");
    test::WriteFile("src/Data/Meshes/Big.a3d", big);
    test::WriteFile("src/Data/empty.txt", "");
    ASSERT_EQ(RunPacker("build game.dat src/Data"), 0) << test::ReadFile("kpack.err");
    test::WriteFile("data/scripts/main.lua", "print('disk')");
    test::WriteFile("data/other.txt", "disk only");

    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 3u);
    EXPECT_EQ(Load("data\\scripts\\main.lua"), "print('archive')");
    EXPECT_EQ(Load("DATA\\MESHES\\BIG.A3D"), big);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Load("data\\empty.txt", &hr), "");
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(Load("data\\other.txt"), "disk only");
}

TEST_F(Packer, ListsTheArchiveDirectory) {
    test::WriteFile("data/b.txt", "bb");
    test::WriteFile("data/A/x.txt", "x");
    ASSERT_EQ(RunPacker("build out.dat data/"), 0) << test::ReadFile("kpack.err");
    std::string listing;
    ASSERT_EQ(RunPacker("list out.dat", &listing), 0);
    EXPECT_NE(listing.find("  data\\a\\x.txt\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("  data\\b.txt\n"), std::string::npos) << listing;
    EXPECT_LT(listing.find("data\\a\\x.txt"), listing.find("data\\b.txt"));
}

TEST_F(Packer, EmptyFolderGivesAnEmptyArchive) {
    ASSERT_EQ(std::system("mkdir -p data"), 0);
    ASSERT_EQ(RunPacker("build game.dat data"), 0) << test::ReadFile("kpack.err");
    EXPECT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 0u);
}

TEST_F(Packer, RejectsBadArchivesAndArguments) {
    test::WriteFile("bad.dat", "not an archive");
    EXPECT_NE(RunPacker("list bad.dat"), 0);
    EXPECT_NE(RunPacker("build game.dat missing-folder"), 0);
    EXPECT_FALSE(test::FileExists("game.dat"));
    EXPECT_EQ(RunPacker("frobnicate"), 2);
}

}  // namespace
