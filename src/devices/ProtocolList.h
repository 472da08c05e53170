#pragma once
// Ordered lists of protocols that can be kept as sections of a profile.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/Profiles.h"
#include "devices/Protocol.h"

namespace tenvarra {

class TIniFile;

class TMoBaBaseProtocolList {
public:
  virtual ~TMoBaBaseProtocolList();
  TMoBaBaseProtocolList(const TMoBaBaseProtocolList&) = delete;
  TMoBaBaseProtocolList& operator=(const TMoBaBaseProtocolList&) = delete;

  // Whether removed items are destroyed. A list that does not own its items
  // takes them with AddReference; one that does, with Add.
  bool OwnsItems() const { return FOwnsItems; }
  bool Modified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }

  const std::string& SectionPrefix() const { return FSectionPrefix; }
  const std::string& SectionFormat() const { return FSectionFormat; }
  const std::string& IndexSection() const { return FIndexSection; }
  // The section name of item Index.
  std::string SectionName(int32_t Index) const;

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // None outside 0 .. Count-1.
  TMoBaBaseProtocol* Items(int32_t Index) const;
  int32_t IndexOf(const TMoBaBaseProtocol* Item) const;

  // Removes one item; it is destroyed when the list owns its items.
  void Delete(int32_t Index);
  // Removes one item and hands it to the caller; none for a list that does
  // not own its items or an index out of range.
  std::unique_ptr<TMoBaBaseProtocol> Extract(int32_t Index);
  void Clear();

  // A new, empty protocol of the list's kind, not added.
  virtual std::unique_ptr<TMoBaBaseProtocol> CreateItem() const = 0;
  // A new, empty list of this list's class.
  virtual std::unique_ptr<TMoBaBaseProtocolList> Create() const = 0;

  // The list as an index section naming one section per item. Saving first
  // erases every item section the old index names.
  void SaveToIni(TIniFile& IniFile);
  // Replaces the list with the items named by the index section, in key order.
  void LoadFromIni(const TIniFile& IniFile);

  // The list's participant in the profile store; inactive unless a caller
  // activates it.
  TMoBaProfileItem& ProfileItem() { return *FProfileItem; }

protected:
  TMoBaBaseProtocolList(std::string SectionPrefix, std::string SectionFormat,
                        std::string IndexSection, bool OwnsItems, TMoBaProfiles* Store);

  int32_t AddItem(std::unique_ptr<TMoBaBaseProtocol> Item);
  int32_t AddItemReference(TMoBaBaseProtocol* Item);

private:
  void InstallProfileHandlers();

  bool FOwnsItems;
  bool FModified = false;
  std::unique_ptr<TMoBaProfileItem> FProfileItem;
  std::string FSectionPrefix;
  std::string FSectionFormat;
  std::string FIndexSection;
  std::vector<TMoBaBaseProtocol*> FItems;  // destroyed by the list when FOwnsItems
};

class TMoBaLocoProtocolList : public TMoBaBaseProtocolList {
public:
  // Store is the profile store of the list's participant (default: MoBaProfiles()).
  explicit TMoBaLocoProtocolList(bool OwnsItems = true, TMoBaProfiles* Store = nullptr);

  // Appends and sets Modified. Add on an owning list, AddReference on one that
  // is not; the other call is refused with std::logic_error.
  int32_t Add(std::unique_ptr<TMoBaLocoProtocol> Item);
  int32_t AddReference(TMoBaLocoProtocol* Item);
  TMoBaLocoProtocol* Items(int32_t Index) const;

  std::unique_ptr<TMoBaBaseProtocol> CreateItem() const override;
  std::unique_ptr<TMoBaBaseProtocolList> Create() const override;
};

class TMoBaSolenoidProtocolList : public TMoBaBaseProtocolList {
public:
  explicit TMoBaSolenoidProtocolList(bool OwnsItems = true, TMoBaProfiles* Store = nullptr);

  int32_t Add(std::unique_ptr<TMoBaSolenoidProtocol> Item);
  int32_t AddReference(TMoBaSolenoidProtocol* Item);
  TMoBaSolenoidProtocol* Items(int32_t Index) const;

  std::unique_ptr<TMoBaBaseProtocol> CreateItem() const override;
  std::unique_ptr<TMoBaBaseProtocolList> Create() const override;
};

}  // namespace tenvarra
