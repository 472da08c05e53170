#pragma once
// The rules of editing a device table one record at a time, as the loco and
// solenoid setups do: which record is current, browsing, a new entry, save,
// delete. No toolkit: the setup dialogs are views over it, and any other
// front end can edit a table by the same rules.
//
// The current record is held by its identity in the table (never reused, not
// its place in memory), and looked up whenever it is needed. A device learned
// while the editor is open, a record that leaves the table meanwhile, or one
// added by someone else in its place therefore never turns a save or a
// delete onto another record. The editor hears of every change of the table,
// whoever makes it, and passes it on to whatever shows it.
//
// Saving replaces the current record by a new one appended at the end of the
// table, so a saved record moves to the end. The current record is only taken
// out once its replacement is sure to be accepted: a refused save leaves the
// table as it was.
//
// Main thread only, like the tables.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "devices/Device.h"
#include "devices/Tables.h"

namespace tenvarra {

// What the editor needs of one table and of the protocols a person chooses
// from for it ("items", 0 .. ItemCount-1).
class TEditedTable {
public:
  virtual ~TEditedTable() = default;

  virtual int32_t Count() const = 0;
  // Index 0 .. Count-1; none outside.
  virtual const TMoBaBaseDevice* At(int32_t Index) const = 0;
  // The identity of the record at Index; NoRecord outside.
  virtual TRecordId IdAt(int32_t Index) const = 0;
  // Where the record is now; -1 once it has left the table.
  virtual int32_t IndexOf(TRecordId Id) const = 0;
  // The record with Address; NoRecord when there is none.
  virtual TRecordId Find(int32_t Address) const = 0;
  virtual void RemoveAt(int32_t Index) = 0;
  // Listener is told after every change of the table while the handle lives.
  virtual TTableListening Listen(std::function<void()> Listener) = 0;

  virtual int32_t ItemCount() const = 0;
  // The item that stands for the protocol of the record at Index, or -1.
  virtual int32_t ItemOf(int32_t Index) const = 0;
  // The address a record of Item asked for Address gets (the address rule).
  virtual int32_t RuledAddress(int32_t Item, int32_t Address) const = 0;
  // Appends a record of Item with Address; false when the table refuses it.
  virtual bool Append(int32_t Item, int32_t Address) = 0;
};

enum class TSaveResult { srSaved, srNoProtocol, srBadAddress, srAddressInUse };

struct TSaveOutcome {
  TSaveResult Result = TSaveResult::srSaved;
  // Why a save was refused; empty after a save.
  std::string Message;
};

inline constexpr const char* AddressInUseText =
    "This address is already in use. Please use anaother address!";
inline constexpr const char* NoProtocolText =
    "No protocol is selected, so nothing was saved. Please select a protocol.";

class TDeviceEditor {
public:
  // Table must outlive the editor.
  explicit TDeviceEditor(TEditedTable& Table);
  TDeviceEditor(const TDeviceEditor&) = delete;
  TDeviceEditor& operator=(const TDeviceEditor&) = delete;

  // After every change of the table, this editor's own included; the
  // current record may have left the table then (the editor then edits a
  // new entry).
  std::function<void()> OnTableChanged;

  // Each opening starts at the first record; an empty table starts a new entry.
  void Open();

  int32_t Count() const { return FTable.Count(); }
  // The position of the current record, -1 while a new entry is edited.
  int32_t CurrentIndex() const;
  bool EditingNew() const { return CurrentIndex() < 0; }
  // 1-based: the current record's position, Count()+1 for a new entry.
  int32_t Number() const;
  int32_t CurrentItem() const;

  bool CanGoBack() const { return CurrentIndex() >= 1; }
  bool CanGoForward() const;
  bool CanDelete() const { return !EditingNew(); }

  void Previous();
  void Next();
  // Makes the record with Address current; false when the table has none.
  bool Select(int32_t Address);
  // A new entry: the next save appends.
  void New();
  // Item -1 stands for no protocol. The address text as typed; blanks at
  // both ends do not count.
  TSaveOutcome Save(int32_t Item, std::string_view AddressText);
  // Takes the current record out; the first one deleted starts a new entry,
  // any other makes the record before it current.
  void Delete();

private:
  void MakeCurrent(int32_t Index);

  TEditedTable& FTable;
  // NoRecord for a new entry; it may have left the table since.
  TRecordId FCurrent = NoRecord;
  TTableListening FListening;
};

}  // namespace tenvarra
