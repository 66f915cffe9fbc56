#include "core/YLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/YSettings.h"
#include "platform/system/System.h"

const char* const kLogBanner = "Kestrune Sat Nov 29 17:03:57 2003";

namespace {
const char* const kLogFile = "YLog.log";

void WriteLine(const char* text, size_t length) {
    if (std::FILE* f = std::fopen(kLogFile, "a")) {
        std::fwrite(text, 1, length, f);
        std::fclose(f);
    }
    sys::DebugOutput(text);
}

// The file part of a source path below "src/", so log lines read "core/YFile.cpp".
const char* SourceName(const char* file) {
    const char* p = std::strstr(file, "src/");
    const char* last = nullptr;
    while (p) {
        last = p;
        p = std::strstr(p + 1, "src/");
    }
    return last ? last + 4 : file;
}
}  // namespace

void Log(int level, const char* format, ...) {
    if (level > g_settings.logLevel) return;
    char buffer[kLogLineMax + 1];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    size_t length = static_cast<size_t>(n);
    if (length > static_cast<size_t>(kLogLineMax)) {
        // Cut to the buffer; a text that ended a line still ends it.
        length = kLogLineMax;
        size_t flen = std::strlen(format);
        if (flen > 0 && format[flen - 1] == '\n') buffer[length - 1] = '\n';
    }
    WriteLine(buffer, length);
}

void StartLog() {
    if (std::FILE* f = std::fopen(kLogFile, "w")) std::fclose(f);
    Log(-10, "%s\n\n", kLogBanner);
}

void LogDXError(const char* file, int line, HRESULT hr, int level) {
    if (hr >= 0) return;
    Log(level, "DXError if %s on line %d\n%s\n%s\n", SourceName(file), line, sys::ResultName(hr), sys::ResultDescription(hr));
}
