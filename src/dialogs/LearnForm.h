#pragma once
// "Select a protocol": asks for the decoder protocol of a loco or solenoid
// address the tables do not know. One form for both kinds; they differ in
// their list and in "Save" without a choice, which the loco form refuses and
// the solenoid form accepts (the caller then keeps the previous choice).
//
// The window keeps one loco form for every call, so the person's last choice
// stays selected; a solenoid form is made for each call and starts without a
// choice. Main thread only; Ask runs a nested event loop while it waits.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;

namespace tenvarra {

class TLearnForm : public QDialog {
public:
  enum TKind { lkLoco, lkSolenoid };

  explicit TLearnForm(TKind Kind, QWidget* Parent = nullptr);

  // Sounds the alert and asks modally for the protocol of Address: after
  // "Save" the item chosen (-1 for none), none after "Cancel". Loco items are
  // the dialog protocols 0 .. 10; solenoid items 0 Motorola, 1 NMRA.
  std::optional<int32_t> Ask(int32_t Address);

  // Every change of the choice, at once.
  std::function<void(int32_t Item)> OnChoice;

protected:
  void showEvent(QShowEvent* Event) override;

private:
  void SaveClicked();

  bool FChoiceRequired;
  QLabel* FAddress;
  QComboBox* FProtocols;
};

}  // namespace tenvarra
