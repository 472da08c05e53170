#pragma once
// A pipe whose ends close with the object; Put and Take move one byte.

#include <unistd.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/UniqueFd.h"

namespace tenvarra::test {

struct TPipe {
  TUniqueFd Read, Write;
  // Readable: with one byte already in it.
  explicit TPipe(bool Readable = false) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    Read.Reset(fds[0]);
    Write.Reset(fds[1]);
    if (Readable) Put();
  }
  void Put() const { ASSERT_EQ(::write(Write.Get(), "x", 1), 1); }
  void Take() const {
    char c;
    ASSERT_EQ(::read(Read.Get(), &c, 1), 1);
  }
};

}  // namespace tenvarra::test
