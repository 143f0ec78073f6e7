#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The common ground of the sound objects: the run-time library loader, the result-carrying base
// of the device and buffer objects, a minimal owner chain of components, and named collection
// items.

// Returns the address of ProcName in the shared library LibraryName, loading the library on
// first use. Libraries are cached by lower-cased name for the rest of the run. Raises
// std::runtime_error("<LibraryName> not loaded") when the library or the name is missing.
void* LoadProc(const std::string& LibraryName, const std::string& ProcName);

class EDirectXError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Base of the device and buffer objects: remembers the result of the last platform call.
class TDirectX {
public:
  virtual ~TDirectX() = default;
  int32_t DXResult() const { return FDXResult; }
  // A non-zero result is handed to Check, which buffers use to notice a lost device.
  void SetDXResult(int32_t Value);

protected:
  virtual void Check() {}

private:
  int32_t FDXResult = 0;
};

// The owner chain of the sound components. The device component looks up its chain for the
// form that holds it; nothing else of a visual component library is needed here.
class TComponent {
public:
  explicit TComponent(TComponent* Owner) : FOwner(Owner) {}
  virtual ~TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  virtual bool IsForm() const { return false; }
  std::string Name;

private:
  TComponent* FOwner;
};

class THashCollection;

// A collection item with a name, found by name (case-insensitively) through its collection.
class THashCollectionItem {
public:
  explicit THashCollectionItem(THashCollection* Collection) : FCollection(Collection) {}
  virtual ~THashCollectionItem() = default;
  THashCollectionItem(const THashCollectionItem&) = delete;
  THashCollectionItem& operator=(const THashCollectionItem&) = delete;

  THashCollection* Collection() const { return FCollection; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  int32_t Index() const;

private:
  THashCollection* FCollection;
  std::string FName;
};

// Items in order, addressed by index or by name. Derived collections make their own items.
class THashCollection {
public:
  virtual ~THashCollection() = default;
  int32_t Count() const { return int32_t(FItems.size()); }
  THashCollectionItem* GetItem(int32_t Index) const { return FItems.at(size_t(Index)).get(); }
  int32_t IndexOf(const std::string& Name) const; // -1 when absent
  int32_t IndexOfItem(const THashCollectionItem* Item) const;
  void Clear() { FItems.clear(); }

protected:
  void AddItem(std::unique_ptr<THashCollectionItem> Item) { FItems.push_back(std::move(Item)); }

private:
  std::vector<std::unique_ptr<THashCollectionItem>> FItems;
};
