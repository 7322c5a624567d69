#include "fuzz/pipeline_exercise.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "common/run_error.h"
#include "output/byte_sink.h"
#include "output/generate_output.h"
#include "output/wavpack_sink.h"
#include "output/write_retuned_wave.h"
#include "pitch/pipe_pitch.h"
#include "platform/file_system.h"
#include "wave/byte_reader.h"
#include "wave/chunk_analysis.h"
#include "wave/chunk_layout.h"
#include "wave/chunk_walker.h"
#include "wave/wavpack_source.h"

namespace zelvanor::fuzzing {
namespace {

constexpr std::int32_t kVerbosities[] = {0, 1, 2, 3, 4, 5, -1};
constexpr std::int32_t kQualities[] = {0, 1, 2, 3};
// The factors the arithmetic treats specially: the range's ends, exact
// octaves, identity and its neighbours, a semitone, awkward fractions.
constexpr double kSpecialFactors[] = {0.2,       0.25, 0.5,       0.75, 0.9999999, 1.0,  1.0000001, 1.0594630943592953,
                                      1.5,       2.0,  3.0,       4.03, 1.0 / 3.0, 0.94387431268169353, 1.25, 2.5};
constexpr int kSpecialFactorCount = static_cast<int>(std::size(kSpecialFactors));
// L= values: mostly none; small loops; negative ones (taken as 0); and
// lengths whose silence cannot fit a WAVE file (refused before anything is
// written, so they cost nothing).
constexpr std::int32_t kDummyLoops[] = {0, 0, 0, 0, 1, 2, 3, 7, 100, 1000, -1, -1000, 0x7FFFFFFF, 0x7FFFFFF0};
constexpr int kDummyLoopCount = static_cast<int>(std::size(kDummyLoops));

const char kSourcePath[] = "in/pipe.wav";

// The outcome of one attempt: the bytes written, or how the run ended.
struct Attempt {
  bool finished = false;
  std::vector<std::uint8_t> bytes;
  int exit_code = 0;
  std::string message;
};

std::string CheckRunError(const RunError& error, const char* stage) {
  const std::string& message = error.message();
  if (error.exit_code() != kExitFailure && error.exit_code() != kExitFatal) {
    return std::string(stage) + ": exit code " + std::to_string(error.exit_code());
  }
  if (message.empty() || message.back() != '\n' || message.find('\n') != message.size() - 1) {
    return std::string(stage) + ": message is not one line: \"" + message + "\"";
  }
  return {};
}

// The source's WAVE file, as loaded, and how it was packed, if it was.
struct Source {
  std::span<const std::uint8_t> image;
  std::optional<WavPackFormat> wavpack;
};

Attempt WriteIntoMemory(const Source& source, const SourceAnalysis& analysis, const ExerciseOptions& options,
                        std::uint64_t limit) {
  Attempt attempt;
  MemorySink sink(limit);
  try {
    const RetuneJob job = MakeRetuneJob(source.image, analysis, options.settings, options.tuning_factor);
    if (source.wavpack) {
      WavPackSink packed(*source.wavpack, sink);
      WriteRetunedWave(kSourcePath, "out/pipe.wav", job, packed);
      packed.Finish();
      if (!sink.ok()) ThrowWriteFailed();
    } else {
      WriteRetunedWave(kSourcePath, "out/pipe.wav", job, sink);
    }
    attempt.finished = true;
  } catch (const RunError& error) {
    attempt.exit_code = error.exit_code();
    attempt.message = error.message();
  }
  attempt.bytes = sink.bytes();
  return attempt;
}

bool DirectoryIsEmpty(const std::filesystem::path& directory) {
  std::error_code error;
  return std::filesystem::is_empty(directory, error) && !error;
}

// The same output through the atomic file writer: same outcome, same bytes,
// and nothing but the finished file left in the directory.
std::string CheckFileWriter(const Source& source, const SourceAnalysis& analysis, const ExerciseOptions& options,
                            const Attempt& in_memory, const std::filesystem::path& scratch) {
  const std::filesystem::path destination = scratch / "pipe.wav";
  Attempt on_disk;
  try {
    GenerateOutput(kSourcePath, destination.string(), options.tuning_factor, source.image, analysis,
                   options.settings, source.wavpack);
    on_disk.finished = true;
  } catch (const RunError& error) {
    if (std::string problem = CheckRunError(error, "file writer"); !problem.empty()) return problem;
    on_disk.exit_code = error.exit_code();
    on_disk.message = error.message();
  }
  if (on_disk.finished != in_memory.finished || on_disk.message != in_memory.message) {
    return "file writer ends differently from the in-memory run: \"" + on_disk.message + "\" vs \"" +
           in_memory.message + "\"";
  }
  if (!on_disk.finished) {
    return DirectoryIsEmpty(scratch) ? std::string() : "a failed output left a file behind";
  }
  const std::optional<std::vector<std::uint8_t>> written = platform::ReadWholeFile(destination.string());
  platform::RemoveFile(destination.string());
  if (!written) return "finished output is missing";
  if (*written != in_memory.bytes) return "file writer's bytes differ from the in-memory output";
  return DirectoryIsEmpty(scratch) ? std::string() : "a temporary file was left beside the output";
}

// A disk that fills up part way: the run must end with the write failure
// and nothing else, whatever chunk it was writing.
std::string CheckDiskFull(const Source& source, const SourceAnalysis& analysis, const ExerciseOptions& options,
                          std::uint64_t full_length) {
  const std::uint64_t limit = options.fail_seed % full_length;
  const Attempt attempt = WriteIntoMemory(source, analysis, options, limit);
  if (attempt.finished) return "a write failure went unnoticed";
  if (attempt.exit_code != kExitFatal || attempt.message != "Fatal: can't write to output file!\n") {
    return "a write failure ended with \"" + attempt.message + "\"";
  }
  return {};
}

}  // namespace

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3u;
  return hash;
}

