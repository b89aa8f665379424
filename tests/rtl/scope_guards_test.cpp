#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/rtl/ScopeGuards.h"

// Each guard undoes its change when the scope ends by an exception, and
// nested guards unwind in order.
TEST(ScopeGuards, UndoTheirChangeAlsoWhenAnExceptionLeaves) {
  bool flag = false;
  int count = 0;
  int runs = 0;
  try {
    TRestoreValue outer(flag, true);
    TScopedCount raised(count);
    {
      TRestoreValue inner(flag, true);  // a nested use keeps the outer value
      TScopedCount again(count);
      EXPECT_EQ(count, 2);
    }
    EXPECT_TRUE(flag);
    EXPECT_EQ(count, 1);
    TScopeExit run([&] { ++runs; });
    TScopeExit dismissed([&] { runs += 100; });
    dismissed.Dismiss();
    throw std::runtime_error("leave");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(flag);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(runs, 1);
}
