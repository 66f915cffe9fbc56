#include "platform/files/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace {

namespace stdfs = std::filesystem;

std::string ReadAll(std::FILE* f) {
    std::string s;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

// Names in the directory other than "." and "..".
int CountEntries(const std::string& dir) {
    int n = 0;
    for (auto& e : stdfs::directory_iterator(dir)) {
        (void)e;
        ++n;
    }
    return n;
}

TEST(PathResolution, BackslashesSeparateComponents) {
    test::TempDir dir;
    test::WriteFile("data/scripts/main.lua", "x");
    std::string resolved;
    ASSERT_TRUE(fs::ResolvePath("data\\scripts\\main.lua", resolved));
    EXPECT_EQ(resolved, "data/scripts/main.lua");
}

TEST(PathResolution, EachComponentMatchesWhateverItsCase) {
    test::TempDir dir;
    test::WriteFile("Data/Scripts/Main.LUA", "x");
    std::string resolved;
    ASSERT_TRUE(fs::ResolvePath("data\\scripts\\main.lua", resolved));
    EXPECT_EQ(resolved, "Data/Scripts/Main.LUA");
    ASSERT_TRUE(fs::ResolvePath("DATA\\SCRIPTS\\MAIN.lua", resolved));
    EXPECT_EQ(resolved, "Data/Scripts/Main.LUA");
}

TEST(PathResolution, ExactMatchWinsOverOtherCases) {
    test::TempDir dir;
    test::WriteFile("data/A.txt", "upper");
    test::WriteFile("data/a.txt", "lower");
    std::string resolved;
    ASSERT_TRUE(fs::ResolvePath("data\\a.txt", resolved));
    EXPECT_EQ(resolved, "data/a.txt");
    ASSERT_TRUE(fs::ResolvePath("data\\A.txt", resolved));
    EXPECT_EQ(resolved, "data/A.txt");
}

TEST(PathResolution, SeveralCaseMatchesPickTheFirstInByteOrder) {
    test::TempDir dir;
    test::WriteFile("x/ab.txt", "1");
    test::WriteFile("x/aB.txt", "2");
    test::WriteFile("x/Ab.txt", "3");
    std::string resolved;
    ASSERT_TRUE(fs::ResolvePath("x\\AB.TXT", resolved));
    EXPECT_EQ(resolved, "x/Ab.txt");
}

TEST(PathResolution, DirectoryComponentSkipsFileOfTheSameName) {
    test::TempDir dir;
    test::WriteFile("DATA", "a file, not the folder");
    test::WriteFile("data2/x", "");
    stdfs::rename("data2", "Data");
    std::string resolved;
    ASSERT_TRUE(fs::ResolvePath("data\\x", resolved));
    EXPECT_EQ(resolved, "Data/x");
}

TEST(PathResolution, MissingComponentIsNotFound) {
    test::TempDir dir;
    test::WriteFile("data/a.txt", "");
    std::string resolved = "untouched";
    EXPECT_FALSE(fs::ResolvePath("data\\b.txt", resolved));
    EXPECT_FALSE(fs::ResolvePath("nodata\\a.txt", resolved));
    EXPECT_FALSE(fs::ResolvePath("", resolved));
    EXPECT_EQ(resolved, "untouched");
}

TEST(PathResolution, AbsolutePathsResolveFromTheRoot) {
    test::TempDir dir;
    test::WriteFile("Sub/File.Bin", "z");
    std::string lower = dir.Path() + "/sub/file.bin";
    std::string resolved;
    ASSERT_TRUE(fs::ResolvePath(lower, resolved));
    EXPECT_EQ(resolved, dir.Path() + "/Sub/File.Bin");
}

TEST(OpenFiles, ReadingFindsMixedCaseFile) {
    test::TempDir dir;
    test::WriteFile("Data/Tables/Weapon.DAT", "bytes");
    std::FILE* f = fs::Open("data\\tables\\weapon.dat", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "bytes");
}

TEST(OpenFiles, ReadingMissingFileFailsWithNotFound) {
    test::TempDir dir;
    errno = 0;
    EXPECT_EQ(fs::Open("data\\none.txt", "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

TEST(OpenFiles, ReadingADirectoryFails) {
    test::TempDir dir;
    stdfs::create_directories("data/Folder");
    errno = 0;
    EXPECT_EQ(fs::Open("data\\folder", "rb"), nullptr);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(fs::FileExists("data\\folder"));
}

TEST(OpenFiles, WritingCreatesMissingDirectoriesAsGiven) {
    test::TempDir dir;
    std::FILE* f = fs::Open("data\\Saves\\save1.sav", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("s", f);
    std::fclose(f);
    EXPECT_EQ(test::ReadFile("data/Saves/save1.sav"), "s");
}

TEST(OpenFiles, WritingReusesExistingComponentsWhateverTheirCase) {
    test::TempDir dir;
    stdfs::create_directories("Data/saves");
    test::WriteFile("Data/saves/SAVE1.SAV", "old");
    std::FILE* f = fs::Open("data\\Saves\\save1.sav", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("new", f);
    std::fclose(f);
    EXPECT_EQ(test::ReadFile("Data/saves/SAVE1.SAV"), "new");
    EXPECT_EQ(CountEntries("."), 1);
    EXPECT_EQ(CountEntries("Data/saves"), 1);
}

TEST(OpenFiles, FileWrittenInOneCaseIsReadInAnother) {
    test::TempDir dir;
    ASSERT_EQ(fs::WriteFileAtomic("data\\Saves\\save1.sav", "abc", 3), fs::WriteStatus::kOk);
    std::FILE* f = fs::Open("DATA\\saves\\SAVE1.SAV", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "abc");
}

TEST(AtomicWrite, ReplacesTheWholeOldContent) {
    test::TempDir dir;
    test::WriteFile("cfg.txt", "a much longer old content");
    ASSERT_EQ(fs::WriteFileAtomic("cfg.txt", "new", 3), fs::WriteStatus::kOk);
    EXPECT_EQ(test::ReadFile("cfg.txt"), "new");
    EXPECT_EQ(CountEntries("."), 1);  // no temporary file left behind
}

TEST(AtomicWrite, EmptyContentGivesEmptyFile) {
    test::TempDir dir;
    test::WriteFile("f.bin", "old");
    ASSERT_EQ(fs::WriteFileAtomic("f.bin", nullptr, 0), fs::WriteStatus::kOk);
    EXPECT_TRUE(test::FileExists("f.bin"));
    EXPECT_EQ(test::ReadFile("f.bin"), "");
}

TEST(AtomicWrite, KeepsTheModeOfAReplacedFile) {
    test::TempDir dir;
    test::WriteFile("f.bin", "old");
    ::chmod("f.bin", 0600);
    ASSERT_EQ(fs::WriteFileAtomic("f.bin", "x", 1), fs::WriteStatus::kOk);
    struct stat st;
    ASSERT_EQ(::stat("f.bin", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(fs::WriteFileAtomic("g.bin", "x", 1), fs::WriteStatus::kOk);
    ASSERT_EQ(::stat("g.bin", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(AtomicWrite, DirectoryInTheWayFailsAndLeavesNothing) {
    test::TempDir dir;
    stdfs::create_directories("target/inner");
    EXPECT_EQ(fs::WriteFileAtomic("target", "x", 1), fs::WriteStatus::kCannotWrite);
    EXPECT_TRUE(stdfs::is_directory("target/inner"));
    EXPECT_EQ(CountEntries("."), 1);
}

TEST(AtomicWrite, ParentThatIsAFileCannotBeCreated) {
    test::TempDir dir;
    test::WriteFile("data", "plain file");
    EXPECT_EQ(fs::WriteFileAtomic("data\\saves\\x.sav", "x", 1), fs::WriteStatus::kCannotCreate);
    EXPECT_EQ(test::ReadFile("data"), "plain file");
}

TEST(AtomicWrite, CreateDirectoriesMakesTheWholePath) {
    test::TempDir dir;
    ASSERT_TRUE(fs::CreateDirectories("data\\Saves\\Deep"));
    EXPECT_TRUE(stdfs::is_directory("data/Saves/Deep"));
    ASSERT_TRUE(fs::CreateDirectories("DATA\\saves\\deep"));
    EXPECT_EQ(CountEntries("."), 1);
}

}  // namespace
