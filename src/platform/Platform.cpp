#include "platform/Platform.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
bool headlessMessages = false;

bool DisplayAvailable() {
  if (headlessMessages) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) {
    // Video is not up: only try a box when an X or Wayland display is named.
    return SDL_getenv("DISPLAY") != nullptr || SDL_getenv("WAYLAND_DISPLAY") != nullptr;
  }
  return std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}
} // namespace

void SetHeadlessMessages(bool Headless) {
  headlessMessages = Headless;
}

void SayPlatformReason(const std::string& Call) {
  const char* reason = SDL_GetError();
  std::fprintf(stderr, "%s: %s\n", Call.c_str(), reason && *reason ? reason : "no reason given");
  std::fflush(stderr);
}

void ShowErrorBox(const std::string& Text) {
  std::fprintf(stderr, "Error: %s\n", Text.c_str());
  std::fflush(stderr);
  if (DisplayAvailable())
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "Error", Text.c_str(), nullptr);
}

std::string GameFolder(const std::string& File) {
  char* base = SDL_GetBasePath();
  if (base == nullptr) return "./";
  std::string folder(base);
  SDL_free(base);
  // A build keeps its data beside the executable; an install keeps it in <prefix>/share/gloopa
  // beside <prefix>/bin.
  auto holds = [&File](const std::string& Folder) {
    std::FILE* file = std::fopen((Folder + File).c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
  };
  if (holds(folder)) return folder;
  const std::string installed = folder + "../share/gloopa/";
  if (holds(installed)) return installed;
  return folder;
}

bool PlatformSetDefaultEnvironment(const std::string& Name, const std::string& Value) {
  if (std::getenv(Name.c_str()) != nullptr) return false;
#ifdef _WIN32
  // The C runtime's copy of the environment, which getenv reads in the libraries too, and the
  // process's own block.
  SetEnvironmentVariableA(Name.c_str(), Value.c_str());
  return _putenv_s(Name.c_str(), Value.c_str()) == 0;
#else
  return setenv(Name.c_str(), Value.c_str(), 0) == 0;
#endif
}

void* PlatformLoadLibrary(const std::string& Name) {
  return SDL_LoadObject(Name.c_str());
}

void* PlatformLoadFunction(void* Library, const std::string& Name) {
  return Library ? SDL_LoadFunction(Library, Name.c_str()) : nullptr;
}

void PlatformUnloadLibrary(void* Library) {
  if (Library) SDL_UnloadObject(Library);
}

void PlatformSleep(unsigned Milliseconds) {
  SDL_Delay(Milliseconds);
}

void PlatformKeepFreedMemory() {
#if defined(__GLIBC__)
  // Free memory at the top of the heap is kept up to 256 MB, and blocks of up to 32 MB (the
  // largest the library allows) come from the heap rather than from maps of their own, which
  // would be unmapped on every free.
  mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
#endif
}

std::string PlayerFilePath(const char* XdgVariable, const char* HomeFolder,
                           const std::string& Leaf) {
#ifdef _WIN32
  (void)XdgVariable;
  (void)HomeFolder;
  const char* appData = std::getenv("APPDATA");
  if (appData && *appData) return std::string(appData) + "\\Gloopa\\" + Leaf;
  return "";
#else
  const char* xdg = std::getenv(XdgVariable);
  if (xdg && *xdg == '/') return std::string(xdg) + "/gloopa/" + Leaf;
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/" + HomeFolder + "/gloopa/" + Leaf;
  return "";
#endif
}
