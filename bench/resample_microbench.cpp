// Frames per second of the three interpolation kernels alone and of the
// whole data chunk resampler (every quality, Q=3 included), on synthetic
// pipes of the corpus formats.
//
//   build/release/bench/zelvanor_microbench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "common/settings.h"
#include "examples/example_pipes.h"
#include "output/byte_sink.h"
#include "output/interpolation_kernels.h"
#include "output/resample_data_chunk.h"
#include "output/retune_job.h"
#include "wave/chunk_analysis.h"

namespace zelvanor {
namespace {

// Counts the bytes and drops them: measures the resampler, not memory.
class NullSink final : public ByteSink {
 public:
  void Write(std::span<const std::uint8_t> bytes) override { position_ += bytes.size(); }
  std::uint64_t Position() const override { return position_; }
  void WriteAt(std::uint64_t, std::span<const std::uint8_t>) override {}
  bool ok() const override { return true; }

 private:
  std::uint64_t position_ = 0;
};

void CountFrames(benchmark::State& state, double frames_per_iteration) {
  state.counters["frames/s"] =
      benchmark::Counter(frames_per_iteration, benchmark::Counter::kIsIterationInvariantRate);
}

// 16-bit values and positions in (0, 1], as the resampler hands them over.
struct KernelInputs {
  static constexpr int kCount = 4096;
  std::vector<std::int32_t> values;
  std::vector<double> positions;
  KernelInputs() {
    std::mt19937 random(7);
    for (int i = 0; i < kCount + 3; ++i) values.push_back(static_cast<std::int32_t>(random() % 65536) - 32768);
    for (int i = 0; i < kCount; ++i) positions.push_back((static_cast<double>(random() % 1000000) + 1.0) / 1e6);
  }
};

template <class Kernel>
void BM_Kernel(benchmark::State& state) {
  static const KernelInputs inputs;
  for (auto _ : state) {
    std::int32_t sum = 0;
    for (int i = 0; i < KernelInputs::kCount; ++i) {
      KernelWindow window;
      window.previous = inputs.values[i];
      window.current = inputs.values[i + 1];
      window.next = inputs.values[i + 2];
      window.after_next = inputs.values[i + 3];
      sum += Kernel::Interpolate(window, inputs.positions[i]);
    }
    benchmark::DoNotOptimize(sum);
  }
  CountFrames(state, KernelInputs::kCount);
}
BENCHMARK(BM_Kernel<LinearKernel>)->Name("Kernel/linear");
BENCHMARK(BM_Kernel<QuadraticKernel>)->Name("Kernel/quadratic");
BENCHMARK(BM_Kernel<HyperbolicKernel>)->Name("Kernel/hyperbolic");

// A pipe of 4 seconds retuned by +100 cents with the cut, as in the corpus.
// Arguments: quality, bits, channels.
void BM_ResampleDataChunk(benchmark::State& state) {
  examples::PipeSpec spec;
  spec.note = 48;
  spec.bits = static_cast<int>(state.range(1));
  spec.channels = static_cast<int>(state.range(2));
  spec.seconds = 4.0;
  const examples::Pipe pipe = examples::SynthesizePipe(spec);
  Settings settings;
  settings.verbosity = 0;
  settings.quality = static_cast<std::int32_t>(state.range(0));
  const std::optional<SourceAnalysis> analysis = AnalyseSource("pipe.wav", pipe.bytes, settings);
  if (!analysis || !analysis->data) {
    state.SkipWithError("the synthetic pipe did not analyse");
    return;
  }
  const RetuneJob job = MakeRetuneJob(pipe.bytes, *analysis, settings, 1.0594631);
  const auto body = std::span<const std::uint8_t>(pipe.bytes).subspan(analysis->data->offset, analysis->data->size);
  std::uint32_t frames = 0;
  for (auto _ : state) {
    NullSink sink;
    frames = ResampleDataChunk(job, body, sink);
    benchmark::DoNotOptimize(sink.Position());
  }
  CountFrames(state, frames);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(body.size()));
}
BENCHMARK(BM_ResampleDataChunk)
    ->ArgNames({"Q", "bits", "channels"})
    ->ArgsProduct({{0, 1, 2, 3}, {16}, {2}})
    ->Args({2, 24, 1})
    ->Args({2, 16, 4})
    ->Args({3, 24, 1})
    ->Args({3, 16, 4})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zelvanor

BENCHMARK_MAIN();
