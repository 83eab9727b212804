#pragma once
// Small files read and replaced safely: the preferences file and deal files.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tq {

inline constexpr const char* kSaveTempTag = ".tqsave-";

struct FileRead {
  std::string content;
  std::string error;     // why it could not be read; empty when it was
  bool missing = false;  // it does not exist (error says so too)
};

// Reads a regular file of at most max_bytes. Anything else (a FIFO, a device, a directory, a
// larger file) is refused without blocking or reading on.
FileRead read_regular_file(const std::string& path, std::size_t max_bytes);

// Replaces the file's content: a temporary file created under a fresh name beside it
// (".NAME.tqsave-XXXXXX"), written, synced and renamed over it, and the directory synced, so the
// old content stays whole until the new one is. A link, even a dangling one, is kept and the file
// it leads to written. A FIFO, a device, a loop of links or a file with other hard links is
// refused. Temporary files of killed saves are removed. Returns why it failed; the old file is
// then untouched.
std::optional<std::string> replace_file(const std::string& path, std::string_view content);
// "The deal could not be saved to P: why. The file was left as it was.": every failed save
// says so in the same words, and what replace_file keeps.
std::string not_saved(std::string_view what, std::string_view path, std::string_view why);

// Held while a file is read, changed and replaced, so that two programs updating it take turns
// and neither loses the other's change: a lock on ".NAME.tqlock" beside it, made on first use.
class FileUpdateLock {
 public:
  explicit FileUpdateLock(const std::string& path);
  ~FileUpdateLock();
  FileUpdateLock(const FileUpdateLock&) = delete;
  FileUpdateLock& operator=(const FileUpdateLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace tq
