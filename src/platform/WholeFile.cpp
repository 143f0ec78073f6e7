#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Folder(const std::string& Path) {
  const fs::path folder = fs::path(Path).parent_path();
  return folder.empty() ? "." : folder.string();
}

std::string Reason() {
  return std::strerror(errno);
}

#ifdef _WIN32
int ProcessId() {
  return _getpid();
}
bool MayWrite(const std::string& Path, bool) {
  return _access(Path.c_str(), 2) == 0;
}
#else
int ProcessId() {
  return int(getpid());
}
bool MayWrite(const std::string& Path, bool IsFolder) {
  return access(Path.c_str(), IsFolder ? W_OK | X_OK : W_OK) == 0;
}
#endif

} // namespace

#ifdef _WIN32
int OpenForWriting(const std::string& Path, bool Exclusive) {
  return _open(Path.c_str(),
               _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (Exclusive ? _O_EXCL : _O_TRUNC),
               _S_IREAD | _S_IWRITE);
}
#else
int OpenForWriting(const std::string& Path, bool Exclusive) {
  return open(Path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (Exclusive ? O_EXCL : O_TRUNC), 0666);
}
#endif

bool WriteAll(int Fd, std::string_view Text) {
  while (!Text.empty()) {
#ifdef _WIN32
    // The C runtime writes at most an unsigned int's worth at a time.
    const int n = _write(Fd, Text.data(), unsigned(std::min<size_t>(Text.size(), 1u << 30)));
#else
    const ssize_t n = write(Fd, Text.data(), Text.size());
#endif
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Text.remove_prefix(size_t(n));
  }
  return true;
}

#ifdef _WIN32
constexpr auto SyncCall = _commit;
constexpr auto CloseCall = _close;
#else
constexpr auto SyncCall = fsync;
constexpr auto CloseCall = close;
#endif

bool SyncFile(int Fd) {
#ifdef __EMSCRIPTEN__
  // The page keeps the game's files in the browser's storage: a file made durable asks it to store
  // what changed, once the game's frame has returned (Module.gloopaStore, in the page).
  EM_ASM({
    if (Module.gloopaStore) Module.gloopaStore();
  });
#endif
  return SyncCall(Fd) == 0;
}

bool CloseFile(int Fd) {
  return CloseCall(Fd) == 0;
}

bool ReplaceFile(const std::string& From, const std::string& To) {
  // std::filesystem renames over an existing file on every platform (plain rename does not on
  // Windows).
  std::error_code error;
  fs::rename(From, To, error);
  if (error) errno = error.value();
  return !error;
}

void RemoveFile(const std::string& Path) {
  std::error_code ignored;
  fs::remove(Path, ignored);
}

std::string RenameTarget(const std::string& Path) {
  std::error_code error;
  const fs::file_status link = fs::symlink_status(Path, error);
  if (error || !fs::exists(link)) return Path; // a new file
  if (fs::is_regular_file(link)) return Path;
  if (!fs::is_symlink(link)) return "";
  const fs::file_status target = fs::status(Path, error);
  if (error || !fs::exists(target)) return Path; // a dangling link is replaced like a new file
  if (!fs::is_regular_file(target)) return "";
  const fs::path resolved = fs::canonical(Path, error);
  return error ? Path : resolved.string();
}

bool WriteWholeFile(const std::string& Path, std::string_view Text, std::string& Error) {
  const std::string target = RenameTarget(Path);
  if (target.empty()) {
    const int fd = OpenForWriting(Path, false);
    if (fd < 0) {
      Error = Reason();
      return false;
    }
    const bool written = WriteAll(fd, Text);
    if (!written) Error = Reason();
    if (!CloseFile(fd) && written) {
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
    temp = target + "." + std::to_string(ProcessId()) + "." + std::to_string(counter++) + ".tmp";
    fd = OpenForWriting(temp, true);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    Error = Reason();
    return false;
  }
  bool ok = WriteAll(fd, Text) && SyncFile(fd);
  if (!ok) Error = Reason();
  if (!CloseFile(fd) && ok) {
    Error = Reason();
    ok = false;
  }
  // An existing file keeps its permissions.
  std::error_code error;
  const fs::file_status old = fs::status(target, error);
  if (ok && !error && fs::exists(old)) {
    fs::permissions(temp, old.permissions(), error);
    if (error) {
      Error = error.message();
      ok = false;
    }
  }
  if (ok && !ReplaceFile(temp, target)) {
    Error = Reason();
    ok = false;
  }
  if (!ok) RemoveFile(temp);
  return ok;
}

bool CanReplaceFile(const std::string& Path, std::string& Error) {
  std::error_code error;
  if (fs::is_directory(Path, error)) {
    Error = std::strerror(EISDIR);
    return false;
  }
  const std::string target = RenameTarget(Path);
  if (target.empty()) {
    if (MayWrite(Path, false)) return true;
    Error = Reason();
    return false;
  }
  if (MayWrite(Folder(target), true)) return true;
  Error = Reason();
  return false;
}

bool MakeFolderFor(const std::string& Path, std::string& Error) {
  const std::filesystem::path folder = std::filesystem::path(Path).parent_path();
  if (folder.empty()) return true;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error) return true;
  Error = error.message();
  return false;
}
