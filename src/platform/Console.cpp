#include "platform/Console.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>

namespace {

// A standard handle that already leads somewhere (a file, a pipe, a console) is left alone.
bool Redirected(DWORD Which) {
  const HANDLE handle = GetStdHandle(Which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Reopens the C stream on the console and makes the Win32 handle match, so that both stdio
// (and the iostreams synchronised with it) and code writing to the handle reach the console.
void PointAtConsole(std::FILE* Stream, DWORD Which) {
  if (std::freopen("CONOUT$", "w", Stream) == nullptr) return;
  std::setvbuf(Stream, nullptr, Stream == stderr ? _IONBF : _IOLBF, BUFSIZ);
  const HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (console != INVALID_HANDLE_VALUE) SetStdHandle(Which, console);
}

} // namespace

void AttachParentConsole() {
  const bool outRedirected = Redirected(STD_OUTPUT_HANDLE);
  const bool errRedirected = Redirected(STD_ERROR_HANDLE);
  if (outRedirected && errRedirected) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return; // Explorer, or a parent with no console
  if (!outRedirected) PointAtConsole(stdout, STD_OUTPUT_HANDLE);
  if (!errRedirected) PointAtConsole(stderr, STD_ERROR_HANDLE);
}

#else

void AttachParentConsole() {}

#endif