ExerciseOptions DecodeOptions(std::span<const std::uint8_t> input) {
  ExerciseOptions options;
  if (input.size() < kOptionBytes) return options;
  const std::uint8_t flags = input[1];
  options.settings.verbosity = kVerbosities[input[0] % std::size(kVerbosities)];
  options.settings.keep_unused_part = (flags & 0x01) != 0;
  options.settings.copy_unknown_chunks = (flags & 0x02) == 0;
  options.settings.quality = kQualities[(flags >> 2) & 0x03];
  options.through_file = (flags & 0x10) != 0;
  options.disk_full = (flags & 0x20) != 0;
  const int factor_byte = input[2];
  options.tuning_factor = factor_byte < kSpecialFactorCount
                              ? kSpecialFactors[factor_byte]
                              : 0.2 + (factor_byte - kSpecialFactorCount) * (3.83 / (255 - kSpecialFactorCount));
  options.settings.dummy_loop_length = kDummyLoops[input[3] % kDummyLoopCount];
  options.fail_seed = Fnv1a(input);
  return options;
}

std::array<std::uint8_t, kOptionBytes> EncodeOptions(const OptionChoice& choice) {
  std::array<std::uint8_t, kOptionBytes> bytes{};
  bytes[0] = static_cast<std::uint8_t>(choice.verbosity_index);
  bytes[1] = static_cast<std::uint8_t>((choice.keep_unused_part ? 0x01 : 0) | (choice.skip_unknown_chunks ? 0x02 : 0) |
                                       ((choice.quality_index & 0x03) << 2) | (choice.through_file ? 0x10 : 0) |
                                       (choice.disk_full ? 0x20 : 0));
  bytes[2] = static_cast<std::uint8_t>(choice.factor_index);
  bytes[3] = static_cast<std::uint8_t>(choice.dummy_loop_index);
  return bytes;
}

namespace {

// The sub-chunks of an adtl list lie inside it (its pad byte included, as
// the analysis reads it), whole, with nothing after the last one.
std::string CheckAdtlFraming(const WalkedChunk& list, std::span<const std::uint8_t> file) {
  if (!list.Is("LIST") || !IsFourCC(Slice(file, list.body), "adtl")) return {};
  ChunkWalker walker(file, list.body.offset + kListTypeSize, static_cast<std::uint32_t>(list.stored.end()),
                     Framing::kSubChunk);
  while (const std::optional<WalkedChunk> sub = walker.Next()) {
    if (sub->truncated()) return "output adtl sub-chunk reaches past its LIST";
  }
  if (walker.leftover() != 0) return "output adtl LIST ends with bytes that are not a sub-chunk";
  return {};
}

}  // namespace

std::string CheckRetunedFile(std::span<const std::uint8_t> file) {
  if (file.size() < kRiffHeaderSize || !IsFourCC(file, "RIFF") ||
      !IsFourCC(std::span(file).subspan(kRiffFormOffset), "WAVE")) {
    return "output has no RIFF/WAVE header";
  }
  if (LoadU32le(file.data() + kRiffSizeOffset) != file.size() - 8) return "output RIFF size is not its length - 8";
  ChunkWalker walker(file, kRiffHeaderSize, static_cast<std::uint32_t>(file.size()), Framing::kTopLevel);
  while (const std::optional<WalkedChunk> chunk = walker.Next()) {
    if (chunk->truncated() || chunk->pad_missing()) return "output chunk reaches past the end of the file";
    if (std::string problem = CheckAdtlFraming(*chunk, file); !problem.empty()) return problem;
  }
  if (walker.leftover() != 0) return "output ends with bytes that are not a chunk";

  Settings quiet;
  quiet.verbosity = 0;
  try {
    if (!AnalyseSource("out/pipe.wav", file, quiet)) return "output is not accepted as RIFF/WAVE";
  } catch (const RunError& error) {
    return "reading the output back fails: " + error.message();
  }
  return {};
}

