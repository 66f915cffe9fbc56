#include "platform/files/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace {

namespace stdfs = std::filesystem;

// The on-disk path of an engine path, or "-" when it does not resolve.
std::string Resolve(const std::string& path) {
    std::string resolved;
    return fs::ResolvePath(path, resolved) ? resolved : "-";
}

std::string ReadAll(std::FILE* f) {
    std::string s;
    char buf[256];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    std::fclose(f);
    return s;
}

int CountEntries(const std::string& dir) {
    int n = 0;
    for ([[maybe_unused]] auto& e : stdfs::directory_iterator(dir)) ++n;
    return n;
}

TEST(PathResolution, EachComponentMatchesWhateverItsCase) {
    test::TempDir dir;
    test::WriteFile("Data/Scripts/Main.LUA", "x");
    EXPECT_EQ(Resolve("data\\scripts\\main.lua"), "Data/Scripts/Main.LUA");
    EXPECT_EQ(Resolve("DATA\\SCRIPTS\\MAIN.lua"), "Data/Scripts/Main.LUA");
    EXPECT_EQ(Resolve(dir.Path() + "/data/scripts/main.lua"), dir.Path() + "/Data/Scripts/Main.LUA");
}

TEST(PathResolution, ExactMatchWinsElseTheFirstInByteOrder) {
    test::TempDir dir;
    test::WriteFile("x/ab.txt", "1");
    test::WriteFile("x/aB.txt", "2");
    test::WriteFile("x/Ab.txt", "3");
    EXPECT_EQ(Resolve("x\\aB.txt"), "x/aB.txt");
    EXPECT_EQ(Resolve("x\\AB.TXT"), "x/Ab.txt");
}

TEST(PathResolution, DirectoryComponentSkipsFileOfTheSameName) {
    test::TempDir dir;
    test::WriteFile("DATA", "a file, not the folder");
    test::WriteFile("Data/x", "");
    EXPECT_EQ(Resolve("data\\x"), "Data/x");
}

TEST(PathResolution, MissingComponentIsNotFound) {
    test::TempDir dir;
    test::WriteFile("data/a.txt", "");
    EXPECT_EQ(Resolve("data\\b.txt"), "-");
    EXPECT_EQ(Resolve("nodata\\a.txt"), "-");
    EXPECT_EQ(Resolve(""), "-");
    errno = 0;
    EXPECT_EQ(fs::Open("data\\b.txt", "rb"), nullptr);
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

TEST(OpenFiles, WritingReusesExistingComponentsAndCreatesMissingOnesAsGiven) {
    test::TempDir dir;
    test::WriteFile("Data/saves/SAVE1.SAV", "old");
    std::FILE* f = fs::Open("data\\Saves\\save1.sav", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("new", f);
    std::fclose(f);
    EXPECT_EQ(test::ReadFile("Data/saves/SAVE1.SAV"), "new");
    EXPECT_EQ(CountEntries("Data/saves"), 1);
    f = fs::Open("data\\New\\Dir\\f.txt", "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(test::FileExists("Data/New/Dir/f.txt"));
    EXPECT_EQ(CountEntries("."), 1);
}

TEST(OpenFiles, FileWrittenInOneCaseIsReadInAnother) {
    test::TempDir dir;
    ASSERT_EQ(fs::WriteFileAtomic("data\\Saves\\save1.sav", "abc", 3), fs::WriteStatus::kOk);
    std::FILE* f = fs::Open("DATA\\saves\\SAVE1.SAV", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "abc");
}

TEST(AtomicWrite, ReplacesTheWholeOldContentAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    test::WriteFile("cfg.txt", "a much longer old content");
    ASSERT_EQ(fs::WriteFileAtomic("cfg.txt", "new", 3), fs::WriteStatus::kOk);
    EXPECT_EQ(test::ReadFile("cfg.txt"), "new");
    EXPECT_EQ(CountEntries("."), 1);
}

TEST(AtomicWrite, KeepsTheModeOfAReplacedFile) {
    test::TempDir dir;
    test::WriteFile("f.bin", "old");
    ::chmod("f.bin", 0600);
    ASSERT_EQ(fs::WriteFileAtomic("f.bin", "x", 1), fs::WriteStatus::kOk);
    ASSERT_EQ(fs::WriteFileAtomic("g.bin", "x", 1), fs::WriteStatus::kOk);
    struct stat st;
    ASSERT_EQ(::stat("f.bin", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat("g.bin", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(AtomicWrite, FailuresChangeNothing) {
    test::TempDir dir;
    stdfs::create_directories("target/inner");
    test::WriteFile("data", "plain file");
    EXPECT_EQ(fs::WriteFileAtomic("target", "x", 1), fs::WriteStatus::kCannotWrite);
    EXPECT_EQ(fs::WriteFileAtomic("data\\saves\\x.sav", "x", 1), fs::WriteStatus::kCannotCreate);
    EXPECT_TRUE(stdfs::is_directory("target/inner"));
    EXPECT_EQ(test::ReadFile("data"), "plain file");
    EXPECT_EQ(CountEntries("."), 2);
}

}  // namespace
