#pragma once
// What every dialog of the program does the same way: where it opens and how
// it tells the person about a problem.

#include <QString>
#include <QStringList>
#include <string>

class QWidget;

namespace tenvarra {

// The toolkit's text of a text of the core libraries (UTF-8).
inline QString Text(const std::string& Value) { return QString::fromStdString(Value); }

// Centres Window on its screen, on each axis where the screen is the larger.
void CentreOnScreen(QWidget& Window);

// A message box with the stop icon, for problems the person must act on.
void ShowStopBox(QWidget* Parent, const QString& Title, const QString& Text);
// The box for an error that stopped a command; the program goes on.
void ShowErrorBox(QWidget* Parent, const QString& Text);

// Where the eleven dialog protocols are offered; the two lists have always
// spelt one item differently.
enum class TLocoItems { Setup, Learning };
// Item i stands for dialog protocol i.
QStringList LocoProtocolItems(TLocoItems Where);

// The texts every dialog shares.
inline constexpr const char* WarningTitle = "Warning";
inline constexpr const char* ErrorTitle = "Error";

}  // namespace tenvarra
