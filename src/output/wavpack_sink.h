// Packs the retuned WAVE file with WavPack while it is written: the bytes
// before the audio are stored as the header, the audio is packed, the bytes
// behind it (but the pad byte of odd audio) are stored as the trailer. Unpacked, the result is byte for
// byte the WAVE file a plain sink would hold; positions count that file's
// bytes, so the RIFF size comes out the same.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "output/byte_sink.h"
#include "wavpack/wavpack_format.h"
#include "wavpack/wavpack_writer.h"

namespace zelvanor {

class WavPackSink final : public ByteSink {
 public:
  // Packs like `format` says (the source's format and mode) into `packed`.
  WavPackSink(const WavPackFormat& format, ByteSink& packed);

  void Write(std::span<const std::uint8_t> bytes) override;
  std::uint64_t Position() const override { return position_; }
  // Only the header can be rewritten (the RIFF size, last of all); it
  // reaches the file with Finish.
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
  bool ok() const override { return ok_ && packed_.ok(); }
  void BeginAudio() override;
  void EndAudio() override;

  // Stores the trailer and writes the finished header into the first
  // block. A failed write shows in ok(); an encoder that fails otherwise,
  // or a WAVE file WavPack cannot hold, throws RunError (exit code 99).
  void Finish();

 private:
  enum class Part { kHeader, kAudio, kTrailer };

  void Check(bool done) const;

  ByteSink& packed_;
  std::uint32_t frame_bytes_;
  WavPackWriter writer_;
  Part part_ = Part::kHeader;
  std::vector<std::uint8_t> header_;
  std::vector<std::uint8_t> trailer_;
  std::uint64_t position_ = 0;
  bool pad_pending_ = false;  // the pad byte behind odd audio is still to come
  bool ok_ = true;
};

}  // namespace zelvanor
