#include "wave/wavpack_source.h"

#include <algorithm>
#include <limits>

#include "common/console.h"
#include "wave/byte_reader.h"
#include "wave/chunk_layout.h"
#include "wave/chunk_walker.h"
#include "wavpack/wavpack_reader.h"

namespace zelvanor {
namespace {

// A WavPack block holds at most 131072 frames of one or two channels
// behind its 32-byte header: a file that claims more audio than its blocks
// could hold is damaged, and is refused before memory is set aside for it.
constexpr std::uint64_t kMaxBlockFrames = 131072;
constexpr std::uint64_t kBlockHeaderSize = 32;

std::uint64_t MostFramesIn(std::size_t file_size, int channels) {
  const auto blocks_per_set = static_cast<std::uint64_t>(channels + 1) / 2;
  return (file_size / kBlockHeaderSize / blocks_per_set + 1) * kMaxBlockFrames;
}

void SkipDamaged(const std::string& path, const char* why) {
  Print("%s is a damaged WavPack file (%s); skipped\n", path.c_str(), why);
}

// The stored header must be a RIFF/WAVE file's chunks up to the header of
// its one data chunk, which announces exactly the audio stored.
bool HeaderLeadsToAudio(const std::vector<std::uint8_t>& header, std::uint64_t audio_bytes) {
  if (header.size() < kRiffHeaderSize + kChunkHeaderSize) return false;
  const auto end = static_cast<std::uint32_t>(header.size());
  ChunkWalker walker(header, kRiffHeaderSize, end, Framing::kTopLevel);
  while (const std::optional<WalkedChunk> chunk = walker.Next()) {
    if (chunk->Is("data")) return chunk->offset == end - kChunkHeaderSize && chunk->declared_size == audio_bytes;
    if (chunk->truncated()) return false;
  }
  return false;
}

int DataChunkCount(std::span<const std::uint8_t> image) {
  ChunkWalker walker(image, kRiffHeaderSize, static_cast<std::uint32_t>(image.size()), Framing::kTopLevel);
  int count = 0;
  while (const std::optional<WalkedChunk> chunk = walker.Next()) count += chunk->Is("data") ? 1 : 0;
  return count;
}

}  // namespace

bool IsWavPackFile(std::span<const std::uint8_t> file) { return IsFourCC(file, "wvpk"); }

std::optional<WavPackFormat> UnpackWavPackSource(const std::string& path, std::span<const std::uint8_t> file,
                                                 SourceImage& image) {
  const char* const name = path.c_str();
  if (!WavPackAvailable()) {
    Print("%s is a WavPack file, which this build of Zelvanor cannot read; skipped\n", name);
    return std::nullopt;
  }
  WavPackReader reader(file);
  if (!reader.problem().empty()) {
    SkipDamaged(path, reader.problem().c_str());
    return std::nullopt;
  }
  // Retuning a lossy file would either pass its loss off as lossless or
  // add a second loss to the first.
  if (reader.hybrid()) {
    Print("%s is lossy (hybrid) WavPack, which Zelvanor does not retune; skipped\n", name);
    return std::nullopt;
  }
  // A damaged first block would pass the file off as one without a header.
  if (reader.errors() != 0) {
    SkipDamaged(path, "its blocks fail their checksums");
    return std::nullopt;
  }
  const std::vector<std::uint8_t>& header = reader.header();
  if (header.size() < kRiffHeaderSize || !reader.packed_wave() || !IsFourCC(header, "RIFF") ||
      !IsFourCC(std::span(header).subspan(kRiffFormOffset), "WAVE")) {
    Print("%s is WavPack holding another file than RIFF/WAVE; skipped\n", name);
    return std::nullopt;
  }

  const std::optional<std::uint64_t> frames = reader.frames();
  if (!frames || *frames > MostFramesIn(file.size(), reader.format().channels)) {
    SkipDamaged(path, "its length is unknown or more than it holds");
    return std::nullopt;
  }
  const std::uint64_t audio_bytes = *frames * static_cast<std::uint64_t>(reader.format().frame_bytes());
  const std::vector<std::uint8_t>& trailer = reader.trailer();
  // The pad byte behind odd audio is not stored; unpacking restores it.
  const std::uint64_t pad = audio_bytes & 1;
  const std::uint64_t size = header.size() + audio_bytes + pad + trailer.size();
  if (size > std::numeric_limits<std::uint32_t>::max() - SourceImage::kHeadroom) {
    Print("%s is too large for a WAVE file (%llu bytes), skipped\n", name, static_cast<unsigned long long>(size));
    return std::nullopt;
  }
  if (!HeaderLeadsToAudio(header, audio_bytes)) {
    SkipDamaged(path, "its RIFF header does not announce its audio");
    return std::nullopt;
  }

  if (!image.Reserve(static_cast<std::uint32_t>(size))) return std::nullopt;
  const std::span<std::uint8_t> buffer = image.writable_buffer();
  std::copy(header.begin(), header.end(), buffer.begin());
  const std::uint64_t unpacked = reader.Unpack(buffer.subspan(header.size(), static_cast<std::size_t>(audio_bytes)));
  if (unpacked != *frames || reader.errors() != 0) {
    SkipDamaged(path, "its audio is cut short or fails its checksums");
    return std::nullopt;
  }
  const std::size_t behind_audio = header.size() + static_cast<std::size_t>(audio_bytes);
  if (pad != 0) buffer[behind_audio] = 0;
  std::copy(trailer.begin(), trailer.end(), buffer.begin() + static_cast<std::ptrdiff_t>(behind_audio + pad));
  image.set_length(static_cast<std::uint32_t>(size));
  // The audio can go back into one WavPack stream only as one data chunk.
  if (DataChunkCount(image.bytes()) != 1) {
    SkipDamaged(path, "its RIFF trailer holds another data chunk");
    return std::nullopt;
  }
  return reader.format();
}

}  // namespace zelvanor
