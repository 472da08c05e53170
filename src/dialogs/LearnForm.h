#pragma once
// "Select a protocol" for a loco address the loco table does not know. One
// form serves every call and keeps the person's last choice selected.
// Main thread only; it runs a nested event loop while it waits.

#include <QDialog>
#include <cstdint>
#include <optional>

class QComboBox;
class QLabel;

namespace tenvarra {

class TLearnForm : public QDialog {
public:
  explicit TLearnForm(QWidget* Parent = nullptr);

  // Sounds the alert and asks modally for the protocol of the loco at
  // Address: the dialog protocol entry (0 .. 10) chosen, or none after
  // "Cancel". "Save" without a choice tells the person and waits on.
  std::optional<int32_t> AskLocoProtocol(int32_t Address);

protected:
  void showEvent(QShowEvent* Event) override;

private:
  QLabel* FAddress;
  QComboBox* FProtocols;
};

}  // namespace tenvarra
