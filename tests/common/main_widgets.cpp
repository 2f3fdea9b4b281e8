// Test main for suites that drive real widgets: a QApplication on the offscreen platform.
#include <gtest/gtest.h>
#include <QApplication>

#include "qt_test_support.h"

int main(int argc, char** argv) {
  pictavia::testsupport::UseOffscreenPlatformWithoutDisplay();
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
