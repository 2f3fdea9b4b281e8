// Test main for suites that draw text or pictures: a QGuiApplication on the offscreen platform.
#include <gtest/gtest.h>
#include <QGuiApplication>

#include "qt_test_support.h"

int main(int argc, char** argv) {
  pictavia::testsupport::UseOffscreenPlatformWithoutDisplay();
  QGuiApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
