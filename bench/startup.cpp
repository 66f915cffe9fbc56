// Start-up time: from process start to the first frame shown, for the engine on the sample
// game and for a bare program that opens an SDL window with an OpenGL 4.5 context and shows
// one cleared frame. Each runs several times as a child process, headless (offscreen video,
// null sound), in turn with the other so that both see the same load; the medians and their
// ratio are printed. The engine's first frame is the log line it writes after it.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 31;  // measured runs of each program, after one run to warm the caches
constexpr auto kTimeout = std::chrono::seconds(60);

struct Program {
    const char* name;
    const char* binary;
    fs::path directory;  // its working directory
    const char* marker;  // the file it writes when its first frame is shown ...
    const char* line;    // ... and the text that says so
};

bool FileHas(const fs::path& file, const char* text) {
    std::ifstream in(file, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return content.find(text) != std::string::npos;
}

// Milliseconds from the start of the process to its first frame; negative when it fails.
double TimeToFirstFrame(const Program& p) {
    fs::path marker = p.directory / p.marker;
    std::error_code ignored;
    fs::remove(marker, ignored);
    auto start = Clock::now();
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (chdir(p.directory.c_str()) != 0) _exit(127);
        // The engine echoes its log to the standard error: not to this program's output.
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execl(p.binary, p.binary, static_cast<char*>(nullptr));
        _exit(127);
    }
    double ms = -1;
    int status = 0;
    bool ended = false;
    while (Clock::now() - start < kTimeout) {
        if (FileHas(marker, p.line)) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        if (waitpid(child, &status, WNOHANG) == child) {
            ended = true;
            // It may have written the line just before it ended.
            if (FileHas(marker, p.line))
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (!ended) {
        // The engine ends as it does when its window is closed.
        kill(child, SIGTERM);
        waitpid(child, &status, 0);
    }
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    // The engine's instance lock and the programs' files stay in a folder of this run.
    fs::path work = fs::temp_directory_path() / ("kestrune-startup-" + std::to_string(getpid()));
    fs::create_directories(work / "engine");
    fs::create_directories(work / "bare");
    fs::create_directory_symlink(fs::path(GAME_DIR) / "data", work / "engine" / "data");
    setenv("XDG_RUNTIME_DIR", work.c_str(), 1);

    Program engine{"engine", KESTRUNE_BIN, work / "engine", "YLog.log", "First frame shown"};
    Program bare{"bare GL", BARE_BIN, work / "bare", "bare.log", "presented"};
    std::vector<double> engineMs, bareMs;
    bool ok = true;
    for (int run = 0; run <= kRuns && ok; ++run) {
        double e = TimeToFirstFrame(engine), b = TimeToFirstFrame(bare);
        ok = e >= 0 && b >= 0;
        if (run > 0 && ok) {
            engineMs.push_back(e);
            bareMs.push_back(b);
        }
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
    if (!ok) {
        std::fprintf(stderr, "a program did not show its first frame (see %s and bare.log)\n", "YLog.log");
        return 1;
    }
    double e = Median(engineMs), b = Median(bareMs);
    std::printf("start-up to the first frame shown, median of %d runs:\n", kRuns);
    std::printf("  engine on the sample game  %7.1f ms\n", e);
    std::printf("  bare GL window             %7.1f ms\n", b);
    std::printf("  engine / bare = %.2f\n", e / b);
    return 0;
}
