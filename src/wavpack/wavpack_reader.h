// Reads a WavPack file held in memory: its format, the RIFF header and
// trailer stored with it (the "wrapper": every byte of the packed WAVE file
// other than the audio, verbatim) and the audio as WAVE sample bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "wavpack/wavpack_format.h"

namespace zelvanor {

class WavPackReader {
 public:
  // Opens the file in `file`, which must outlive the reader.
  explicit WavPackReader(std::span<const std::uint8_t> file);
  ~WavPackReader();
  WavPackReader(const WavPackReader&) = delete;
  WavPackReader& operator=(const WavPackReader&) = delete;

  // Why the file cannot be read, in libwavpack's words; empty when it opened.
  const std::string& problem() const { return problem_; }

  const WavPackFormat& format() const { return format_; }
  // Hybrid: lossy by itself, lossless only with its correction file.
  bool hybrid() const { return hybrid_; }
  // The packed file was RIFF/WAVE (not Wave64, CAF, AIFF or DSD).
  bool packed_wave() const { return packed_wave_; }
  // Frames of audio, when the file tells.
  std::optional<std::uint64_t> frames() const { return frames_; }
  // The packed file up to and including the data chunk's header; empty
  // for raw WavPack, which stores no wrapper.
  const std::vector<std::uint8_t>& header() const { return header_; }
  // The packed file behind the audio.
  const std::vector<std::uint8_t>& trailer() const { return trailer_; }

  // Unpacks the next frames into `out` (as many whole frames as it holds)
  // and returns how many it unpacked: fewer only at the end of the audio
  // or where the file is damaged.
  std::uint64_t Unpack(std::span<std::uint8_t> out);
  // Blocks found damaged so far (checksum errors, missing blocks).
  int errors() const;

 private:
  struct Library;
  std::unique_ptr<Library> library_;
  std::string problem_;
  WavPackFormat format_;
  bool hybrid_ = false;
  bool packed_wave_ = false;
  std::optional<std::uint64_t> frames_;
  std::vector<std::uint8_t> header_;
  std::vector<std::uint8_t> trailer_;
};

}  // namespace zelvanor
