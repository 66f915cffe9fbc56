// Helpers shared by the tests.
#pragma once
#include <string>
#include <vector>

namespace test {

// A fresh temporary directory that becomes the working directory while the object
// lives; the previous working directory comes back and the directory is removed after.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

// Whole file as bytes; empty when missing.
std::string ReadFile(const std::string& path);
// Writes bytes to a file, creating parent directories.
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Copies the sample game into a directory, without what a player's run leaves in game/
// (the log, the settings, the key bindings, an archive, the saves).
void CopySampleGame(const std::string& dir);

// The real program, started in a directory with extra environment "NAME=value" entries.
class Program {
public:
    Program(const std::string& workingDir, const std::vector<std::string>& env = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    int Pid() const { return pid_; }
    // Sends a signal.
    void Signal(int sig);
    // Waits at most the given seconds; returns the exit code, or -1 on timeout (the
    // program is then killed), or 128 + signal when a signal ended it.
    int Wait(double seconds);
    // Waits until the file holds the text, at most the given seconds.
    static bool WaitForText(const std::string& path, const std::string& text, double seconds);

private:
    int pid_ = -1;
    bool done_ = false;
    int status_ = 0;
};

}  // namespace test