namespace {

// A copy in a block of exactly its size: a read past its end is a sanitizer
// report, not a read of whatever follows.
std::span<const std::uint8_t> ExactCopy(std::span<const std::uint8_t> bytes, std::unique_ptr<std::uint8_t[]>& block) {
  block.reset(new std::uint8_t[std::max<std::size_t>(bytes.size(), 1)]);
  if (!bytes.empty()) std::memcpy(block.get(), bytes.data(), bytes.size());
  return {block.get(), bytes.size()};
}

// A WavPack output must unpack to exactly the WAVE file written for the
// same source without packing, and be packed in the source's mode.
std::string CheckPackedFile(std::span<const std::uint8_t> packed, std::span<const std::uint8_t> plain,
                            const WavPackFormat& source) {
  SourceImage unpacked;
  const std::optional<WavPackFormat> format = UnpackWavPackSource("out/pipe.wav", packed, unpacked);
  if (!format) return "WavPack output does not unpack";
  if (!std::equal(plain.begin(), plain.end(), unpacked.bytes().begin(), unpacked.bytes().end())) {
    return "WavPack output unpacks to other bytes than the plain output";
  }
  if (format->compression != source.compression || format->extra != source.extra || format->md5 != source.md5) {
    return "WavPack output is not packed in the source's mode";
  }
  return {};
}

}  // namespace

std::vector<std::uint8_t> PackWithWavPack(std::span<const std::uint8_t> wave, const WavPackFormat& format) {
  ChunkWalker walker(wave, kRiffHeaderSize, static_cast<std::uint32_t>(wave.size()), Framing::kTopLevel);
  std::optional<WalkedChunk> data;
  while (!data) {
    data = walker.Next();
    if (!data) return {};
    if (!data->Is("data")) data.reset();
  }
  MemorySink sink;
  try {
    WavPackSink packed(format, sink);
    packed.Write(wave.first(data->body.offset));
    packed.BeginAudio();
    packed.Write(Slice(wave, data->body));
    packed.EndAudio();
    packed.Write(wave.subspan(static_cast<std::size_t>(data->body.end())));
    packed.Finish();
  } catch (const RunError&) {
    return {};
  }
  return sink.ok() ? sink.bytes() : std::vector<std::uint8_t>();
}

std::string ExercisePipeline(std::span<const std::uint8_t> input, const std::filesystem::path& scratch) {
  const ExerciseOptions options = DecodeOptions(input);
  std::unique_ptr<std::uint8_t[]> block;
  Source source{ExactCopy(input.subspan(std::min(input.size(), kOptionBytes)), block), std::nullopt};
  SourceImage unpacked;
  std::unique_ptr<std::uint8_t[]> unpacked_block;
  if (IsWavPackFile(source.image)) {
    source.wavpack = UnpackWavPackSource(kSourcePath, source.image, unpacked);
    if (!source.wavpack) return {};
    source.image = ExactCopy(unpacked.bytes(), unpacked_block);
  }

  std::optional<SourceAnalysis> analysis;
  try {
    analysis = AnalyseSource(kSourcePath, source.image, options.settings);
  } catch (const RunError& error) {
    return CheckRunError(error, "analysis");
  }
  if (!analysis) return {};
  // A= and M measure the same source: within its bytes, and with a reason
  // whenever there is no reliable pitch.
  const pitch::PitchMeasurement pitch = pitch::MeasurePipePitch(source.image, *analysis, {});
  if (pitch.reliable ? !(pitch.hz > 0.0 && pitch.hz < 1e6) : pitch.problem.empty()) {
    return "pitch measurement gave neither a pitch nor a reason";
  }

  const Source plain{source.image, std::nullopt};
  const Attempt in_memory = WriteIntoMemory(plain, *analysis, options, UINT64_MAX);
  if (!in_memory.finished) {
    if (in_memory.exit_code != kExitFatal) return "output stage ended with exit code " + std::to_string(in_memory.exit_code);
    if (in_memory.message.empty() || in_memory.message.back() != '\n') return "output stage message is not a line";
  } else if (std::string problem = CheckRetunedFile(in_memory.bytes); !problem.empty()) {
    return problem;
  }
  // What the program writes for this source: the plain file, or the packed one.
  Attempt output = in_memory;
  if (source.wavpack) {
    output = WriteIntoMemory(source, *analysis, options, UINT64_MAX);
    if (output.finished != in_memory.finished || output.message != in_memory.message) {
      return "WavPack output ends differently from the plain one: \"" + output.message + "\"";
    }
    if (output.finished) {
      if (std::string problem = CheckPackedFile(output.bytes, in_memory.bytes, *source.wavpack); !problem.empty()) {
        return problem;
      }
    }
  }
  if (options.through_file) {
    if (std::string problem = CheckFileWriter(source, *analysis, options, output, scratch); !problem.empty()) {
      return problem;
    }
  }
  if (options.disk_full && output.finished) {
    return CheckDiskFull(source, *analysis, options, output.bytes.size());
  }
  return {};
}

}  // namespace zelvanor::fuzzing
