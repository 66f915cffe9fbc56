// The examples of docs/formats.md, loaded as a game would load them: every fenced block whose
// info string names a path ("```ini path=data/missions/x.txt") is written to that path of a
// copy of the sample game, and the real program then loads them all. The page stays true
// only while each example loads without a word in the log.
#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/YArchive.h"
#include "core/YEndian.h"
#include "core/YFile.h"
#include "support/TestSupport.h"

namespace {

struct Example {
    std::string language;
    std::string path;
    std::map<std::string, std::string> options;  // further "key=value" words of the info string
    std::string body;
};

// The fenced blocks of the page that name a path, in page order.
std::vector<Example> ReadExamples(const std::string& page) {
    std::vector<Example> examples;
    size_t at = 0;
    while ((at = page.find("```", at)) != std::string::npos) {
        const size_t infoEnd = page.find('\n', at);
        if (infoEnd == std::string::npos) break;
        const std::string info = page.substr(at + 3, infoEnd - at - 3);
        const size_t close = page.find("\n```", infoEnd);
        if (close == std::string::npos) break;
        const std::string body = page.substr(infoEnd + 1, close - infoEnd);
        at = close + 4;
        Example e;
        size_t p = 0;
        bool first = true;
        while (p < info.size()) {
            const size_t end = std::min(info.find(' ', p), info.size());
            const std::string word = info.substr(p, end - p);
            p = end + 1;
            if (word.empty()) continue;
            const size_t eq = word.find('=');
            if (first && eq == std::string::npos) e.language = word;
            else if (eq != std::string::npos) e.options[word.substr(0, eq)] = word.substr(eq + 1);
            first = false;
        }
        if (!e.options.count("path")) continue;
        e.path = e.options["path"];
        e.body = body;
        examples.push_back(std::move(e));
    }
    return examples;
}

// A hex dump as bytes: pairs of hex digits, "XX*n" for n bytes XX, "//" to the end of a line.
std::string HexBytes(const std::string& dump) {
    std::string bytes;
    size_t line = 0;
    while (line < dump.size()) {
        size_t end = dump.find('\n', line);
        if (end == std::string::npos) end = dump.size();
        std::string text = dump.substr(line, end - line);
        line = end + 1;
        if (const size_t comment = text.find("//"); comment != std::string::npos) text.resize(comment);
        size_t p = 0;
        while (p < text.size()) {
            if (std::isspace(static_cast<unsigned char>(text[p]))) {
                ++p;
                continue;
            }
            size_t q = p;
            while (q < text.size() && !std::isspace(static_cast<unsigned char>(text[q]))) ++q;
            const std::string word = text.substr(p, q - p);
            p = q;
            const size_t star = word.find('*');
            const std::string hex = word.substr(0, star);
            EXPECT_EQ(hex.size(), 2u) << "not a byte: " << word;
            const char byte = static_cast<char>(std::stoi(hex, nullptr, 16));
            const size_t count = star == std::string::npos ? 1 : std::stoul(word.substr(star + 1));
            bytes.append(count, byte);
        }
    }
    return bytes;
}

std::string Bytes(const Example& e) { return e.language == "hex" ? HexBytes(e.body) : e.body; }

std::vector<Example> PageExamples() {
    const std::string page = test::ReadFile(std::string(KESTRUNE_SOURCE_DIR) + "/docs/formats.md");
    EXPECT_FALSE(page.empty()) << "docs/formats.md";
    return ReadExamples(page);
}

const Example* Find(const std::vector<Example>& examples, const std::string& path) {
    for (const Example& e : examples)
        if (e.path == path) return &e;
    return nullptr;
}

// The script that loads every example through the game's own calls and writes what it
// found; it ends the program when done.
const char* const kMainScript = R"(
local out = io.open("results.txt", "w")
local world = CreateGameWorld()
InitGameWorld(world)
SetInterfaceMode(1)
InitInterface("formats_example.txt")
Update()
for _, name in ipairs({"example", "back", "filtering", "quality", "quality_low", "quality_high",
                       "volume", "help", "player_name", "key_fire"}) do
  out:write("window ", name, " ", tostring(not IsNull(GetWindow(name))), "\n")
end
out:write("edit text ", GetText(GetWindow("player_name")), "\n")
LoadMission("data\\missions\\formats_example.txt", 1)
for i = 1, 5 do
  UpdateGameWorld(world, 0.05)
  Update()
end
out:write("mission ", GetMissionName(), "\n")
for _, name in ipairs({"droid_a", "gate1", "barrel1", "_marker", "_smoke"}) do
  out:write("object ", name, " ", tostring(not IsNull(GetComplexObject(name))), "\n")
end
out:write("save ", GetSaveName(7), "\n")
LoadGame(7)
out:write("last level ", GetLastLevel(), "\n")
out:write("done\n")
out:close()
-- The screen goes before the world that draws it.
SetWindowVisible(GetWindow("example"), false)
SetCursorType("hidden")
DeleteGameWorld(world)
SetTrigger("GameOver", 1)
while true do Update() end
)";

