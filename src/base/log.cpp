#include "base/log.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace vlm {
namespace {

struct LogState {
  std::mutex mutex;        // one whole line at a time, from any thread
  std::FILE* file = nullptr;
  int lineCounter = 0;     // lines asked for since logging began (counted when off too)
  bool echo = true;
  char line[kLogLineMax];  // shared line buffer, used under the mutex
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

}  // namespace

int LogMessageV(const char* format, va_list args) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.file == nullptr) {
    ++s.lineCounter;
    return 0;
  }
  int n = std::vsnprintf(s.line, sizeof s.line, format, args);
  if (n < 0) return 0;
  size_t len = static_cast<size_t>(n);
  if (len >= sizeof s.line) {
    // vsnprintf cut the line at the buffer; do not leave half a character.
    len = Utf8SafeLength(s.line, sizeof s.line - 1);
    s.line[len] = '\0';
  }
  if (s.echo) std::fwrite(s.line, 1, len, stderr);
  std::fwrite(s.line, 1, len, s.file);
  // Every line reaches the file at once: the last lines before a crash or a
  // kill are the ones that explain it.
  std::fflush(s.file);
  ++s.lineCounter;
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
