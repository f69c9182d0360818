#pragma once
// The program's log: off unless "savelog.ini" exists in the working folder at
// start; then every line goes to standard error and to "save.log".
#include <cstdarg>
#include <string>

namespace vlm {

// Formats printf-style text and writes it when logging is on. A line may be
// written by several calls: each thread's text is held until its newline and
// then written whole, so lines from several threads never interleave. The text
// of one call longer than the line buffer is cut at a character boundary.
// Returns the number of bytes accepted, 0 when logging is off.
int LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
int LogMessageV(const char* format, va_list args);

// Turns logging on into `path` (created empty, truncating an old file).
// Returns false when the file cannot be opened; standard error still gets lines.
bool InitConsoleWindow(const std::string& path);

// Entry-sequence rule: when `folder`/savelog.ini exists, log into `folder`/save.log.
// Returns true when logging was switched on.
bool InitLoggingFromFolder(const std::string& folder);

// Turns logging off again and closes the file (used at teardown and by tests).
void ShutdownLogging();

bool LoggingEnabled();

// Echo to standard error can be switched off (tests keep their output readable).
void SetLogEcho(bool echo);

// Logs the local time as "%d.%02d.%02d %02d:%d:%d:%d\n"
// (year, month, day, hour, minute, second, millisecond).
void LogTimestamp();

// Size of the shared line buffer: one formatted line holds at most kLogLineMax - 1 bytes.
inline constexpr int kLogLineMax = 1024;

}  // namespace vlm
