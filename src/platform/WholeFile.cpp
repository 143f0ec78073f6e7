#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

std::string Folder(const std::string& Path) {
  const size_t slash = Path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : Path.substr(0, slash);
}

std::string Reason() {
  return std::strerror(errno);
}

} // namespace

std::string RenameTarget(const std::string& Path) {
  struct stat info;
  if (lstat(Path.c_str(), &info) != 0) return Path; // a new file
  if (S_ISREG(info.st_mode)) return Path;
  if (!S_ISLNK(info.st_mode)) return "";
  if (stat(Path.c_str(), &info) != 0) return Path; // a dangling link is replaced like a new file
  if (!S_ISREG(info.st_mode)) return "";
  char resolved[PATH_MAX];
  if (!realpath(Path.c_str(), resolved)) return Path;
  return resolved;
}

bool WriteAll(int Fd, std::string_view Text) {
  while (!Text.empty()) {
    const ssize_t n = write(Fd, Text.data(), Text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Text.remove_prefix(size_t(n));
  }
  return true;
}

bool WriteWholeFile(const std::string& Path, std::string_view Text, std::string& Error) {
  const std::string target = RenameTarget(Path);
  if (target.empty()) {
    const int fd = open(Path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
      Error = Reason();
      return false;
    }
    const bool written = WriteAll(fd, Text);
    if (!written) Error = Reason();
    if (close(fd) != 0 && written) {
      Error = Reason();
      return false;
    }
    return written;
  }

  // A name of our own beside the target, so the rename stays on one file system.
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = target + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    Error = Reason();
    return false;
  }
  struct stat old;
  bool ok = true;
  if (stat(target.c_str(), &old) == 0) ok = fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, Text) && fsync(fd) == 0;
  if (!ok) Error = Reason();
  if (close(fd) != 0 && ok) {
    Error = Reason();
    ok = false;
  }
  if (ok && rename(temp.c_str(), target.c_str()) != 0) {
    Error = Reason();
    ok = false;
  }
  if (!ok) unlink(temp.c_str());
  return ok;
}

bool CanReplaceFile(const std::string& Path, std::string& Error) {
  struct stat info;
  if (stat(Path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    Error = std::strerror(EISDIR);
    return false;
  }
  const std::string target = RenameTarget(Path);
  if (target.empty()) {
    if (access(Path.c_str(), W_OK) == 0) return true;
    Error = Reason();
    return false;
  }
  if (access(Folder(target).c_str(), W_OK | X_OK) == 0) return true;
  Error = Reason();
  return false;
}
