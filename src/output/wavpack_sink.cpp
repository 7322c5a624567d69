#include "output/wavpack_sink.h"

#include <algorithm>

#include "common/run_error.h"
#include "wave/byte_reader.h"
#include "wave/chunk_layout.h"

namespace zelvanor {

WavPackSink::WavPackSink(const WavPackFormat& format, ByteSink& packed)
    : packed_(packed),
      frame_bytes_(static_cast<std::uint32_t>(format.frame_bytes())),
      writer_(format, [&packed](std::span<const std::uint8_t> block) {
        packed.Write(block);
        return packed.ok();
      }) {}

void WavPackSink::Check(bool done) const {
  // A write that failed is the output's failure, reported by ok().
  if (done || !packed_.ok()) return;
  ThrowFatal("fatal error: WavPack: %s\n", writer_.problem().c_str());
}

void WavPackSink::Write(std::span<const std::uint8_t> bytes) {
  if (!ok()) return;
  position_ += bytes.size();
  switch (part_) {
    case Part::kHeader:
      header_.insert(header_.end(), bytes.begin(), bytes.end());
      break;
    case Part::kAudio:
      Check(writer_.Pack(bytes));
      break;
    case Part::kTrailer:
      // WavPack stores no pad byte behind odd audio; unpacking adds it.
      if (pad_pending_ && !bytes.empty()) {
        bytes = bytes.subspan(1);
        pad_pending_ = false;
      }
      trailer_.insert(trailer_.end(), bytes.begin(), bytes.end());
      break;
  }
}

void WavPackSink::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (!ok()) return;
  if (offset > header_.size() || bytes.size() > header_.size() - offset) {
    ok_ = false;
    return;
  }
  std::copy(bytes.begin(), bytes.end(), header_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void WavPackSink::BeginAudio() {
  // One WavPack stream holds the audio of one data chunk.
  if (part_ != Part::kHeader) ThrowFatal("fatal error: WavPack holds one data chunk, this output has more\n");
  part_ = Part::kAudio;
  if (!ok()) return;
  // The header ends with the data chunk's size: the length of the audio.
  const std::uint32_t size = header_.size() < kChunkHeaderSize ? 0 : LoadU32le(header_.data() + header_.size() - 4);
  if (frame_bytes_ == 0 || size % frame_bytes_ != 0) {
    ThrowFatal("fatal error: WavPack: the audio is not in the source's frames\n");
  }
  pad_pending_ = (size & 1) != 0;
  Check(writer_.Begin(header_, size / frame_bytes_));
}

void WavPackSink::EndAudio() { part_ = Part::kTrailer; }

void WavPackSink::Finish() {
  if (!ok()) return;
  if (part_ != Part::kTrailer) ThrowFatal("fatal error: WavPack: the output holds no audio\n");
  Check(writer_.Finish(trailer_));
  if (!ok()) return;
  const std::vector<std::uint8_t> first_block = writer_.FirstBlockWithHeader(header_);
  if (first_block.empty()) ThrowFatal("fatal error: WavPack: the RIFF header cannot be stored\n");
  packed_.WriteAt(0, first_block);
}

}  // namespace zelvanor
