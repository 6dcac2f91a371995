#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

namespace vok::testing {
int RunAsACopy();
}

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  // Started as a second copy of the program by a test.
  if (std::getenv("VOK_TEST_WORKSPACE") != nullptr) return vok::testing::RunAsACopy();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
