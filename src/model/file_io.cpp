#include "model/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace vlm {
namespace {

std::string Reason(const char* what, int err) {
  return std::string(what) + ": " + std::strerror(err);
}

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string TemporaryNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937 random{std::random_device{}()};
  return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(random() & 0xFFFFFF);
}

bool WriteAll(int fd, std::string_view text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& text,
                   std::string& error) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    error = Reason("cannot open", errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    error = Reason("cannot stat", errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "not a regular file";
    return false;
  }
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    error = "file too large (" + std::to_string(st.st_size) + " bytes, at most " +
            std::to_string(maxBytes) + ")";
    return false;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  std::string buffer(size, '\0');
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd.get(), buffer.data() + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = Reason("cannot read", errno);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got != size) {
    error = "file changed size while reading";
    return false;
  }
  text = std::move(buffer);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view text, std::string& error) {
  if (path.empty()) {
    error = "empty path";
    return false;
  }
  std::string temporary;
  int raw = -1;
  for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
    temporary = TemporaryNameFor(path);
    // 0666 before the umask, as an ordinary file the user creates.
    raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) break;
  }
  if (raw < 0) {
    error = Reason("cannot create", errno);
    return false;
  }
  Fd fd(raw);
  auto fail = [&](const char* what) {
    error = Reason(what, errno);
    ::close(fd.release());
    ::unlink(temporary.c_str());
    return false;
  };
  if (!WriteAll(fd.get(), text)) return fail("cannot write");
  if (::fsync(fd.get()) != 0) return fail("cannot flush");
  if (::close(fd.release()) != 0) {
    error = Reason("cannot close", errno);
    ::unlink(temporary.c_str());
    return false;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    error = Reason("cannot replace", errno);
    ::unlink(temporary.c_str());
    return false;
  }
  // Make the rename itself durable; the file is in place either way.
  Fd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return true;
}

std::string UserDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/vlm-tuner";
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] ? home : ".") + "/.local/share/vlm-tuner";
}

}  // namespace vlm
