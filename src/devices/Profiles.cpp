#include "devices/Profiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "platform/IniFile.h"

namespace tenvarra {

namespace {

constexpr const char* ProfileExtension = "mpr";

bool IsProfileFileName(const std::string& name) {
  const std::string suffix = std::string(".") + ProfileExtension;
  return name.size() >= suffix.size() &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Directories and other non-files named like a profile cannot be opened as one.
bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The names of the profile files in directory, in the order the file system gives them.
std::vector<std::string> FindProfileFiles(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (IsProfileFileName(name) && IsRegularFile(directory + name)) names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace

// --- TMoBaProfile ------------------------------------------------------------

TMoBaProfile::TMoBaProfile(TMoBaProfiles& Owner, std::string FileName)
    : FOwner(Owner), FFileName(std::move(FileName)) {}

void TMoBaProfile::SetFileName(std::string FileName) {
  FFileName = std::move(FileName);
  FOwner.FileNameChanged();
}

std::string TMoBaProfile::Name() const {
  const auto slash = FFileName.rfind('/');
  return slash == std::string::npos ? FFileName : FFileName.substr(slash + 1);
}

// --- TMoBaProfileItem --------------------------------------------------------

TMoBaProfileItem::TMoBaProfileItem(TMoBaProfiles* Store)
    : FStore(Store ? Store : &MoBaProfiles()) {}

TMoBaProfileItem::~TMoBaProfileItem() { SetActive(false); }

void TMoBaProfileItem::SetActive(bool Value) {
  if (Value == FActive || !FStore) return;
  FActive = Value;
  if (Value)
    FStore->Register(*this);
  else
    FStore->Unregister(*this);
}

TIniFile* TMoBaProfileItem::IniFile() const {
  return FActive && FStore ? FStore->IniFile() : nullptr;
}

// --- TMoBaProfiles -----------------------------------------------------------

TMoBaProfiles::TMoBaProfiles() : TMoBaProfiles(".") {}

TMoBaProfiles::TMoBaProfiles(std::string Directory) { SetDirectory(std::move(Directory)); }

TMoBaProfiles::~TMoBaProfiles() {
  // Participants that outlive the store must not reach back into it.
  for (TMoBaProfileItem* item : FParticipants) {
    item->FActive = false;
    item->FStore = nullptr;
  }
}

void TMoBaProfiles::SetDirectory(std::string Path) {
  if (Path.empty() || Path.back() != '/') Path += '/';
  FDirectory = std::move(Path);
  Rescan();
}

void TMoBaProfiles::Rescan() {
  std::string remembered;
  if (!FProfiles.empty()) {
    if (const TMoBaProfile* current = Current()) remembered = current->Name();
  }
  FProfiles.clear();
  FCurrentIndex = -1;

  for (const std::string& name : FindProfileFiles(FDirectory))
    FProfiles.push_back(std::make_unique<TMoBaProfile>(*this, FDirectory + name));

  if (FProfiles.empty()) {
    FProfiles.push_back(
        std::make_unique<TMoBaProfile>(*this, FDirectory + "Default." + ProfileExtension));
    FCurrentIndex = 0;
  } else if (remembered.empty()) {
    FCurrentIndex = 0;
  } else {
    for (int32_t i = 0; i < Count(); ++i)
      if (FProfiles[i]->Name() == remembered) {
        FCurrentIndex = i;
        break;
      }
  }
  if (FIniFile && (!Current() || FIniFile->FileName() != Current()->FileName())) FIniFile.reset();
}

TMoBaProfile* TMoBaProfiles::Items(int32_t Index) const {
  return Index >= 0 && Index < Count() ? FProfiles[Index].get() : nullptr;
}

void TMoBaProfiles::SetCurrentIndex(int32_t Index) {
  if (Index < -1 || Index >= Count()) return;
  FCurrentIndex = Index;
}

TIniFile* TMoBaProfiles::IniFile() {
  const TMoBaProfile* current = Current();
  if (!current) return nullptr;
  // A change of the current profile must not leave the previous profile's file open.
  if (!FIniFile || FIniFile->FileName() != current->FileName())
    FIniFile = std::make_unique<TIniFile>(current->FileName());
  return FIniFile.get();
}

void TMoBaProfiles::FileNameChanged() {
  FIniFile.reset();
  if (FCurrentIndex >= 0) IniFile();
}

TMoBaProfileItem* TMoBaProfiles::Participants(int32_t Index) const {
  return Index >= 0 && Index < ParticipantCount() ? FParticipants[Index] : nullptr;
}

void TMoBaProfiles::Register(TMoBaProfileItem& Item) {
  if (std::find(FParticipants.begin(), FParticipants.end(), &Item) == FParticipants.end())
    FParticipants.push_back(&Item);
}

void TMoBaProfiles::Unregister(TMoBaProfileItem& Item) {
  FParticipants.erase(std::remove(FParticipants.begin(), FParticipants.end(), &Item),
                      FParticipants.end());
}

void TMoBaProfiles::ForEachParticipant(const std::function<void(TMoBaProfileItem&)>& Action) {
  // A handler may make participants leave; work on a snapshot and skip those gone.
  const std::vector<TMoBaProfileItem*> snapshot = FParticipants;
  for (TMoBaProfileItem* item : snapshot)
    if (std::find(FParticipants.begin(), FParticipants.end(), item) != FParticipants.end())
      Action(*item);
}

void TMoBaProfiles::NewProfile() {
  ForEachParticipant([](TMoBaProfileItem& item) {
    if (item.OnNew) item.OnNew(item);
  });
}

void TMoBaProfiles::LoadProfile() {
  ForEachParticipant([](TMoBaProfileItem& item) {
    if (item.OnLoad) item.OnLoad(item);
  });
}

void TMoBaProfiles::SaveProfile() {
  ForEachParticipant([](TMoBaProfileItem& item) {
    if (item.OnSave) item.OnSave(item);
  });
}

bool TMoBaProfiles::QueryModified() {
  bool any = false;
  ForEachParticipant([&any](TMoBaProfileItem& item) {
    bool modified = false;
    if (item.OnQueryModified) item.OnQueryModified(item, modified);
    any = any || modified;
  });
  return any;
}

void TMoBaProfiles::ClearModified() {
  ForEachParticipant([](TMoBaProfileItem& item) {
    if (item.OnClearModified) item.OnClearModified(item);
  });
}

TMoBaProfiles& MoBaProfiles() {
  static TMoBaProfiles store;
  return store;
}

}  // namespace tenvarra
