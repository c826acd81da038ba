// Store and load of realistic task lists through the document's own save and open.
// `tvq_bench --make-file PATH N` writes such a list (for bench/tvq/dump_memory.sh) instead of measuring.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/tvq/TaskFiles.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/core/CArchive.h"
#include "platform/core/CFile.h"
#include "platform/core/MessageBox.h"

namespace {

std::string TempFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvq-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

std::string FileFor(int count) { return TempFolder() + "/tasks-" + std::to_string(count) + ".tvq"; }

// The store itself: Serialize through the archive into the file (what a save writes).
void BM_Store(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  CTarvelquistDoc doc;
  tvqbench::FillRealistic(doc, count);
  const CString path = CString::FromUtf8(FileFor(count));
  for (auto _ : state) {
    // A fresh file each time: truncating the last one would time the file system's freeing of it.
    state.PauseTiming();
    std::filesystem::remove(FileFor(count));
    state.ResumeTiming();
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    CArchive archive(&file, CArchive::store, CArchive::kDocumentBufferSize);  // as a save streams
    doc.Serialize(archive);
    archive.Close();
    file.Close();
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(FileFor(count)));
}

// The whole save the window does: a temporary file beside the target, flushed to the disk, renamed over it.
void BM_Save(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  CTarvelquistDoc doc;
  tvqbench::FillRealistic(doc, count);
  const CString path = CString::FromUtf8(FileFor(count));
  for (auto _ : state) {
    if (!doc.OnSaveDocument(path)) state.SkipWithError("save failed");
  }
}

void BM_Load(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  {
    CTarvelquistDoc doc;
    tvqbench::FillRealistic(doc, count);
    if (!doc.OnSaveDocument(CString::FromUtf8(FileFor(count)))) std::abort();
  }
  const CString path = CString::FromUtf8(FileFor(count));
  CTarvelquistDoc doc;
  for (auto _ : state) {
    if (!doc.OnOpenDocument(path)) state.SkipWithError("load failed");
    if (doc.GetTaskCount() != count) state.SkipWithError("wrong count");
  }
}

BENCHMARK(BM_Store)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  AfxSetMessageBoxHandler([](const CString& text, const CString&, UINT) {
    std::fprintf(stderr, "%s\n", text.ToUtf8().c_str());
    return IDOK;
  });
  if (argc == 4 && std::strcmp(argv[1], "--make-file") == 0) {
    CTarvelquistDoc doc;
    tvqbench::FillRealistic(doc, std::atoi(argv[3]));
    return doc.OnSaveDocument(CString::FromUtf8(argv[2])) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code error;
  std::filesystem::remove_all(TempFolder(), error);
  return 0;
}
