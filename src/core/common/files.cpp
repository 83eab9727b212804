#include "common/files.hpp"

#include <fcntl.h>
#include <sys/file.h>
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

// The file a save replaces: the file itself, or the one its links lead to, even where that does
// not exist yet (a dangling link stays a link). Empty, with `why`, for a loop of links.
std::filesystem::path save_target(const std::string& path, std::string& why) {
  std::filesystem::path p = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(p, ec)) return p;
    const std::filesystem::path link = std::filesystem::read_symlink(p, ec);
    if (ec) return p;
    p = link.is_absolute() ? link : p.parent_path() / link;
  }
  why = "it is a loop of symbolic links";
  return {};
}

mode_t mode_for(const struct stat* existing) {
  if (existing != nullptr) return existing->st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// What a save cannot do to the file there: replace something that is not a regular file, or
// break the file's other hard links.
std::optional<std::string> unsafe_to_replace(const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return "it is not a regular file (a FIFO, a device or a directory)";
  if (st.st_nlink > 1) {
    return "it has " + std::to_string(st.st_nlink - 1) +
           " other hard link(s), which replacing it would break";
  }
  return std::nullopt;
}

// Temporary files of saves that were killed before their rename: each live save holds a lock on
// its own, so one whose lock can be taken belongs to nobody.
void remove_abandoned_temporaries(const std::filesystem::path& dir, const std::string& prefix) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string file = entry.path().filename().string();
    if (file.size() != prefix.size() + 6 || !file.starts_with(prefix)) continue;
    if (!entry.is_regular_file(ec) || entry.is_symlink(ec)) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(entry.path().c_str());
    ::close(fd);
  }
}

void sync_directory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::optional<std::string> replace_file(const std::string& path, std::string_view content) {
  std::string why;
  const std::filesystem::path target = save_target(path, why);
  if (target.empty()) return why;
  struct stat st {};
  const bool exists = ::lstat(target.c_str(), &st) == 0;
  if (exists) {
    if (auto problem = unsafe_to_replace(st)) return problem;
  }
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
  // Saves in one directory take turns: another save's clean-up never sees this one's temporary
  // before it is locked, and two saves of one file both succeed, the later one last.
  const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) ::flock(dir_fd, LOCK_EX);
  struct DirLock {
    int fd;
    ~DirLock() {
      if (fd >= 0) ::close(fd);  // closing releases the lock
    }
  } dir_lock{dir_fd};
  // A name no dealer's file has, so that only a save's own leftovers are ever cleaned up.
  const std::string prefix = "." + target.filename().string() + kSaveTempTag;
  remove_abandoned_temporaries(dir, prefix);
  std::string temp = (dir / (prefix + "XXXXXX")).string();
  // A fresh name, created exclusively: nothing planted in the directory is followed or reused.
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return std::strerror(errno);
  ::flock(fd, LOCK_EX);  // ours while we live; released when a killed save's process ends
  int err = ::fchmod(fd, mode_for(exists ? &st : nullptr)) == 0 ? 0 : errno;
  for (std::size_t done = 0; err == 0 && done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) ::unlink(temp.c_str());
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) return std::strerror(err);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);  // the rename itself survives a power cut
  } else {
    sync_directory(dir);
  }
  return std::nullopt;
}

FileUpdateLock::FileUpdateLock(const std::string& path) {
  const std::filesystem::path file(path);
  const std::filesystem::path lock = (file.has_parent_path() ? file.parent_path() : ".") /
                                     ("." + file.filename().string() + ".tqlock");
  fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  // Without a lock file (a read-only directory) the update goes on; its save then fails anyway.
  if (fd_ >= 0) ::flock(fd_, LOCK_EX);
}

FileUpdateLock::~FileUpdateLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::string not_saved(std::string_view what, std::string_view path, std::string_view why) {
  return "The " + std::string(what) + " could not be saved to " + std::string(path) + ": " +
         std::string(why) + ". The file was left as it was.";
}

}  // namespace tq
