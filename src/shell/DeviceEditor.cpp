#include "shell/DeviceEditor.h"

#include "shell/GeneralSetup.h"

namespace tenvarra {

TDeviceEditor::TDeviceEditor(TEditedTable& Table)
    : FTable(Table), FListening(Table.Listen([this] {
        if (OnTableChanged) OnTableChanged();
      })) {}

void TDeviceEditor::Open() { MakeCurrent(0); }

void TDeviceEditor::MakeCurrent(int32_t Index) { FCurrent = FTable.IdAt(Index); }

int32_t TDeviceEditor::CurrentIndex() const { return FTable.IndexOf(FCurrent); }

int32_t TDeviceEditor::Number() const {
  const int32_t index = CurrentIndex();
  return index < 0 ? Count() + 1 : index + 1;
}

int32_t TDeviceEditor::CurrentItem() const {
  const int32_t index = CurrentIndex();
  return index < 0 ? -1 : FTable.ItemOf(index);
}

bool TDeviceEditor::CanGoForward() const {
  const int32_t index = CurrentIndex();
  return index >= 0 && index + 1 < Count();
}

void TDeviceEditor::Previous() {
  if (CanGoBack()) MakeCurrent(CurrentIndex() - 1);
}

void TDeviceEditor::Next() {
  if (CanGoForward()) MakeCurrent(CurrentIndex() + 1);
}

bool TDeviceEditor::Select(int32_t Address) {
  const TRecordId record = FTable.Find(Address);
  if (record != NoRecord) FCurrent = record;
  return record != NoRecord;
}

void TDeviceEditor::New() { FCurrent = NoRecord; }

TSaveOutcome TDeviceEditor::Save(int32_t Item, std::string_view AddressText) {
  if (Item < 0 || Item >= FTable.ItemCount()) return {TSaveResult::srNoProtocol, NoProtocolText};
  int32_t address = 0;
  try {
    address = IntegerOfTrimmedText(AddressText);
  } catch (const EConvertError& e) {
    return {TSaveResult::srBadAddress, e.what()};
  }
  // A new protocol may lower the current record's own address onto another's.
  const int32_t index = CurrentIndex();
  const TRecordId holder = FTable.Find(FTable.RuledAddress(Item, address));
  if (holder != NoRecord && holder != FCurrent) return {TSaveResult::srAddressInUse, AddressInUseText};
  if (index >= 0) FTable.RemoveAt(index);
  if (!FTable.Append(Item, address)) return {TSaveResult::srAddressInUse, AddressInUseText};
  MakeCurrent(Count() - 1);
  return {};
}

void TDeviceEditor::Delete() {
  const int32_t index = CurrentIndex();
  if (index < 0) return;
  FTable.RemoveAt(index);
  if (index == 0)
    New();
  else
    MakeCurrent(index - 1);
}

}  // namespace tenvarra
