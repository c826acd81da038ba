// A fast 64-bit hash of a byte stream, fed in pieces of any size (the archive feeds it what it reads or
// writes). It tells whether a file still holds what was read; it is no defence against a forger.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace platform {

class ContentHash {
 public:
  ContentHash();
  void Update(const void* data, std::size_t size);
  std::uint64_t Value() const;  // of everything fed so far; feeding may go on

 private:
  std::size_t Blocks(const unsigned char* bytes, std::size_t count);  // whole blocks; bytes taken

  static constexpr std::size_t kBlock = 64;
  std::array<std::uint64_t, 4> m_lanes;
  std::array<unsigned char, kBlock> m_tail{};
  std::size_t m_tailSize = 0;
  std::uint64_t m_length = 0;
};

// The hash of everything an open file holds from its current position on (reads it to the end). False when
// reading fails.
bool HashRestOfFile(int fd, ContentHash& hash);

}  // namespace platform
