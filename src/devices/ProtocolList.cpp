#include "devices/ProtocolList.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/IniFile.h"

namespace tenvarra {

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

TMoBaBaseProtocolList::TMoBaBaseProtocolList(std::string SectionPrefix, std::string SectionFormat,
                                             std::string IndexSection, bool OwnsItems,
                                             TMoBaProfiles* Store)
    : FOwnsItems(OwnsItems),
      FProfileItem(std::make_unique<TMoBaProfileItem>(Store)),
      FSectionPrefix(std::move(SectionPrefix)),
      FSectionFormat(std::move(SectionFormat)),
      FIndexSection(std::move(IndexSection)) {
  InstallProfileHandlers();
}

TMoBaBaseProtocolList::~TMoBaBaseProtocolList() {
  FProfileItem.reset();  // leave the store before the items go
  Clear();
}

std::string TMoBaBaseProtocolList::SectionName(int32_t Index) const {
  std::string name = FSectionFormat;
  const auto pos = name.find("%d");
  if (pos != std::string::npos) name.replace(pos, 2, std::to_string(Index));
  return name;
}

TMoBaBaseProtocol* TMoBaBaseProtocolList::Items(int32_t Index) const {
  return Index >= 0 && Index < Count() ? FItems[Index] : nullptr;
}

int32_t TMoBaBaseProtocolList::IndexOf(const TMoBaBaseProtocol* Item) const {
  const auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<int32_t>(it - FItems.begin());
}

int32_t TMoBaBaseProtocolList::AddItem(std::unique_ptr<TMoBaBaseProtocol> Item) {
  if (!FOwnsItems)
    throw std::logic_error("a protocol list that does not own its items cannot take one over");
  FItems.push_back(Item.release());
  FModified = true;
  return Count() - 1;
}

int32_t TMoBaBaseProtocolList::AddItemReference(TMoBaBaseProtocol* Item) {
  if (FOwnsItems)
    throw std::logic_error("a protocol list that owns its items needs them handed over");
  FItems.push_back(Item);
  FModified = true;
  return Count() - 1;
}

void TMoBaBaseProtocolList::Delete(int32_t Index) {
  if (Index < 0 || Index >= Count()) return;
  TMoBaBaseProtocol* item = FItems[Index];
  FItems.erase(FItems.begin() + Index);
  if (FOwnsItems) delete item;
}

std::unique_ptr<TMoBaBaseProtocol> TMoBaBaseProtocolList::Extract(int32_t Index) {
  if (!FOwnsItems || Index < 0 || Index >= Count()) return nullptr;
  std::unique_ptr<TMoBaBaseProtocol> item(FItems[Index]);
  FItems.erase(FItems.begin() + Index);
  return item;
}

void TMoBaBaseProtocolList::Clear() {
  std::vector<TMoBaBaseProtocol*> items;
  items.swap(FItems);
  if (FOwnsItems)
    for (TMoBaBaseProtocol* item : items) delete item;
}

void TMoBaBaseProtocolList::SaveToIni(TIniFile& IniFile) {
  for (const std::string& key : IniFile.ReadSection(FIndexSection))
    if (StartsWith(key, FSectionPrefix)) IniFile.EraseSection(key);
  IniFile.EraseSection(FIndexSection);
  for (int32_t i = 0; i < Count(); ++i) IniFile.WriteString(FIndexSection, SectionName(i), "");
  for (int32_t i = 0; i < Count(); ++i) FItems[i]->SaveToIni(IniFile, SectionName(i));
  FModified = false;
}

void TMoBaBaseProtocolList::LoadFromIni(const TIniFile& IniFile) {
  if (!FOwnsItems)
    throw std::logic_error("a protocol list that does not own its items cannot load them");
  Clear();
  for (const std::string& key : IniFile.ReadSection(FIndexSection)) {
    if (!StartsWith(key, FSectionPrefix)) continue;
    std::unique_ptr<TMoBaBaseProtocol> item = CreateItem();
    item->LoadFromIni(IniFile, key);
    AddItem(std::move(item));
  }
  FModified = false;
}

void TMoBaBaseProtocolList::InstallProfileHandlers() {
  // Without a current profile there is nothing to read or write; the list is left as it is.
  FProfileItem->OnNew = [this](TMoBaProfileItem&) {
    Clear();
    FModified = false;
  };
  FProfileItem->OnLoad = [this](TMoBaProfileItem& sender) {
    if (const TIniFile* ini = sender.IniFile()) LoadFromIni(*ini);
  };
  FProfileItem->OnSave = [this](TMoBaProfileItem& sender) {
    if (TIniFile* ini = sender.IniFile()) SaveToIni(*ini);
  };
  FProfileItem->OnQueryModified = [this](TMoBaProfileItem&, bool& modified) {
    modified = FModified;
  };
  FProfileItem->OnClearModified = [this](TMoBaProfileItem&) { FModified = false; };
}

// --- TMoBaLocoProtocolList ---------------------------------------------------

TMoBaLocoProtocolList::TMoBaLocoProtocolList(bool OwnsItems, TMoBaProfiles* Store)
    : TMoBaBaseProtocolList("LocoProtocol", "LocoProtocol%d", "LocoProtocols", OwnsItems, Store) {
}

int32_t TMoBaLocoProtocolList::Add(std::unique_ptr<TMoBaLocoProtocol> Item) {
  return AddItem(std::move(Item));
}

int32_t TMoBaLocoProtocolList::AddReference(TMoBaLocoProtocol* Item) {
  return AddItemReference(Item);
}

TMoBaLocoProtocol* TMoBaLocoProtocolList::Items(int32_t Index) const {
  // Only loco protocols enter this list (Add and CreateItem).
  return static_cast<TMoBaLocoProtocol*>(TMoBaBaseProtocolList::Items(Index));
}

std::unique_ptr<TMoBaBaseProtocol> TMoBaLocoProtocolList::CreateItem() const {
  return std::make_unique<TMoBaLocoProtocol>();
}

std::unique_ptr<TMoBaBaseProtocolList> TMoBaLocoProtocolList::Create() const {
  return std::make_unique<TMoBaLocoProtocolList>();
}

// --- TMoBaSolenoidProtocolList -----------------------------------------------

TMoBaSolenoidProtocolList::TMoBaSolenoidProtocolList(bool OwnsItems, TMoBaProfiles* Store)
    : TMoBaBaseProtocolList("SolenoidProtocol", "SolenoidProtocol%d", "SolenoidProtocols",
                            OwnsItems, Store) {}

int32_t TMoBaSolenoidProtocolList::Add(std::unique_ptr<TMoBaSolenoidProtocol> Item) {
  return AddItem(std::move(Item));
}

int32_t TMoBaSolenoidProtocolList::AddReference(TMoBaSolenoidProtocol* Item) {
  return AddItemReference(Item);
}

TMoBaSolenoidProtocol* TMoBaSolenoidProtocolList::Items(int32_t Index) const {
  return static_cast<TMoBaSolenoidProtocol*>(TMoBaBaseProtocolList::Items(Index));
}

std::unique_ptr<TMoBaBaseProtocol> TMoBaSolenoidProtocolList::CreateItem() const {
  return std::make_unique<TMoBaSolenoidProtocol>();
}

std::unique_ptr<TMoBaBaseProtocolList> TMoBaSolenoidProtocolList::Create() const {
  return std::make_unique<TMoBaSolenoidProtocolList>();
}

}  // namespace tenvarra
