#pragma once
// What the loco and the solenoid setup have in common: one table entry shown
// at a time, browsed with "<<" and ">>", created, saved and deleted. The
// rules are the device editor's (TDeviceEditor); the form only shows its
// state and hands it the person's clicks. Every change goes straight into the
// table; there is no cancel. While the form is open it follows every change
// of the table, whoever makes it (a device learned, a command from another
// program). A subclass gives the table, the protocol items and what else it
// shows of a device.
//
// Main thread only.

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "shell/DeviceEditor.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tenvarra {

class TUpDown;

class TDeviceForm : public QDialog {
public:
  const TDeviceEditor& Editor() const { return FEditor; }

  // The protocol item chosen, 0 .. the table's ItemCount-1; -1 for an empty item or
  // typed text that names no protocol.
  int32_t SelectedItem() const;

protected:
  struct TTexts {
    const char* Caption;
    const char* NumberLabel;
    const char* AddressLabel;
    const char* ProtocolText;  // what the protocol list shows before a choice
    QStringList Items;         // item i < the table's ItemCount stands for protocol i
    const char* CreateText;
    const char* DeleteText;
  };
  TDeviceForm(const TTexts& Texts, std::unique_ptr<TEditedTable> Table, QWidget* Parent);

  // Shows what else the subclass shows of the record at Index; -1 for the
  // fresh device an empty table offers (item 0, address 1).
  virtual void ShowDetails(int32_t Index);
  // The person chose Item (-1: no protocol) in the protocol list.
  virtual void ItemChosen(int32_t Item);

  // Rows below the protocol list belong to the subclass.
  QGridLayout& Grid() { return *FGrid; }
  TUpDown& AddressUpDown() { return *FUpDown; }

  void showEvent(QShowEvent* Event) override;

private:
  // Shows the position and the buttons anew, for a table that changed while
  // the form is open; the fields stay as typed. A shown record that left the
  // table becomes a new entry with its fields, so a save puts back what the
  // person sees.
  void TableChanged();
  // The editor's current record; a new entry when it has none.
  void ShowRecord();
  void ShowNewEntry();
  void ShowPosition();
  void Save();

  std::unique_ptr<TEditedTable> FTable;
  TDeviceEditor FEditor;
  QString FAddressLabel;
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
};

}  // namespace tenvarra
