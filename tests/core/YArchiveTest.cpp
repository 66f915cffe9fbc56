#include "core/YArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/YEndian.h"
#include "core/YFile.h"
#include "support/TestSupport.h"

namespace {

// Builds archive bytes entry by entry, so that tests can also write what the packer never would.
class ArchiveBuilder {
public:
    void Dir(const std::string& name, int32_t count) { Entry(name, -1, 0, count); }
    void File(const std::string& name, const std::string& bytes) {
        Entry(name, static_cast<int32_t>(data_.size()), static_cast<uint32_t>(bytes.size()), 0);
        std::string block = bytes;
        ScrambleBuffer(reinterpret_cast<uint8_t*>(block.data()), block.size());
        data_ += block;
    }
    void Entry(const std::string& name, int32_t offset, uint32_t size, int32_t count) {
        Put(static_cast<uint32_t>(name.size()));
        directory_ += name;
        Put(static_cast<uint32_t>(offset));
        Put(size);
        Put(static_cast<uint32_t>(count));
    }
    void Raw(const std::string& bytes) { directory_ += bytes; }
    void Data(const std::string& bytes) { data_ += bytes; }

    std::string Bytes(uint32_t magic = kArchiveMagic) const { return Bytes(magic, static_cast<uint32_t>(directory_.size())); }
    std::string Bytes(uint32_t magic, uint32_t directorySize) const {
        std::string dir = directory_;
        ScrambleBuffer(reinterpret_cast<uint8_t*>(dir.data()), dir.size());
        return Le(magic) + Le(directorySize) + dir + data_;
    }
    void Save(const std::string& path = "game.dat") const { test::WriteFile(path, Bytes()); }

    static std::string Le(uint32_t v) {
        std::string s(4, '\0');
        StoreLE32(reinterpret_cast<uint8_t*>(s.data()), v);
        return s;
    }

private:
    void Put(uint32_t v) { directory_ += Le(v); }
    std::string directory_;
    std::string data_;
};

std::string Log() { return test::ReadFile("YLog.log"); }

std::string Load(const std::string& name, HRESULT* hr = nullptr) {
    CYFile f(name);
    HRESULT r = f.Load();
    if (hr) *hr = r;
    return std::string(reinterpret_cast<const char*>(f.GetData()), f.GetSize());
}

class ArchiveTest : public testing::Test {
protected:
    void SetUp() override { CloseGameArchive(); }
    void TearDown() override { CloseGameArchive(); }
    test::TempDir dir_;
};

using ArchiveReading = ArchiveTest;
using ArchiveFailures = ArchiveTest;
using HostileDirectories = ArchiveTest;

// The usual shape: data\x.txt and data\sub\y.bin.
ArchiveBuilder SmallArchive() {
    ArchiveBuilder b;
    b.Dir("data", 2);
    b.File("x.txt", "hello");
    b.Dir("sub", 1);
    b.File("y.bin", std::string("\0\1\2", 3));
    return b;
}

TEST(Scrambling, EachByteAddsTheKeyByteOfItsPositionModuloTheKeyLength) {
    std::vector<uint8_t> block(kArchiveKeyLength + 2, 0);
    ScrambleBuffer(block.data(), block.size());
    EXPECT_EQ(block[0], kArchiveKey[0]);
    EXPECT_EQ(block[kArchiveKeyLength - 1], kArchiveKey[kArchiveKeyLength - 1]);
    EXPECT_EQ(block[kArchiveKeyLength], kArchiveKey[0]);
    EXPECT_EQ(block[kArchiveKeyLength + 1], kArchiveKey[1]);
    UnscrambleBuffer(block.data(), block.size());
    EXPECT_EQ(block, std::vector<uint8_t>(kArchiveKeyLength + 2, 0));
}

TEST_F(ArchiveReading, FilesLoadFromTheArchive) {
    SmallArchive().Save();
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 2u);
    HRESULT hr;
    EXPECT_EQ(Load("data\\x.txt", &hr), "hello");
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(Load("data\\sub\\y.bin", &hr), std::string("\0\1\2", 3));
    EXPECT_EQ(hr, S_OK);
}

TEST_F(ArchiveReading, ArchiveCopyWinsOverTheDiskCopy) {
    SmallArchive().Save();
    test::WriteFile("data/x.txt", "from disk");
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(Load("data\\x.txt"), "hello");
}

