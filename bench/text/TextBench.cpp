// Conversion through the ANSI code pages: a built-in text as the program converts it, and long 8-bit strings
// as files may hold them.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/core/CodePage.h"

namespace {

// "期限なし" in code page 932.
constexpr std::string_view kNoDueDate = "\x8A\xFA\x8C\xC0\x82\xC8\x82\xB5";

void BM_BuiltInText932(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(platform::MultiByteToWideChar(932, kNoDueDate));
}
BENCHMARK(BM_BuiltInText932);

// `bytes` long: Japanese text with ASCII and half-width katakana between the pairs, one unmapped pair in 64.
std::string JapaneseText(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 16);
  for (int i = 0; text.size() < bytes; ++i) {
    text += "\x8C\x8F\x96\xBC" "abc \xB1\xB2";
    if (i % 8 == 7) text += "\x85\x40";
  }
  return text;
}

std::string WesternText(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 16);
  while (text.size() < bytes) text += "Caf\xE9 \x80 10, na\xEFve \x93quoted\x94 ";
  return text;
}

void BM_Long932(benchmark::State& state) {
  const std::string text = JapaneseText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(platform::MultiByteToWideChar(932, text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Long932)->Arg(64)->Arg(64 << 10)->Arg(1 << 20);

void BM_Long1252(benchmark::State& state) {
  const std::string text = WesternText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(platform::MultiByteToWideChar(1252, text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Long1252)->Arg(64)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
