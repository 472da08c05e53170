#pragma once
// Pictures of windows for the docs. With TENVARRA_SCREENSHOT_DIR set
// (scripts/screenshots) they are kept there; otherwise they go to a
// temporary directory and only their rendering is checked.

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <set>

#include "common/TempDir.h"

namespace tenvarra::test {

class TScreenshots {
public:
  TScreenshots() {
    const QByteArray dir = qgetenv("TENVARRA_SCREENSHOT_DIR");
    FDir = dir.isEmpty() ? QString::fromStdString(FTemp.Path()) : QString::fromLocal8Bit(dir);
  }

  // Saves the window's picture and checks that something was drawn on it.
  void Shoot(QWidget& Window, const char* Name) {
    QImage image(Window.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    Window.render(&image);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
      for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    // Text, frames and buttons give many shades; an empty window a handful.
    EXPECT_GT(colours.size(), 8u) << Name;
    EXPECT_TRUE(image.save(FDir + "/" + QString::fromLatin1(Name) + ".png")) << Name;
  }

private:
  TTempDir FTemp;
  QString FDir;
};

}  // namespace tenvarra::test