TEST_F(ArchiveReading, MixedCaseNamesAreFoundByAnyCase) {
    ArchiveBuilder b;
    b.Dir("Data", 1);
    b.File("X.Txt", "mixed");
    b.Save("GAME.DAT");
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(Load("data\\x.txt"), "mixed");
    EXPECT_EQ(Load("DATA\\X.TXT"), "mixed");
    ArchiveEntry entry;
    EXPECT_TRUE(FindArchiveEntry("data\\x.txt", entry));
}

TEST_F(ArchiveReading, LaterDuplicatePathWins) {
    ArchiveBuilder b;
    b.Dir("data", 2);
    b.File("a.txt", "first");
    b.File("A.TXT", "second");
    b.Save();
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 1u);
    EXPECT_EQ(Load("data\\a.txt"), "second");
}

TEST_F(ArchiveReading, DirectoryWithNoChildrenAddsNothing) {
    ArchiveBuilder b;
    b.Dir("data", 2);
    b.Dir("empty", 0);
    b.File("x.txt", "x");
    b.Save();
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 1u);
    EXPECT_EQ(Load("data\\x.txt"), "x");
}

TEST_F(ArchiveReading, ZeroSizeFileLoadsAsEmptyData) {
    ArchiveBuilder b;
    b.Dir("data", 1);
    b.File("empty.txt", "");
    b.Save();
    test::WriteFile("data/empty.txt", "disk");
    ASSERT_EQ(OpenGameArchive(), S_OK);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Load("data\\empty.txt", &hr), "");
    EXPECT_EQ(hr, S_OK);
}

TEST_F(ArchiveReading, EntriesOverTheCallersLimitAreRefused) {
    SmallArchive().Save();
    ASSERT_EQ(OpenGameArchive(), S_OK);
    CYFile f("data\\x.txt");
    EXPECT_EQ(f.Load(4), E_FAIL);
    EXPECT_NE(Log().find("File - data\\x.txt of 5 bytes is too large\n"), std::string::npos);
    EXPECT_EQ(f.Load(5), S_OK);
}

TEST_F(ArchiveReading, EmptyArchivesOpenWithNoFiles) {
    ArchiveBuilder root;
    root.Dir("data", 0);
    root.Save();
    EXPECT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 0u);
    ArchiveBuilder none;  // no directory bytes at all
    none.Save();
    EXPECT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 0u);
}

TEST_F(ArchiveReading, KeyRestartsForEveryFileLongerThanTheKey) {
    std::string a(kArchiveKeyLength * 2 + 5, 'a');
    std::string b;
    for (size_t i = 0; i < kArchiveKeyLength + 100; ++i) b += static_cast<char>(i * 7);
    ArchiveBuilder builder;
    builder.Dir("data", 2);
    builder.File("a", a);
    builder.File("b", b);
    builder.Save();
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(Load("data\\a"), a);
    EXPECT_EQ(Load("data\\b"), b);
}

TEST_F(ArchiveFailures, MissingArchiveIsLoggedAndFilesComeFromDisk) {
    test::WriteFile("data/x.txt", "disk");
    EXPECT_EQ(OpenGameArchive(), E_FAIL);
    EXPECT_NE(Log().find("Cannot read game archive\n"), std::string::npos);
    EXPECT_EQ(Load("data\\x.txt"), "disk");
}

TEST_F(ArchiveFailures, WrongMagicIsLoggedAndTheIndexStaysEmpty) {
    test::WriteFile("game.dat", SmallArchive().Bytes(0xFA17E457u));
    test::WriteFile("data/x.txt", "disk");
    EXPECT_EQ(OpenGameArchive(), E_FAIL);
    EXPECT_EQ(Log(), "Cannot read game archive\n");
    EXPECT_EQ(GetArchiveFileCount(), 0u);
    EXPECT_EQ(Load("data\\x.txt"), "disk");
}

TEST_F(ArchiveFailures, ArchiveShortenedAfterOpeningFailsTheLoad) {
    std::string bytes = SmallArchive().Bytes();
    test::WriteFile("game.dat", bytes);
    ASSERT_EQ(OpenGameArchive(), S_OK);
    test::WriteFile("game.dat", bytes.substr(0, bytes.size() - 1));
    HRESULT hr;
    EXPECT_EQ(Load("data\\sub\\y.bin", &hr), "");
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_NE(Log().find("Unknown error in file - game.dat\n"), std::string::npos);
}

