#pragma once
// "Setup": the general setup of the server connection, the solenoid
// activation time, the serial handshake, the SRCP bus of each kind of device,
// the log file, the learning mode and the number of S88 modules.
//
// The form only shows and collects the fields (TGeneralSetupFields); taking
// them back into the settings, writing loco.dat and handing host and port to
// the railway client are the caller's, through the hooks. Main thread only.

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "shell/GeneralSetup.h"

class QCheckBox;
class QLineEdit;
class QTabWidget;

namespace tenvarra {

struct TSetupHooks {
  // True while the railway client is connected: the setup does not open then.
  std::function<bool()> Connected;
  // Called after "&Save" with the fields as the person left them, each one
  // checked already: takes them back (ApplyGeneralSetup), writes loco.dat and
  // updates the client's host and port. What it throws is shown in the error
  // box.
  std::function<void(const TGeneralSetupFields& Fields)> Save;
  // Called with true as the form opens and false as it closes, before Save.
  std::function<void(bool Open)> Shown;
};

class TSetupForm : public QDialog {
public:
  TSetupForm(const TSettings& Settings, TSetupHooks Hooks, QWidget* Parent = nullptr);

  // The menu command "General setup": refuses while connected, fills the
  // fields from the settings, shows the form modally and, after "&Save",
  // hands the fields to the Save hook. "&Save" with a field the take-back
  // would refuse keeps the form open at that field. True when they were saved.
  bool Execute();

  // The fields as they stand in the form.
  TGeneralSetupFields Fields() const;
  void SetFields(const TGeneralSetupFields& Fields);

protected:
  void showEvent(QShowEvent* Event) override;

private:
  struct TBusEdit {
    std::string TGeneralSetupFields::*Field;
    QLineEdit* Edit;
  };

  QWidget* ConnectionsPage();
  QWidget* SrcpPage();
  QWidget* LogPage();
  QWidget* MiscPage();
  // Closes only when every field is good.
  void SaveClicked();

  const TSettings& FSettings;
  TSetupHooks FHooks;
  QTabWidget* FPages;
  QLineEdit* FServer;
  QLineEdit* FPort;
  QLineEdit* FActTime;
  QCheckBox* FHandshake;
  std::vector<TBusEdit> FBuses;
  QCheckBox* FLog;
  QCheckBox* FLearning;
  QLineEdit* FS88Modules;
  // The edit box of each field that holds a value, by TSetupField.
  std::array<QLineEdit*, 11> FEdits{};
};

}  // namespace tenvarra
