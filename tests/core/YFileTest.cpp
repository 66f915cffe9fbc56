#include "core/YFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/YArchive.h"
#include "support/TestSupport.h"

namespace {

std::string Bytes(const CYFile& f) { return std::string(reinterpret_cast<const char*>(f.GetData()), f.GetSize()); }

std::string Log() { return test::ReadFile("YLog.log"); }

// Every case runs in a fresh directory with no archive open.
class FileTest : public testing::Test {
protected:
    void SetUp() override { CloseGameArchive(); }
    void TearDown() override { CloseGameArchive(); }
    test::TempDir dir_;
};

using DiskFiles = FileTest;
using BinaryReads = FileTest;
using FileWriter = FileTest;

TEST_F(DiskFiles, NameIsLowerCasedButFoundWhateverTheCaseOnDisk) {
    test::WriteFile("Data/Scripts/Main.Lua", std::string("a\0b\r\n", 5));
    CYFile f("DATA\\scripts\\MAIN.lua");
    ASSERT_EQ(f.Load(), S_OK);
    EXPECT_EQ(Bytes(f), std::string("a\0b\r\n", 5));
}

TEST_F(DiskFiles, MissingFileLogsItsLowerCasedName) {
    CYFile f("data\\Missing.TXT");
    EXPECT_EQ(f.Load(), E_FAIL);
    EXPECT_EQ(f.GetSize(), 0u);
    EXPECT_NE(f.GetData(), nullptr);
    EXPECT_NE(Log().find("File - data\\missing.txt not found\n"), std::string::npos);
}

TEST_F(DiskFiles, ZeroSizeFileLoadsAsEmptyData) {
    test::WriteFile("empty.bin", "");
    CYFile f("empty.bin");
    EXPECT_EQ(f.Load(), S_OK);
    EXPECT_EQ(f.GetSize(), 0u);
    EXPECT_EQ(f.ReadInt(), 0);
    EXPECT_TRUE(f.ReadFailed());
}

TEST_F(DiskFiles, FilesOverTheLimitAreRefusedByTheirSizeBeforeAnythingIsRead) {
    test::WriteFile("nine.bin", "123456789");
    CYFile f("nine.bin");
    EXPECT_EQ(f.Load(9), S_OK);
    EXPECT_EQ(f.Load(8), E_FAIL);
    EXPECT_EQ(f.GetSize(), 0u);
    EXPECT_NE(Log().find("File - nine.bin of 9 bytes is too large\n"), std::string::npos);
    // A sparse file past the default limit: refused at once, nothing allocated.
    test::WriteFile("huge.bin", "");
    std::filesystem::resize_file("huge.bin", uint64_t{kMaxDataFileBytes} + 1);
    CYFile huge("huge.bin");
    EXPECT_EQ(huge.Load(), E_FAIL);
    EXPECT_NE(Log().find("File - huge.bin of 268435457 bytes is too large\n"), std::string::npos);
}

TEST_F(DiskFiles, SecondLoadReplacesDataAndRestartsReading) {
    test::WriteFile("a.bin", std::string("\x01\0\0\0\x02\0\0\0", 8));
    CYFile f("a.bin");
    ASSERT_EQ(f.Load(), S_OK);
    EXPECT_EQ(f.ReadInt(), 1);
    test::WriteFile("a.bin", std::string("\x07\0\0\0", 4));
    ASSERT_EQ(f.Load(), S_OK);
    EXPECT_EQ(f.GetSize(), 4u);
    EXPECT_EQ(f.ReadInt(), 7);
    EXPECT_FALSE(f.ReadFailed());
}

TEST_F(BinaryReads, IntegersAreLittleEndianSignedAndFloatsIeeeSingles) {
    test::WriteFile("n.bin", std::string("\x78\x56\x34\x12\xFE\xFF\xFF\xFF\x00\x00\xC0\x3F", 12));
    CYFile f("n.bin");
    ASSERT_EQ(f.Load(), S_OK);
    EXPECT_EQ(f.ReadInt(), 0x12345678);
    EXPECT_EQ(f.ReadInt(), -2);
    EXPECT_EQ(f.ReadFloat(), 1.5f);
    EXPECT_FALSE(f.ReadFailed());
}

TEST_F(BinaryReads, EmptyStringAdvancesByTheLengthOnly) {
    test::WriteFile("s.bin", std::string("\0\0\0\0\x05\0\0\0", 8));
    CYFile f("s.bin");
    ASSERT_EQ(f.Load(), S_OK);
    EXPECT_EQ(f.ReadString(), "");
    EXPECT_EQ(f.ReadInt(), 5);
    EXPECT_FALSE(f.ReadFailed());
}

TEST_F(BinaryReads, ReadPastTheEndGivesZerosAndSetsTheFlag) {
    test::WriteFile("r.bin", "ab");
    CYFile f("r.bin");
    ASSERT_EQ(f.Load(), S_OK);
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(f.Read(out, 4), E_FAIL);
    EXPECT_EQ(std::memcmp(out, "\0\0\0\0", 4), 0);
    EXPECT_TRUE(f.ReadFailed());
    // The position is now at the end: nothing more is read.
    EXPECT_EQ(f.ReadInt(), 0);
    EXPECT_EQ(f.ReadFloat(), 0.0f);
    EXPECT_EQ(f.Read(out, 0), S_OK);
}

TEST_F(BinaryReads, StringLongerThanTheRestReadsEmpty) {
    // A hostile length of 2^31 must not be allocated.
    test::WriteFile("s.bin", std::string("\x00\x00\x00\x80xyz", 7));
    CYFile f("s.bin");
    ASSERT_EQ(f.Load(), S_OK);
    EXPECT_EQ(f.ReadString(), "");
    EXPECT_TRUE(f.ReadFailed());
    EXPECT_EQ(f.ReadInt(), 0);
}

TEST_F(FileWriter, WrittenValuesReadBackTheSame) {
    CYFileWriter w("data\\Saves\\save1.sav");
    w.WriteInt(-7);
    w.WriteString("Name \xC8\xE3\xF0\xE0");
    w.WriteString("");
    w.Write("raw", 3);
    w.WriteInt(0x7FFFFFFF);
    ASSERT_EQ(w.Save(), S_OK);

    CYFile f("DATA\\saves\\SAVE1.SAV");
    ASSERT_EQ(f.Load(), S_OK);
    EXPECT_EQ(f.GetSize(), 4u + 4u + 9u + 4u + 3u + 4u);
    EXPECT_EQ(f.ReadInt(), -7);
    EXPECT_EQ(f.ReadString(), "Name \xC8\xE3\xF0\xE0");
    EXPECT_EQ(f.ReadString(), "");
    char raw[3];
    EXPECT_EQ(f.Read(raw, 3), S_OK);
    EXPECT_EQ(std::string(raw, 3), "raw");
    EXPECT_EQ(f.ReadInt(), 0x7FFFFFFF);
    EXPECT_FALSE(f.ReadFailed());
}

TEST_F(FileWriter, IntegersAreWrittenLittleEndian) {
    CYFileWriter w("n.bin");
    w.WriteInt(0x01020304);
    ASSERT_EQ(w.Save(), S_OK);
    EXPECT_EQ(test::ReadFile("n.bin"), "\x04\x03\x02\x01");
}

TEST_F(FileWriter, FailedSaveReportsFailureAndKeepsTheOldFile) {
    test::WriteFile("data", "a file where the folder should be");
    CYFileWriter w("data\\Saves\\save1.sav");
    w.WriteInt(1);
    EXPECT_EQ(w.Save(), E_FAIL);
    EXPECT_EQ(test::ReadFile("data"), "a file where the folder should be");
    EXPECT_NE(Log().find("File - data\\Saves\\save1.sav not found\n"), std::string::npos);
}

TEST_F(FileWriter, SaveOverADirectoryFailsAsAFailedOpen) {
    std::filesystem::create_directories("out/inside");
    CYFileWriter w("out");
    w.WriteInt(1);
    EXPECT_EQ(w.Save(), E_FAIL);
    EXPECT_TRUE(std::filesystem::is_directory("out/inside"));
    EXPECT_NE(Log().find("File - out not found\n"), std::string::npos);
}

}  // namespace
