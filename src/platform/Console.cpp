#include "platform/Console.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

// A standard handle that already leads somewhere (a file, a pipe, a console) is left alone.
bool Redirected(DWORD Which) {
  const HANDLE handle = GetStdHandle(Which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Points the C stream (and the iostreams synchronised with it) and the Win32 handle at the
// console.
void PointAtConsole(std::FILE* Stream, DWORD Which) {
  if (std::freopen("CONOUT$", "w", Stream) == nullptr) {
#ifdef _UCRT
    return;
#else
    // Wine's C runtime reopens no stream that has no descriptor, which is how a GUI program's
    // streams start. MSVCRT's FILE is an open record, so the stream takes over one opened on the
    // console's handle instead (that record is left open for good).
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (console == INVALID_HANDLE_VALUE) return;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(console), _O_TEXT);
    if (descriptor < 0) {
      CloseHandle(console);
      return;
    }
    std::FILE* opened = _fdopen(descriptor, "w");
    if (opened == nullptr) {
      _close(descriptor);
      return;
    }
    *Stream = *opened;
#endif
  }
  std::setvbuf(Stream, nullptr, Stream == stderr ? _IONBF : _IOLBF, BUFSIZ);
  SetStdHandle(Which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(Stream))));
}

} // namespace

void AttachParentConsole() {
  const bool outRedirected = Redirected(STD_OUTPUT_HANDLE);
  const bool errRedirected = Redirected(STD_ERROR_HANDLE);
  if (outRedirected && errRedirected) return;
  // Access is denied when the program already has a console (Wine gives a GUI program its
  // parent's); that console is the one to write to. Any other failure: Explorer, or a parent
  // with no console.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
  if (!outRedirected) PointAtConsole(stdout, STD_OUTPUT_HANDLE);
  if (!errRedirected) PointAtConsole(stderr, STD_ERROR_HANDLE);
}

#else

void AttachParentConsole() {}

#endif
