// The dialog tests need one QApplication for the whole run, on the offscreen
// platform so that they run without a display.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

// The offscreen platform says what it cannot do (raise a window, grab the
// keyboard) on every dialog; nothing the tests look at.
QtMessageHandler DefaultHandler = nullptr;

void DropPlatformNotes(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (Text.startsWith(QLatin1String("This plugin does not support"))) return;
  DefaultHandler(Type, Context, Text);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  DefaultHandler = qInstallMessageHandler(DropPlatformNotes);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
