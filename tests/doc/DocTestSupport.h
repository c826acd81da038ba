// Helpers for the task data tests: file bytes written as hex, UTF-16 literals as CString, and a task factory
// that runs out of memory.
#pragma once

#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "doc/CTarvelquistDoc.h"
#include "doc/CTarvelquistDocTestHooks.h"
#include "platform/core/CString.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

namespace doctest {

using tvqtest::Bytes;

// "01 00 FF" -> bytes.
Bytes Hex(std::string_view text);
std::string ToHex(const Bytes& bytes);

inline CString U(std::u16string_view text) { return CString(text); }

// Makes tasks for the document until `allowed` have been made, then throws std::bad_alloc.
class FailingFactory {
 public:
  explicit FailingFactory(int allowed);
  ~FailingFactory();
  FailingFactory(const FailingFactory&) = delete;
  FailingFactory& operator=(const FailingFactory&) = delete;

 private:
  static inline int s_remaining = 0;
  testhooks::TaskFactory m_previous;
};

}  // namespace doctest
