#include "wavpack/wavpack_reader.h"

#include <wavpack/wavpack.h>

#include <algorithm>
#include <array>

#include "wavpack/libwavpack/context_handle.h"
#include "wavpack/libwavpack/memory_stream.h"
#include "wavpack/sample_bytes.h"

namespace zelvanor {

bool WavPackAvailable() { return true; }

struct WavPackReader::Library {
  wavpack_library::MemoryStream stream;
  WavpackStreamReader64 callbacks = wavpack_library::MemoryStreamReader();
  wavpack_library::ContextHandle context;
  std::vector<std::int32_t> values;
};

namespace {

WavPackCompression CompressionOf(int mode) {
  if ((mode & MODE_FAST) != 0) return WavPackCompression::kFast;
  if ((mode & MODE_VERY_HIGH) != 0) return WavPackCompression::kVeryHigh;
  if ((mode & MODE_HIGH) != 0) return WavPackCompression::kHigh;
  return WavPackCompression::kNormal;
}

// Takes the wrapper bytes libwavpack has collected so far and lets it
// collect afresh.
std::vector<std::uint8_t> TakeWrapper(WavpackContext* context) {
  const std::uint32_t size = WavpackGetWrapperBytes(context);
  const unsigned char* data = WavpackGetWrapperData(context);
  std::vector<std::uint8_t> bytes;
  if (size > 0 && data != nullptr) bytes.assign(data, data + size);
  WavpackFreeWrapper(context);
  return bytes;
}

}  // namespace

WavPackReader::WavPackReader(std::span<const std::uint8_t> file) : library_(std::make_unique<Library>()) {
  library_->stream.bytes = file;
  // libwavpack asks for room for 80 characters.
  std::array<char, 128> error{};
  // No correction file is looked for: hybrid files are refused anyway.
  library_->context.reset(WavpackOpenFileInputEx64(&library_->callbacks, &library_->stream, nullptr, error.data(),
                                                   OPEN_WRAPPER | OPEN_ALT_TYPES, 0));
  WavpackContext* const context = library_->context.get();
  if (context == nullptr) {
    problem_ = error[0] != '\0' ? std::string(error.data()) : "not a WavPack file";
    return;
  }
  const int mode = WavpackGetMode(context);
  hybrid_ = (mode & MODE_HYBRID) != 0 || (mode & MODE_LOSSLESS) == 0;
  packed_wave_ = WavpackGetFileFormat(context) == WP_FORMAT_WAV;
  format_.bytes_per_sample = WavpackGetBytesPerSample(context);
  format_.bits_per_sample = WavpackGetBitsPerSample(context);
  format_.channels = WavpackGetNumChannels(context);
  format_.channel_mask = static_cast<std::uint32_t>(WavpackGetChannelMask(context));
  format_.sample_rate = WavpackGetSampleRate(context);
  format_.float_samples = (mode & MODE_FLOAT) != 0;
  format_.compression = CompressionOf(mode);
  format_.extra = (mode & MODE_EXTRA) != 0;
  format_.extra_level = (mode & MODE_XMODE) >> 12;
  format_.md5 = (mode & MODE_MD5) != 0;
  format_.qualify_mode = WavpackGetQualifyMode(context);
  if (format_.bytes_per_sample < 1 || format_.bytes_per_sample > 4 || format_.channels < 1) {
    problem_ = "unusable sample format";
    return;
  }
  if (const std::int64_t frames = WavpackGetNumSamples64(context); frames >= 0) {
    frames_ = static_cast<std::uint64_t>(frames);
  }
  header_ = TakeWrapper(context);
  WavpackSeekTrailingWrapper(context);
  trailer_ = TakeWrapper(context);
}

WavPackReader::~WavPackReader() = default;

std::uint64_t WavPackReader::Unpack(std::span<std::uint8_t> out) {
  WavpackContext* const context = library_->context.get();
  if (context == nullptr || !problem_.empty()) return 0;
  const auto frame_bytes = static_cast<std::size_t>(format_.frame_bytes());
  const auto channels = static_cast<std::size_t>(format_.channels);
  // libwavpack unpacks into 32-bit values; a modest piece at a time.
  const std::size_t piece = std::max<std::size_t>(1, 16384 / channels);
  library_->values.resize(piece * channels);
  const std::uint64_t wanted = out.size() / frame_bytes;
  std::uint64_t done = 0;
  while (done < wanted) {
    const auto ask = static_cast<std::uint32_t>(std::min<std::uint64_t>(piece, wanted - done));
    const std::uint32_t got = std::min(ask, WavpackUnpackSamples(context, library_->values.data(), ask));
    if (got == 0) break;
    StoreSampleBytes(library_->values.data(), got * channels, format_.bytes_per_sample,
                     out.data() + done * frame_bytes);
    done += got;
  }
  // Reading through the last block has collected the trailer once more.
  WavpackFreeWrapper(context);
  return done;
}

int WavPackReader::errors() const {
  return library_->context != nullptr ? WavpackGetNumErrors(library_->context.get()) : 0;
}

}  // namespace zelvanor
