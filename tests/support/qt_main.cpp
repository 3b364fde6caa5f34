#include <gtest/gtest.h>

#include <QApplication>

// The test programs of the window run it on the offscreen platform.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
