#pragma once

#include <QTest>

// Waits for a condition while the window's events run, for at most five
// seconds, and fails the test when it never holds. QTest's QTRY_* macros
// report to QTest's own log, which GoogleTest never reads: a QTRY that times
// out would end the test early and let it pass.
#define ASSERT_SOON(condition) \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, 5000)) << "never held: " #condition
