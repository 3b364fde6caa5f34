#include <gtest/gtest.h>

#include <QApplication>

// The Qt test programs (the window's, the rigctld server's) run on the platform the build chose:
// offscreen, or on Windows, where Qt has no offscreen platform, real windows (under Wine on a
// virtual X server).
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", SAA_TEST_QT_PLATFORM);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
