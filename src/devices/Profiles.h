#pragma once
// The profile store: a directory of "*.mpr" INI files of which one is current,
// and the participants that keep their data in the current profile.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tenvarra {

class TIniFile;
class TMoBaProfiles;

class TMoBaProfile {
public:
  TMoBaProfile(TMoBaProfiles& Owner, std::string FileName);
  TMoBaProfile(const TMoBaProfile&) = delete;
  TMoBaProfile& operator=(const TMoBaProfile&) = delete;

  const std::string& FileName() const { return FFileName; }
  // The owning store drops its INI file and, with a current profile, opens
  // the current profile's file anew.
  void SetFileName(std::string FileName);
  // The part after the last "/", extension included.
  std::string Name() const;
  TMoBaProfiles& Owner() const { return FOwner; }

private:
  TMoBaProfiles& FOwner;
  std::string FFileName;
};

class TMoBaProfileItem {
public:
  using TProfileEvent = std::function<void(TMoBaProfileItem& Sender)>;
  using TQueryModifiedEvent = std::function<void(TMoBaProfileItem& Sender, bool& Modified)>;

  // A participant of Store; without one, of the process-wide MoBaProfiles().
  explicit TMoBaProfileItem(TMoBaProfiles* Store = nullptr);
  // Leaves the store first.
  ~TMoBaProfileItem();
  TMoBaProfileItem(const TMoBaProfileItem&) = delete;
  TMoBaProfileItem& operator=(const TMoBaProfileItem&) = delete;

  bool Active() const { return FActive; }
  // Registers with the store (true) or leaves it (false).
  void SetActive(bool Value);
  // The current profile's INI file while active; none when inactive or when no
  // profile is current.
  TIniFile* IniFile() const;

  TQueryModifiedEvent OnQueryModified;
  TProfileEvent OnClearModified;
  TProfileEvent OnSave;
  TProfileEvent OnNew;
  TProfileEvent OnLoad;

private:
  friend class TMoBaProfiles;
  TMoBaProfiles* FStore;  // not owned; cleared when the store goes first
  bool FActive = false;
};

class TMoBaProfiles {
public:
  // Scans the current directory.
  TMoBaProfiles();
  explicit TMoBaProfiles(std::string Directory);
  ~TMoBaProfiles();
  TMoBaProfiles(const TMoBaProfiles&) = delete;
  TMoBaProfiles& operator=(const TMoBaProfiles&) = delete;

  // Always ends in "/".
  const std::string& Directory() const { return FDirectory; }
  // Stores Path with a trailing "/" and scans it.
  void SetDirectory(std::string Path);
  // Scans Directory again, keeping the current profile by name when it is still there.
  void Rescan();

  int32_t Count() const { return static_cast<int32_t>(FProfiles.size()); }
  // None outside 0 .. Count-1.
  TMoBaProfile* Items(int32_t Index) const;
  int32_t CurrentIndex() const { return FCurrentIndex; }
  // -1 or an index of a profile; other values are ignored.
  void SetCurrentIndex(int32_t Index);
  TMoBaProfile* Current() const { return Items(FCurrentIndex); }

  // The INI file of the current profile, opened on first use; none when no
  // profile is current.
  TIniFile* IniFile();

  int32_t ParticipantCount() const { return static_cast<int32_t>(FParticipants.size()); }
  TMoBaProfileItem* Participants(int32_t Index) const;

  // Run the matching handler of every active participant, in registration order.
  void NewProfile();
  void LoadProfile();
  void SaveProfile();
  bool QueryModified();
  void ClearModified();

private:
  friend class TMoBaProfile;
  friend class TMoBaProfileItem;

  void Register(TMoBaProfileItem& Item);
  void Unregister(TMoBaProfileItem& Item);
  void FileNameChanged();
  void ForEachParticipant(const std::function<void(TMoBaProfileItem&)>& Action);

  std::string FDirectory;
  std::vector<std::unique_ptr<TMoBaProfile>> FProfiles;
  std::vector<TMoBaProfileItem*> FParticipants;  // not owned
  std::unique_ptr<TIniFile> FIniFile;
  int32_t FCurrentIndex = -1;
};

// The process-wide profile store, scanning the current directory; built on first use.
TMoBaProfiles& MoBaProfiles();

}  // namespace tenvarra
