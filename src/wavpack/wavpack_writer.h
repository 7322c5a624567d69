// Packs a WAVE file's audio with WavPack, lossless, storing the rest of the
// file (header and trailer) verbatim, so that unpacking restores the WAVE
// file byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "wavpack/md5.h"
#include "wavpack/wavpack_format.h"

namespace zelvanor {

class WavPackWriter {
 public:
  // Takes each finished block, in file order; false when it could not be
  // stored, which stops the writer.
  using BlockOutput = std::function<bool(std::span<const std::uint8_t> block)>;

  WavPackWriter(const WavPackFormat& format, BlockOutput output);
  ~WavPackWriter();
  WavPackWriter(const WavPackWriter&) = delete;
  WavPackWriter& operator=(const WavPackWriter&) = delete;

  // Each step returns false when it failed: the output refused a block, or
  // libwavpack gave up (problem() says why).
  //
  // Starts the file: `header` is the WAVE file up to and including the
  // data chunk's header, `frames` the length of the audio that follows.
  bool Begin(std::span<const std::uint8_t> header, std::uint64_t frames);
  // Audio as WAVE sample bytes, in pieces of any size.
  bool Pack(std::span<const std::uint8_t> samples);
  // Ends the audio (which must have come in whole frames) and stores the
  // WAVE file's bytes behind it.
  bool Finish(std::span<const std::uint8_t> trailer);
  // The first block once more, with `header` (of the length given to
  // Begin) stored in place of the header it was packed with and its
  // checksum renewed: a header finished only after the audio (its RIFF
  // size) is put into the file by writing this over the first block.
  // Empty when that is impossible.
  std::vector<std::uint8_t> FirstBlockWithHeader(std::span<const std::uint8_t> header);

  const std::string& problem() const { return problem_; }

 private:
  bool PackWholeFrames(std::span<const std::uint8_t> samples);

  struct Library;
  std::unique_ptr<Library> library_;
  WavPackFormat format_;
  BlockOutput output_;
  std::vector<std::uint8_t> first_block_;
  std::vector<std::uint8_t> partial_frame_;  // bytes of a frame cut between two Pack calls
  std::vector<std::int32_t> values_;
  Md5 md5_;
  std::string problem_;
};

}  // namespace zelvanor
