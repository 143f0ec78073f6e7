// Reads back what a built program carries, for tests/windows/wine-tests.sh:
//
//   resource_probe resources FILE   the icon group's images (size, bits, whether Windows decodes
//                                   it), the version strings and the manifest, one per line
//   resource_probe console EXE ARGS starts EXE with ARGS on a console of its own, handing down
//                                   no standard handles (as Windows starts a GUI program from
//                                   cmd), and prints its exit status and the text it left on
//                                   the console
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::wstring& Text) {
  if (Text.empty()) return {};
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, Text.data(), int(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.data(), int(Text.size()), out.data(), bytes, nullptr,
                      nullptr);
  return out;
}

#pragma pack(push, 2)
struct TGroupEntry { // one image of an RT_GROUP_ICON resource
  BYTE Width, Height, Colours, Reserved;
  WORD Planes, Bits;
  DWORD Bytes;
  WORD Id;
};
#pragma pack(pop)

bool LoadResourceData(HMODULE Module, LPCWSTR Name, LPCWSTR Type, const BYTE*& Data, DWORD& Size) {
  HRSRC found = FindResourceW(Module, Name, Type);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(Module, found);
  if (!loaded) return false;
  Data = static_cast<const BYTE*>(LockResource(loaded));
  Size = SizeofResource(Module, found);
  return Data != nullptr;
}

int Resources(const wchar_t* File) {
  HMODULE module = LoadLibraryExW(File, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    std::printf("error cannot open the file (%lu)\n", GetLastError());
    return 1;
  }
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (LoadResourceData(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14), data, size) &&
      size >= 6) {
    const WORD count = *reinterpret_cast<const WORD*>(data + 4);
    for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(TGroupEntry) <= size; ++i) {
      const auto* entry = reinterpret_cast<const TGroupEntry*>(data + 6 + i * sizeof(TGroupEntry));
      const int width = entry->Width ? entry->Width : 256;
      const BYTE* image = nullptr;
      DWORD imageSize = 0;
      bool decoded = false;
      if (LoadResourceData(module, MAKEINTRESOURCEW(entry->Id), MAKEINTRESOURCEW(3), image,
                           imageSize)) {
        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), imageSize, TRUE, 0x00030000,
                                              width, width, LR_DEFAULTCOLOR);
        decoded = icon != nullptr;
        if (icon) DestroyIcon(icon);
      }
      std::printf("icon %dx%d %d-bit %s\n", width, entry->Height ? entry->Height : 256, entry->Bits,
                  decoded ? "decoded" : "not decoded");
    }
  }
  if (LoadResourceData(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24), data, size))
    std::printf("manifest %s\n", std::string(reinterpret_cast<const char*>(data), size).c_str());
  FreeLibrary(module);

  DWORD ignored = 0;
  const DWORD infoSize = GetFileVersionInfoSizeW(File, &ignored);
  std::vector<BYTE> info(infoSize);
  if (infoSize && GetFileVersionInfoW(File, 0, infoSize, info.data())) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
      std::printf("fixed %u.%u.%u.%u\n", unsigned(HIWORD(fixed->dwFileVersionMS)),
                  unsigned(LOWORD(fixed->dwFileVersionMS)),
                  unsigned(HIWORD(fixed->dwFileVersionLS)),
                  unsigned(LOWORD(fixed->dwFileVersionLS)));
    for (const wchar_t* name : {L"ProductName", L"FileDescription", L"FileVersion",
                                L"ProductVersion", L"CompanyName", L"LegalCopyright"}) {
      wchar_t* value = nullptr;
      const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
      if (VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) &&
          value)
        std::printf("version %s=%s\n", Narrow(name).c_str(), Narrow(value).c_str());
    }
  }
  return 0;
}

int Console(int Count, wchar_t** Args) {
  FreeConsole();
  if (!AllocConsole()) {
    std::printf("error no console (%lu)\n", GetLastError());
    return 1;
  }
  std::wstring line = L"\"" + std::wstring(Args[0]) + L"\"";
  for (int i = 1; i < Count; ++i) line += L" " + std::wstring(Args[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // No standard handles at all: what a GUI program started from cmd finds on Windows (Wine would
  // otherwise hand the console's handles down, and the attaching would go untested).
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nullptr;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::printf("error cannot start the program (%lu)\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  HANDLE screen =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO buffer{};
  if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &buffer)) {
    std::printf("error cannot read the console\n");
    return 1;
  }
  std::printf("status %lu\n", status);
  // The lines up to the cursor's, each trimmed of the blanks that fill the row.
  std::vector<wchar_t> row(size_t(buffer.dwSize.X));
  for (SHORT y = 0; y <= buffer.dwCursorPosition.Y; ++y) {
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, row.data(), DWORD(row.size()), COORD{0, y}, &read);
    std::wstring text(row.data(), read);
    text.erase(text.find_last_not_of(L' ') + 1);
    std::printf("console %s\n", Narrow(text).c_str());
  }
  return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"resources") return Resources(argv[2]);
  if (argc >= 3 && std::wstring(argv[1]) == L"console") return Console(argc - 2, argv + 2);
  std::fprintf(stderr, "usage: resource_probe resources FILE | console EXE [ARGS]\n");
  return 2;
}
