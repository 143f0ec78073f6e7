#include "sound/DXClass.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/Platform.h"

namespace {

std::string LowerCase(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return Text;
}

// The libraries loaded so far, each once, unloaded when the program ends. This is the one piece
// of run-wide state of the sound code: a library must not be loaded again for every device.
class TLibraryCache {
public:
  ~TLibraryCache() {
    for (auto& entry : FLibraries) PlatformUnloadLibrary(entry.second);
  }
  void* Get(const std::string& Name) {
    const std::string key = LowerCase(Name);
    auto found = FLibraries.find(key);
    if (found != FLibraries.end()) return found->second;
    void* library = PlatformLoadLibrary(Name);
    if (library) FLibraries.emplace(key, library);
    return library;
  }

private:
  std::map<std::string, void*> FLibraries;
};

} // namespace

void* LoadProc(const std::string& LibraryName, const std::string& ProcName) {
  static TLibraryCache cache;
  void* library = cache.Get(LibraryName);
  void* proc = library ? PlatformLoadFunction(library, ProcName) : nullptr;
  if (!proc) throw std::runtime_error(LibraryName + " not loaded");
  return proc;
}

void TDirectX::SetDXResult(int32_t Value) {
  FDXResult = Value;
  if (Value != 0) Check();
}

int32_t THashCollectionItem::Index() const {
  return FCollection ? FCollection->IndexOfItem(this) : -1;
}

int32_t THashCollection::IndexOf(const std::string& Name) const {
  const std::string key = LowerCase(Name);
  for (size_t i = 0; i < FItems.size(); ++i)
    if (LowerCase(FItems[i]->Name()) == key) return int32_t(i);
  return -1;
}

int32_t THashCollection::IndexOfItem(const THashCollectionItem* Item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Item) return int32_t(i);
  return -1;
}
