// The task data tests' helpers: hex bytes, UTF-16 literals and a task factory that runs out of memory.
#include "tests/doc/DocTestSupport.h"

namespace doctest {

Bytes Hex(std::string_view text) {
  Bytes bytes;
  int pending = -1;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) continue;
    if (pending < 0) {
      pending = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
      pending = -1;
    }
  }
  return bytes;
}

std::string ToHex(const Bytes& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (const auto byte : bytes) {
    if (!text.empty()) text.push_back(' ');
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 15]);
  }
  return text;
}

FailingFactory::FailingFactory(int allowed) {
  s_remaining = allowed;
  m_previous = testhooks::SetTaskFactory([] {
    if (s_remaining-- <= 0) throw std::bad_alloc();
    return std::make_unique<TaskItem>();
  });
}

FailingFactory::~FailingFactory() { testhooks::SetTaskFactory(m_previous); }

}  // namespace doctest