// A file whose bytes lie past the archive's end fails alone when it is loaded; every
// other file still comes from the archive, and its disk copy is not read in its place.
TEST_F(ArchiveFailures, AnEntryPastTheEndFailsAloneWhenLoaded) {
    ArchiveBuilder b;
    b.Dir("data", 5);
    b.File("x.txt", "hello");
    b.Entry("long.txt", 0, 10, 0);         // 10 bytes from the start, 5 there
    b.Entry("far.txt", 0x7FFFFFFF, 1, 0);  // starts far beyond the end
    b.Entry("end.txt", 5, 0, 0);           // empty, right at the end
    b.Entry("void.txt", 0x7FFFFFFF, 0, 0); // empty, far beyond it: no bytes to miss
    b.Save();
    test::WriteFile("data/long.txt", "disk");
    ASSERT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 5u);
    HRESULT hr;
    EXPECT_EQ(Load("data\\x.txt", &hr), "hello");
    EXPECT_EQ(hr, S_OK);
    for (const char* name : {"data\\long.txt", "data\\far.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Load(name, &hr), "");
        EXPECT_EQ(hr, E_FAIL);
    }
    for (const char* name : {"data\\end.txt", "data\\void.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Load(name, &hr), "");
        EXPECT_EQ(hr, S_OK);
    }
    EXPECT_EQ(Log(), "Unknown error in file - game.dat\nUnknown error in file - game.dat\n");
}

// Archives whose header or directory lie: each fails as a whole, with no entry kept,
// also after a good archive was open.
TEST_F(HostileDirectories, AreRejectedWhole) {
    SmallArchive().Save();
    ASSERT_EQ(OpenGameArchive(), S_OK);
    auto chain = [](int dirs) {
        ArchiveBuilder b;
        for (int i = 0; i < dirs; ++i) b.Dir("d", 1);
        b.File("x", "x");
        return b;
    };
    ArchiveBuilder longName, hugeName, hugeCount, longChild;
    longName.Dir(std::string(kArchiveMaxPath, 'd'), 1);
    longName.File("x", "x");
    hugeName.Raw(ArchiveBuilder::Le(0x7FFFFFFF) + "data");
    hugeCount.Dir("data", 0x7FFFFFFF);
    hugeCount.File("x", "x");
    longChild.Dir(std::string(kArchiveMaxPath - 2, 'd'), 2);  // "a" fits the limit, "bb" does not
    longChild.File("a", "1");
    longChild.File("bb", "2");
    const std::string small = SmallArchive().Bytes();
    const std::pair<const char*, std::string> cases[] = {
        {"empty file", ""},
        {"truncated header", small.substr(0, 6)},
        {"truncated directory", small.substr(0, 20)},
        {"directory size beyond the file", SmallArchive().Bytes(kArchiveMagic, 0xFFFFFFF0u)},
        {"directory shorter than its entries", SmallArchive().Bytes(kArchiveMagic, 20)},
        {"name length beyond the directory", hugeName.Bytes()},
        {"child count beyond the directory", hugeCount.Bytes()},
        {"nesting deeper than the limit", chain(kArchiveMaxDepth + 2).Bytes()},
        {"path longer than the limit", longName.Bytes()},
        {"child path longer than the limit", longChild.Bytes()},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        test::WriteFile("game.dat", bytes);
        EXPECT_EQ(OpenGameArchive(), E_FAIL);
        EXPECT_EQ(GetArchiveFileCount(), 0u);
        ArchiveIndex index;
        uint32_t start = 0;
        EXPECT_FALSE(ParseGameArchive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), index, start));
        EXPECT_TRUE(index.empty());
    }
    EXPECT_NE(Log().find("Cannot read game archive\n"), std::string::npos);
    // The deepest nesting allowed is still read.
    chain(kArchiveMaxDepth).Save();
    EXPECT_EQ(OpenGameArchive(), S_OK);
    EXPECT_EQ(GetArchiveFileCount(), 1u);
}

}  // namespace
