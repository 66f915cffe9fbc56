// The log "YLog.log": one line per call, written when its level is at or below the
// configured threshold, and echoed to the debug output.
#pragma once
#include "platform/system/Result.h"

// Longest formatted text of one call; longer texts are cut (keeping a final line feed).
constexpr int kLogLineMax = 511;

// Appends a formatted text when level <= the settings' log threshold. No line feed is added.
void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Empties "YLog.log" and writes the banner.
void StartLog();
// The banner line.
extern const char* const kLogBanner;

// Logs a failed platform call: "DXError if <file> on line <n>\n<name>\n<description>\n".
// Does nothing for a result that is not negative. Written at level 0 unless told.
void LogDXError(const char* file, int line, HRESULT hr, int level = 0);
#define DXERROR(hr) LogDXError(__FILE__, __LINE__, (hr))
#define DXERROR_AT(level, hr) LogDXError(__FILE__, __LINE__, (hr), (level))
