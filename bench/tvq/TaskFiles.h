// Realistic task lists for the benchmarks: subjects of 10-40 characters, memos of 0-200, Japanese and ASCII
// mixed, due dates over a few years with some tasks without one. Deterministic for a given seed.
#pragma once

#include <string>

class CTarvelquistDoc;

namespace tvqbench {

void FillRealistic(CTarvelquistDoc& document, int count, unsigned seed = 20080510);

}  // namespace tvqbench
