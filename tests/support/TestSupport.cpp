#include "support/TestSupport.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace test {

namespace fsys = std::filesystem;

TempDir::TempDir() {
    previous_ = fsys::current_path().string();
    std::string tmpl = (fsys::temp_directory_path() / "kestrune-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    path_ = made ? made : tmpl;
    fsys::current_path(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fsys::current_path(previous_, ec);
    fsys::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fsys::path p(path);
    if (p.has_parent_path()) fsys::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return fsys::exists(path); }

void CopySampleGame(const std::string& dir) {
    fsys::copy(std::string(KESTRUNE_SOURCE_DIR) + "/game", dir, fsys::copy_options::recursive);
    for (const char* left : {"YLog.log", "YConfig.cfg", "Actions.cfg", "game.dat"}) fsys::remove(dir + "/" + left);
    fsys::remove_all(dir + "/data/Saves");
}

Program::Program(const std::string& workingDir, const std::vector<std::string>& env) {
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(workingDir.c_str()) != 0) _exit(127);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);
        setenv("XDG_RUNTIME_DIR", workingDir.c_str(), 1);
        setenv("KESTRUNE_QUIET", "1", 1);
        for (const std::string& e : env) putenv(strdup(e.c_str()));
        execl(KESTRUNE_BIN, KESTRUNE_BIN, static_cast<char*>(nullptr));
        _exit(127);
    }
}

Program::~Program() {
    if (pid_ > 0 && !done_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
}

void Program::Signal(int sig) {
    if (pid_ > 0 && !done_) kill(pid_, sig);
}

int Program::Wait(double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done_) {
        int r = waitpid(pid_, &status_, WNOHANG);
        if (r == pid_) {
            done_ = true;
            break;
        }
        if (std::chrono::steady_clock::now() > end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            done_ = true;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status_)) return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
    return -1;
}

bool Program::WaitForText(const std::string& path, const std::string& text, double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (ReadFile(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ReadFile(path).find(text) != std::string::npos;
}

}  // namespace test
