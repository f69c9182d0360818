#include "base/log.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace vlm {
namespace {

struct LogState {
  std::mutex mutex;        // one whole line at a time, from any thread
  std::FILE* file = nullptr;
  int lineCounter = 0;     // lines asked for since logging began (counted when off too)
  bool echo = true;
};

LogState& State() {
  static LogState state;
  return state;
}

// Cuts `len` bytes back so that a UTF-8 sequence is never split.
size_t Utf8SafeLength(const char* text, size_t len) {
  if (len == 0) return 0;
  size_t start = len;
  // Walk back over continuation bytes to the lead byte of the last sequence.
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return 0;
  const unsigned char lead = static_cast<unsigned char>(text[start - 1]);
  size_t need = 1;
  if ((lead & 0xE0) == 0xC0) need = 2;
  else if ((lead & 0xF0) == 0xE0) need = 3;
  else if ((lead & 0xF8) == 0xF0) need = 4;
  const size_t have = len - (start - 1);
  return have >= need ? len : start - 1;
}

// Writes `len` bytes of whole lines (or a remainder that must go out) under the mutex.
void WriteLocked(LogState& s, const char* text, size_t len) {
  if (s.file == nullptr || len == 0) return;
  if (s.echo) std::fwrite(text, 1, len, stderr);
  std::fwrite(text, 1, len, s.file);
  // Every line reaches the file at once: the last lines before a crash or a
  // kill are the ones that explain it.
  std::fflush(s.file);
}

// One line is often written by several calls ("SendCtrlCommand\n" then the
// bytes...). Each thread keeps the text of its unfinished line here and hands
// it over whole at the newline, so another thread's line never lands inside it.
struct PendingLine {
  std::string text;
  ~PendingLine() { Flush(); }
  void Flush() {
    if (text.empty()) return;
    LogState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    WriteLocked(s, text.data(), text.size());
    text.clear();
  }
};

PendingLine& Pending() {
  thread_local PendingLine pending;
  return pending;
}

}  // namespace

int LogMessageV(const char* format, va_list args) {
  LogState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.lineCounter;
    if (s.file == nullptr) return 0;
  }
  // Formatted outside the lock, into this thread's own buffer.
  char line[kLogLineMax];
  int n = std::vsnprintf(line, sizeof line, format, args);
  if (n < 0) return 0;
  size_t len = static_cast<size_t>(n);
  if (len >= sizeof line) {
    // vsnprintf cut the line at the buffer; do not leave half a character.
    len = Utf8SafeLength(line, sizeof line - 1);
    line[len] = '\0';
  }
  std::string& pending = Pending().text;
  pending.append(line, len);
  const size_t lastNewline = pending.rfind('\n');
  if (lastNewline != std::string::npos || pending.size() >= static_cast<size_t>(kLogLineMax)) {
    // Whole lines go out now; a line that grew past the buffer goes out as it is.
    const size_t upTo = lastNewline != std::string::npos ? lastNewline + 1 : pending.size();
    std::lock_guard<std::mutex> lock(s.mutex);
    WriteLocked(s, pending.data(), upTo);
    pending.erase(0, upTo);
  }
  return static_cast<int>(len);
}

int LogMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = LogMessageV(format, args);
  va_end(args);
  return n;
}

bool InitConsoleWindow(const std::string& path) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.file != nullptr) std::fclose(s.file);
  s.lineCounter = 0;
  s.file = std::fopen(path.c_str(), "wb");
  return s.file != nullptr;
}

bool InitLoggingFromFolder(const std::string& folder) {
  struct stat st {};
  const std::string marker = folder + "/savelog.ini";
  if (::stat(marker.c_str(), &st) != 0) return false;
  return InitConsoleWindow(folder + "/save.log");
}

void ShutdownLogging() {
  Pending().Flush();  // the caller's unfinished line is not lost
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.file != nullptr) std::fclose(s.file);
  s.file = nullptr;
  s.lineCounter = 0;
}

bool LoggingEnabled() {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.file != nullptr;
}

void SetLogEcho(bool echo) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.echo = echo;
}

void LogTimestamp() {
  // Every write and every upgrade acknowledgement stamps the log: with the
  // log off, not even the local time is looked up.
  if (!LoggingEnabled()) return;
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm tm {};
  localtime_r(&t, &tm);
  LogMessage("%d.%02d.%02d %02d:%d:%d:%d\n", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
             tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
}

}  // namespace vlm
