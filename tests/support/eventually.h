// Waiting on a condition in a GoogleTest case that uses Qt widgets: events
// are handled until the value is the one wanted or the time is up, and a
// miss is a GoogleTest failure that names both values. (Qt's own QTRY_*
// macros report to QtTest's log, which a GoogleTest case never sees.)
#pragma once

#include <gtest/gtest.h>

#include <QTest>

namespace agsi::testing {

template <typename Get, typename Want>
::testing::AssertionResult Eventually(Get get, const Want& want, int timeoutMs) {
  // The outcome is judged below, on the value itself.
  static_cast<void>(QTest::qWaitFor([&] { return get() == want; }, timeoutMs));
  const auto got = get();
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << ::testing::PrintToString(got) << ", want "
                                       << ::testing::PrintToString(want) << " within " << timeoutMs << " ms";
}

}  // namespace agsi::testing

#define EXPECT_EVENTUALLY_EQ(expr, want, timeoutMs) \
  EXPECT_TRUE(::agsi::testing::Eventually([&] { return (expr); }, (want), (timeoutMs))) << #expr
#define ASSERT_EVENTUALLY_EQ(expr, want, timeoutMs) \
  ASSERT_TRUE(::agsi::testing::Eventually([&] { return (expr); }, (want), (timeoutMs))) << #expr
