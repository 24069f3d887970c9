// Checks of the right behaviour that fail today because of a known fault, each marked with the
// issue that mends it. The check runs with its failures caught: while it still fails the test
// passes and names the mark; once it passes the test fails and says to remove the mark, so the
// list of marks can only shrink. The issue that lands a mend deletes the mark, which turns the
// call back into the plain check.
#pragma once

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <string>

// Runs check; a failure inside it is expected (issue names the mend, e.g. "issue 38").
inline void ExpectFailureUntilMended(const std::string& issue, const std::string& what,
                                     const std::function<void()>& check) {
  testing::TestPartResultArray caught;
  {
    testing::ScopedFakeTestPartResultReporter reporter(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &caught);
    check();
  }
  if (caught.size() == 0) {
    ADD_FAILURE() << what << ": passes now; remove its expected-failure mark (" << issue << ")";
    return;
  }
  std::cout << "[ EXPECTED FAILURE ] " << what << " (" << issue << "): " << caught.GetTestPartResult(0).summary()
            << "\n";
}
