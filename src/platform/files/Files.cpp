#include "platform/files/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fs {

namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualFolded(const char* a, const std::string& b) {
    size_t i = 0;
    for (; a[i] != '\0'; ++i) {
        if (i >= b.size() || FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return i == b.size();
}

// A path split into its components; "absolute" when it began at the root.
struct SplitPath {
    bool absolute = false;
    std::vector<std::string> parts;
};

SplitPath Split(const std::string& path) {
    SplitPath out;
    std::string native = ToNativePath(path);
    out.absolute = !native.empty() && native[0] == '/';
    size_t i = 0;
    while (i < native.size()) {
        size_t j = native.find('/', i);
        if (j == std::string::npos) j = native.size();
        if (j > i) out.parts.push_back(native.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir == "/") return "/" + name;
    return dir + "/" + name;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The name under dir that matches a component: the exact name when it exists, else the
// first case-insensitive match in byte order. needDirectory skips non-directories.
bool MatchComponent(const std::string& dir, const std::string& part, bool needDirectory, std::string& match) {
    std::string exact = Join(dir, part);
    if (needDirectory ? IsDirectory(exact) : Exists(exact)) {
        match = part;
        return true;
    }
    if (part == "." || part == "..") return false;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    bool found = false;
    while (const dirent* e = ::readdir(d)) {
        if (!EqualFolded(e->d_name, part)) continue;
        if (found && std::strcmp(e->d_name, match.c_str()) >= 0) continue;
        std::string candidate = Join(dir, e->d_name);
        if (needDirectory ? !IsDirectory(candidate) : !Exists(candidate)) continue;
        match = e->d_name;
        found = true;
    }
    ::closedir(d);
    return found;
}

// Walks the components. Returns how many matched; resolved holds the matched prefix
// followed by the unmatched rest as given.
size_t Walk(const std::string& path, std::string& resolved) {
    SplitPath sp = Split(path);
    std::string current = sp.absolute ? "/" : "";
    size_t matched = 0;
    for (; matched < sp.parts.size(); ++matched) {
        bool last = matched + 1 == sp.parts.size();
        std::string name;
        if (!MatchComponent(current, sp.parts[matched], !last, name)) break;
        current = Join(current, name);
    }
    for (size_t i = matched; i < sp.parts.size(); ++i) current = Join(current, sp.parts[i]);
    resolved = current;
    return matched;
}

// Creates every missing directory of a native path, its last component only when asked.
bool MakeDirectories(const std::string& native, bool includeLast) {
    size_t end = native.size();
    if (!includeLast) {
        size_t slash = native.rfind('/');
        if (slash == std::string::npos) return true;
        end = slash;
    }
    std::string prefix = native.substr(0, end);
    if (prefix.empty()) return true;
    size_t i = (prefix[0] == '/') ? 1 : 0;
    for (;;) {
        size_t j = prefix.find('/', i);
        std::string dir = prefix.substr(0, j);
        if (!dir.empty() && dir != "/" && !IsDirectory(dir)) {
            if (::mkdir(dir.c_str(), 0755) != 0 && !(errno == EEXIST && IsDirectory(dir))) return false;
        }
        if (j == std::string::npos) break;
        i = j + 1;
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) {
            errno = EIO;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

void SyncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string ToNativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

bool ResolvePath(const std::string& path, std::string& resolved) {
    std::string r;
    SplitPath sp = Split(path);
    if (sp.parts.empty() && !sp.absolute) return false;
    if (Walk(path, r) != sp.parts.size()) return false;
    resolved = r;
    return true;
}

std::string ResolveWritePath(const std::string& path) {
    std::string r;
    Walk(path, r);
    return r;
}

std::FILE* Open(const std::string& path, const char* mode) {
    if (!mode || !*mode) {
        errno = EINVAL;
        return nullptr;
    }
    if (mode[0] == 'r') {
        std::string resolved;
        if (!ResolvePath(path, resolved)) {
            errno = ENOENT;
            return nullptr;
        }
        if (IsDirectory(resolved)) {
            errno = EISDIR;
            return nullptr;
        }
        return std::fopen(resolved.c_str(), mode);
    }
    std::string target = ResolveWritePath(path);
    if (target.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    if (!MakeDirectories(target, false)) return nullptr;
    return std::fopen(target.c_str(), mode);
}

bool FileExists(const std::string& path) {
    std::string resolved;
    struct stat st;
    return ResolvePath(path, resolved) && ::stat(resolved.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateDirectories(const std::string& path) {
    std::string target = ResolveWritePath(path);
    if (target.empty()) return false;
    return MakeDirectories(target, true) && IsDirectory(target);
}

bool CanOpenForWriting(const std::string& path) {
    std::string target = ResolveWritePath(path);
    if (target.empty()) return false;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return false;
        // Opened without truncation and closed at once: the file stays as it is.
        int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        ::close(fd);
        return true;
    }
    // Missing directories are made by the writers, so the nearest existing one decides.
    std::string dir = target;
    for (;;) {
        size_t slash = dir.rfind('/');
        dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
        if (Exists(dir)) return IsDirectory(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0;
        if (dir == "." || dir == "/") return false;
    }
}

WriteStatus WriteFileAtomic(const std::string& path, const void* data, size_t size) {
    std::string target = ResolveWritePath(path);
    if (target.empty()) {
        errno = ENOENT;
        return WriteStatus::kCannotCreate;
    }
    if (!MakeDirectories(target, false)) return WriteStatus::kCannotCreate;

    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // A hidden name next to the target, short enough for any file system.
    std::string tmp = Join(dir == "." ? "" : dir, "." + base.substr(0, 200) + ".tmp-XXXXXX");
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return WriteStatus::kCannotCreate;

    mode_t mode = 0644;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode = st.st_mode & 07777;

    bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), size) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(name.data(), target.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(name.data());
        errno = saved;
        return WriteStatus::kCannotWrite;
    }
    SyncDirectory(dir);
    return WriteStatus::kOk;
}

}  // namespace fs
