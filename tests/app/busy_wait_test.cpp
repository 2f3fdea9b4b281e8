// Waiting for work with the busy cursor: only long work shows it, the cursor always comes back,
// and the work's failure reaches the caller.
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>
#include <QGuiApplication>

#include "app/internal/busy_wait.h"

namespace pictavia {

namespace {

TEST(BusyWait, OnlyWorkLongerThanAQuarterSecondShowsTheBusyCursor) {
  int result = 0;
  std::thread::id ranOn;
  EXPECT_FALSE(AwaitShowingBusyCursor([&] {
    result = 7;
    ranOn = std::this_thread::get_id();
  }));
  EXPECT_EQ(result, 7);
  // Off this thread: the one that shows the cursor is free to do so.
  EXPECT_NE(ranOn, std::this_thread::get_id());

  EXPECT_TRUE(AwaitShowingBusyCursor([&] {
    std::this_thread::sleep_for(kBusyCursorDelay * 2);
    result = 8;
  }));
  EXPECT_EQ(result, 8);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(BusyWait, AFailureReachesTheCallerAndTheCursorComesBack) {
  EXPECT_THROW(AwaitShowingBusyCursor([] { throw std::runtime_error("no picture"); }),
               std::runtime_error);
  EXPECT_THROW(AwaitShowingBusyCursor([] {
                 std::this_thread::sleep_for(kBusyCursorDelay * 2);
                 throw std::runtime_error("no picture");
               }),
               std::runtime_error);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace

}  // namespace pictavia