TEST(FormatsPage, MarksAnExampleOfEveryFormat) {
    const std::vector<Example> examples = PageExamples();
    for (const char* path :
         {"YConfig.cfg", "Actions.cfg", "data/interface/Data/formats_example.txt", "data/interface/fonts/fonts.dat",
          "data/interface/fonts/formats_digits.fnt", "data/interface/cursor.dat", "data/missions/formats_example.txt",
          "data/meshes/formats_marker.adf", "data/meshes/formats_smoke.adf", "data/meshes/formats_tri.anm",
          "data/GameData/weapon.dat", "data/GameData/chassis.dat", "data/GameData/armor.dat",
          "data/GameData/device.dat", "data/GameData/droid.dat", "data/GameData/enemy.dat",
          "data/meshes/formats_tri.a3d", "data/meshes/formats_stand.seq", "data/Saves/save7.sav", "game.dat"})
        EXPECT_NE(Find(examples, path), nullptr) << path;
    // The tables' columns are tab-separated on the page as in the files.
    for (const char* table : {"weapon", "chassis", "armor", "device", "droid", "enemy"}) {
        const Example* e = Find(examples, std::string("data/GameData/") + table + ".dat");
        ASSERT_NE(e, nullptr);
        EXPECT_NE(e->body.find("\t"), std::string::npos) << table;
    }
}

TEST(FormatsPage, TheExamplesLoadInTheRealProgramWithoutAWord) {
    const std::vector<Example> examples = PageExamples();
    test::TempDir dir;
    test::CopySampleGame(dir.Path());
    for (const Example& e : examples)
        if (!e.options.count("archive")) test::WriteFile(e.path, Bytes(e));
    test::WriteFile("data/scripts/main.lua", kMainScript);

    test::Program program(dir.Path());
    const int code = program.Wait(90);
    EXPECT_EQ(code, 0);
    const std::string results = test::ReadFile("results.txt");
    ASSERT_NE(results.find("done\n"), std::string::npos) << results << test::ReadFile("YLog.log");
    EXPECT_EQ(results.find(" false\n"), std::string::npos) << results;
    EXPECT_NE(results.find("edit text commander\n"), std::string::npos) << results;
    EXPECT_NE(results.find("mission Two Rooms\n"), std::string::npos) << results;
    EXPECT_NE(results.find("save Mission 2, 10 p\n"), std::string::npos) << results;
    EXPECT_NE(results.find("last level 2\n"), std::string::npos) << results;

    const std::string log = test::ReadFile("YLog.log");
    // What each example shows the engine read.
    EXPECT_NE(log.find("Skeleton bonesCount - 1\n"), std::string::npos);
    EXPECT_NE(log.find("sequence - stand\n"), std::string::npos);
    EXPECT_NE(log.find("sequence - sway\n"), std::string::npos);
    EXPECT_NE(log.find("formats_example.txt ----------------- finished"), std::string::npos);
    EXPECT_NE(log.find("\n0 - objects lost\n"), std::string::npos);
    // No complaint about any of them.
    for (const char* complaint :
         {"ERROR!!!", "Error in", "not found", "bad font", "Undefined mesh", "Cannot load", "Can't", "Level:",
          "Unknown key", "Bad ", "corrupt", "too few columns", "damaged", "Skeleton:", "Toddler", "DXError",
          "outside any block", "is not \"key = value\"", "not 0..255", "cannot be", "Mission:", "Error in fonts",
          "Error in cursor"})
        EXPECT_EQ(log.find(complaint), std::string::npos) << complaint << "\n" << log;
    // The interface file's own messages (code page 1251) begin with these words.
    for (const char* word : {"\xce\xf9\xe8\xe1\xea\xe0", "\xc7\xe0\xea\xf0\xfb\xe2\xe0\xfe\xf9\xe8\xe9",
                             "\xcd\xe5\xe2\xee\xe7\xec\xee\xe6\xed\xee", "\xcd\xee\xe2\xee\xe7\xec\xee\xe6\xed\xee",
                             "\xcd\xe5\xef\xf0\xe0\xe2\xe8\xeb\xfc\xed\xee\xe5", "\xcf\xe0\xf0\xe0\xec\xe5\xf2\xf0"})
        EXPECT_EQ(log.find(word), std::string::npos) << "interface file message";

    // The settings files were read: the program writes back what it read.
    EXPECT_NE(test::ReadFile("YConfig.cfg").find("SCREEN_WIDTH 1024\n"), std::string::npos);
    EXPECT_NE(test::ReadFile("YConfig.cfg").find("MUSIC_VOLUME 0.400\n"), std::string::npos);
    EXPECT_EQ(test::ReadFile("Actions.cfg"), Find(examples, "Actions.cfg")->body);
}

TEST(FormatsPage, TheArchiveDirectoryExampleOpensThroughTheEngine) {
    const std::vector<Example> examples = PageExamples();
    const Example* e = Find(examples, "game.dat");
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(e->options.count("archive"));
    test::TempDir dir;
    // The page shows the directory before scrambling; the file it names holds 13 bytes.
    std::string directory = HexBytes(e->body);
    std::string contents = "-- hello 123\n";
    ASSERT_EQ(contents.size(), 13u);
    ScrambleBuffer(reinterpret_cast<uint8_t*>(directory.data()), directory.size());
    ScrambleBuffer(reinterpret_cast<uint8_t*>(contents.data()), contents.size());
    std::string archive(8, '\0');
    StoreLE32(reinterpret_cast<uint8_t*>(archive.data()), kArchiveMagic);
    StoreLE32(reinterpret_cast<uint8_t*>(archive.data()) + 4, static_cast<uint32_t>(directory.size()));
    test::WriteFile("game.dat", archive + directory + contents);

    ASSERT_EQ(OpenGameArchive(), S_OK);
    std::string path = e->options.at("archive");
    for (char& c : path)
        if (c == '/') c = '\\';
    CYFile file(path);
    const HRESULT loaded = file.Load();
    CloseGameArchive();
    ASSERT_EQ(loaded, S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.GetData()), file.GetSize()), "-- hello 123\n");
}

}  // namespace
