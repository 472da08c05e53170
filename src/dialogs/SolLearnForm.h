#pragma once
// The window that asks for the protocol of a solenoid address the solenoid
// table does not know. Built anew for every question, with no item selected;
// each change of the choice is written to the caller's SolLearnIndex at once,
// so "Save" without touching the list keeps the previous call's choice.
// Main thread only; it runs a nested event loop while it waits.

#include <QDialog>
#include <cstdint>

namespace tenvarra {

class TSolLearnForm : public QDialog {
public:
  // SolLearnIndex must outlive the form.
  TSolLearnForm(int32_t Address, int32_t& SolLearnIndex, QWidget* Parent = nullptr);

  // Builds the window, sounds the alert and asks modally: true after "Save",
  // with the choice (0 Motorola, 1 NMRA) in SolLearnIndex.
  static bool AskSolenoidProtocol(int32_t Address, int32_t& SolLearnIndex,
                                  QWidget* Parent = nullptr);

protected:
  void showEvent(QShowEvent* Event) override;
};

}  // namespace tenvarra
