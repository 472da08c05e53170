#pragma once
// The one limit for every bounded wait in the tests: long enough for a loaded
// machine, short enough that a lost event fails the test instead of hanging it.

namespace tenvarra::test {

constexpr int WaitLimitMs = 5000;

}  // namespace tenvarra::test
