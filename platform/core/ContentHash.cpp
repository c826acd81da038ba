// Four lanes of multiply-fold rounds over 64-byte blocks, a tail kept between updates, and the lanes merged and
// mixed at the end.
#include "platform/core/ContentHash.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// The usual 64-bit hashing primes: the blocks' lanes start from and fold with them, the tail and the end mix
// with them.
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;

constexpr std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

std::uint64_t Round(std::uint64_t acc, std::uint64_t input) { return Rotl(acc + input * kPrime2, 31) * kPrime1; }

// The full 128-bit product of two words folded to one: a lane takes 16 bytes a round for a single multiply,
// where a rotate round took 8 bytes for two.
__extension__ using Product = unsigned __int128;
std::uint64_t Fold(std::uint64_t a, std::uint64_t b) {
  const Product product = static_cast<Product>(a) * b;
  return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t Load64(const unsigned char* p) {
  std::uint64_t value = 0;
  std::memcpy(&value, p, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap64(value);  // the same on every host
  return value;
}

}  // namespace

ContentHash::ContentHash() : m_lanes{kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1} {}

// The lanes live in locals while the blocks run: stored through `this`, the compiler would have to reload them
// after every byte read (a byte pointer may alias anything).
std::size_t ContentHash::Blocks(const unsigned char* bytes, std::size_t count) {
  std::uint64_t a = m_lanes[0], b = m_lanes[1], c = m_lanes[2], d = m_lanes[3];
  for (std::size_t i = 0; i < count; ++i, bytes += kBlock) {
    // Each lane's constant differs from its starting value: a round with the two equal would not tell its two
    // words apart.
    a = Fold(Load64(bytes) ^ a, Load64(bytes + 8) ^ kPrime3);
    b = Fold(Load64(bytes + 16) ^ b, Load64(bytes + 24) ^ kPrime4);
    c = Fold(Load64(bytes + 32) ^ c, Load64(bytes + 40) ^ kPrime5);
    d = Fold(Load64(bytes + 48) ^ d, Load64(bytes + 56) ^ kPrime2);
  }
  m_lanes = {a, b, c, d};
  return count * kBlock;
}

void ContentHash::Update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  m_length += size;
  if (m_tailSize > 0) {
    const std::size_t take = std::min(size, kBlock - m_tailSize);
    std::memcpy(m_tail.data() + m_tailSize, bytes, take);
    m_tailSize += take;
    bytes += take;
    size -= take;
    if (m_tailSize < kBlock) return;
    Blocks(m_tail.data(), 1);
    m_tailSize = 0;
  }
  const std::size_t done = Blocks(bytes, size / kBlock);
  bytes += done;
  size -= done;
  std::memcpy(m_tail.data(), bytes, size);
  m_tailSize = size;
}

std::uint64_t ContentHash::Value() const {
  std::uint64_t h = Rotl(m_lanes[0], 1) + Rotl(m_lanes[1], 7) + Rotl(m_lanes[2], 12) + Rotl(m_lanes[3], 18);
  for (const std::uint64_t lane : m_lanes) h = (h ^ Round(0, lane)) * kPrime1 + kPrime4;
  h += m_length;
  std::size_t i = 0;
  for (; i + 8 <= m_tailSize; i += 8) h = Rotl(h ^ Round(0, Load64(m_tail.data() + i)), 27) * kPrime1 + kPrime4;
  for (; i < m_tailSize; ++i) h = Rotl(h ^ (m_tail[i] * kPrime5), 11) * kPrime1;
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  h ^= h >> 32;
  return h;
}

bool HashRestOfFile(int fd, ContentHash& hash) {
  std::vector<unsigned char> buffer(1 << 16);
  while (true) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    hash.Update(buffer.data(), static_cast<std::size_t>(got));
  }
}

}  // namespace platform
