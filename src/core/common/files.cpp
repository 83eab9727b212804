#include "common/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tq {

FileRead read_regular_file(const std::string& path, std::size_t max_bytes) {
  FileRead out;
  // Non-blocking, so that a FIFO put in the file's place cannot hold anything up.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    out.missing = errno == ENOENT;
    out.error = std::strerror(errno);
    return out;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    out.error = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    out.error = "it is not a regular file";
  } else {
    out.content.resize(max_bytes + 1);
    std::size_t got = 0;
    while (got < out.content.size()) {
      const ssize_t n = ::read(fd, out.content.data() + got, out.content.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) out.error = std::strerror(errno);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    out.content.resize(got);
    if (out.error.empty() && got > max_bytes) {
      out.error = max_bytes >= 1024 * 1024
                      ? "it is larger than " + std::to_string(max_bytes / (1024 * 1024)) + " MB"
                      : "it is larger than " + std::to_string(max_bytes / 1024) + " KB";
    }
  }
  ::close(fd);
  if (!out.error.empty()) out.content.clear();
  return out;
}

namespace {

// The file a save replaces: the file itself, or the one its link points to.
std::filesystem::path save_target(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    auto target = std::filesystem::weakly_canonical(path, ec);
    if (!ec) return target;
  }
  return path;
}

mode_t mode_for(const std::filesystem::path& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::optional<std::string> replace_file(const std::string& path, std::string_view content) {
  const std::filesystem::path target = save_target(path);
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
  std::string temp = (dir / (target.filename().string() + ".XXXXXX")).string();
  // A fresh name, created exclusively: nothing planted in the directory is followed or reused.
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return std::strerror(errno);
  int err = ::fchmod(fd, mode_for(target)) == 0 ? 0 : errno;
  for (std::size_t done = 0; err == 0 && done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return std::strerror(err);
  }
  return std::nullopt;
}

}  // namespace tq
