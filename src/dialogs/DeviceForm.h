#pragma once
// What the loco and the solenoid setup have in common: one table entry shown
// at a time, browsed with "<<" and ">>", created, saved and deleted. Every
// change goes straight into the table; there is no cancel. A subclass gives
// the table, the protocol items and what else it shows of a device.
//
// Saving replaces the shown entry by a new device appended at the end of the
// table, so a saved entry moves to the end. The shown entry is only taken out
// once its replacement is sure to be accepted: a save that is refused (no
// protocol item, an address that is not a number, an address in use) leaves
// the table as it was.
//
// Main thread only.

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "devices/Device.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tenvarra {

class TUpDown;

class TDeviceForm : public QDialog {
public:
  // The 1-based number of the entry shown; the table's count + 1 while a new
  // entry is edited.
  int32_t CurrentNumber() const { return FCurrentNumber; }

  // The protocol item chosen, 0 .. ProtocolCount-1; -1 for an empty item or
  // typed text that names no protocol.
  int32_t SelectedItem() const;

protected:
  struct TTexts {
    const char* Caption;
    const char* NumberLabel;
    const char* AddressLabel;
    const char* ProtocolText;  // what the protocol list shows before a choice
    QStringList Items;         // the first ProtocolCount stand for protocols
    int32_t ProtocolCount;
    const char* CreateText;
    const char* DeleteText;
  };
  TDeviceForm(const TTexts& Texts, QWidget* Parent);

  // The table.
  virtual int32_t Count() const = 0;
  virtual const TMoBaBaseDevice* At(int32_t Index) const = 0;
  virtual const TMoBaBaseDevice* Find(int32_t Address) const = 0;
  virtual void Remove(const TMoBaBaseDevice& Device) = 0;
  // A device of the table's kind with the protocol of Item, then Address
  // through the address rule.
  virtual std::unique_ptr<TMoBaBaseDevice> Build(int32_t Item, int32_t Address) const = 0;
  // Appends a device whose address no entry holds.
  virtual void Append(std::unique_ptr<TMoBaBaseDevice> Device) = 0;

  // The item that stands for Device's protocol, or -1.
  virtual int32_t ItemOf(const TMoBaBaseDevice& Device) const = 0;
  // Shows what else the subclass shows of a device.
  virtual void ShowDetails(const TMoBaBaseDevice& Device);
  // The person chose Item (-1: no protocol) in the protocol list.
  virtual void ItemChosen(int32_t Item);

  // Rows below the protocol list belong to the subclass.
  QGridLayout& Grid() { return *FGrid; }
  TUpDown& AddressUpDown() { return *FUpDown; }

  void showEvent(QShowEvent* Event) override;

private:
  void Open();
  void ShowDevice(const TMoBaBaseDevice& Device, int32_t Number);
  void ShowNumber(int32_t Number);
  void Browse(int32_t Step);
  // What "create" shows; the deleting button is the caller's.
  void EnterNewEntry();
  void Save();
  void Delete();

  QGridLayout* FGrid;
  QLabel* FNumber;
  QLineEdit* FAddress;
  TUpDown* FUpDown;
  QComboBox* FProtocol;
  QPushButton* FPrev;
  QPushButton* FNext;
  QPushButton* FSave;
  QPushButton* FExit;
  QPushButton* FCreate;
  QPushButton* FDelete;
  int32_t FProtocolCount;
  int32_t FCurrentNumber = 1;
};

}  // namespace tenvarra
