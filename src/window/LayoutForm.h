#pragma once
// The live layout view: what the bridge knows of the layout at a glance. The
// three states (the application holds the port, the server is connected,
// power per bus) on top, the locos and solenoids the server reported in two
// tables, and the feedback image as a grid of cells. A window of its own
// beside the main window, resizable, opened from "View" -> "Layout".
//
// It only reads the bridge's layout model. Changes are gathered and drawn
// at most every RefreshMs, and only while the window is shown, so a busy
// feedback bus costs a few paints a second and an idle layout nothing.
//
// Main thread only.

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QTableWidget;

namespace tenvarra {

class TBridge;
class TFeedbackGrid;

class TLayoutForm final : public QWidget {
public:
  static constexpr int RefreshMs = 50;

  // Bridge must outlive the form; the form takes the model's OnChange.
  explicit TLayoutForm(TBridge& Bridge, QWidget* Parent = nullptr);
  ~TLayoutForm() override;

  // Sets a feedback contact (1 .. 496) on the layout; with it, a click on a
  // cell toggles that contact. Only the simulated layout can be told so.
  std::function<void(int32_t Contact, bool Occupied)> SetContact;
  // The window was shown or hidden (closing hides it).
  std::function<void(bool Shown)> OnShownChanged;

  TFeedbackGrid& Grid() const { return *FGrid; }
  // How often the tables and grid were brought up to date.
  int RefreshCount() const { return FRefreshCount; }

protected:
  void showEvent(QShowEvent* Event) override;
  void hideEvent(QHideEvent* Event) override;

private:
  void Changed(unsigned Parts);
  void Refresh();
  void FillStates();
  void FillLocos();
  void FillSolenoids();
  void CellClicked(int32_t Module, int32_t Contact);

  TBridge& FBridge;
  QLabel* lbPort;
  QLabel* lbServer;
  QLabel* lbPower;
  QTableWidget* tbLocos;
  QTableWidget* tbSolenoids;
  TFeedbackGrid* FGrid;
  QTimer FRefreshTimer;
  unsigned FDirty = 0;
  int FRefreshCount = 0;
};

}  // namespace tenvarra
