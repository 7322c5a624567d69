#include "wavpack/wavpack_writer.h"

#include <wavpack/wavpack.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "wavpack/libwavpack/context_handle.h"
#include "wavpack/sample_bytes.h"

namespace zelvanor {

struct WavPackWriter::Library {
  std::function<bool(std::span<const std::uint8_t>)> store;
  wavpack_library::ContextHandle context;  // last: closed before `store` goes

  static int StoreBlock(void* id, void* data, std::int32_t count) {
    auto& library = *static_cast<Library*>(id);
    const std::span<const std::uint8_t> block(static_cast<const std::uint8_t*>(data),
                                              static_cast<std::size_t>(std::max(count, 0)));
    return library.store(block) ? 1 : 0;
  }
};

namespace {

constexpr std::size_t kPieceFrames = 4096;

int ConfigFlagsFor(const WavPackFormat& format) {
  int flags = 0;
  switch (format.compression) {
    case WavPackCompression::kFast:
      flags |= CONFIG_FAST_FLAG;
      break;
    case WavPackCompression::kNormal:
      break;
    case WavPackCompression::kHigh:
      flags |= CONFIG_HIGH_FLAG;
      break;
    case WavPackCompression::kVeryHigh:
      flags |= CONFIG_HIGH_FLAG | CONFIG_VERY_HIGH_FLAG;
      break;
  }
  if (format.extra) flags |= CONFIG_EXTRA_MODE;
  if (format.md5) flags |= CONFIG_MD5_CHECKSUM;
  return flags;
}

}  // namespace

WavPackWriter::WavPackWriter(const WavPackFormat& format, BlockOutput output)
    : library_(std::make_unique<Library>()), format_(format), output_(std::move(output)) {
  library_->store = [this](std::span<const std::uint8_t> block) {
    if (first_block_.empty()) first_block_.assign(block.begin(), block.end());
    return output_(block);
  };
  library_->context.reset(WavpackOpenFileOutput(&Library::StoreBlock, library_.get(), nullptr));
}

WavPackWriter::~WavPackWriter() = default;

bool WavPackWriter::Begin(std::span<const std::uint8_t> header, std::uint64_t frames) {
  WavpackContext* const context = library_->context.get();
  if (context == nullptr) {
    problem_ = "no memory for the WavPack encoder";
    return false;
  }
  if (format_.float_samples || format_.bytes_per_sample < 1 || format_.bytes_per_sample > 4 ||
      format_.channels < 1) {
    problem_ = "no integer audio to pack";
    return false;
  }
  WavpackConfig config{};
  config.bytes_per_sample = format_.bytes_per_sample;
  // Retuned values use every bit of their width, whatever the source's
  // valid bits were; packing them at full width keeps them all.
  config.bits_per_sample = 8 * format_.bytes_per_sample;
  config.num_channels = format_.channels;
  config.channel_mask = static_cast<std::int32_t>(format_.channel_mask);
  config.sample_rate = static_cast<std::int32_t>(format_.sample_rate);
  config.qmode = format_.qualify_mode;
  config.flags = ConfigFlagsFor(format_);
  config.xmode = format_.extra ? format_.extra_level : 0;
  // libwavpack takes the wrapper through a pointer to non-const bytes.
  std::vector<std::uint8_t> stored(header.begin(), header.end());
  if (!WavpackSetConfiguration64(context, &config, static_cast<std::int64_t>(frames), nullptr) ||
      !WavpackAddWrapper(context, stored.data(), static_cast<std::uint32_t>(stored.size())) ||
      !WavpackPackInit(context)) {
    problem_ = WavpackGetErrorMessage(context);
    return false;
  }
  values_.resize(kPieceFrames * static_cast<std::size_t>(format_.channels));
  return true;
}

bool WavPackWriter::Pack(std::span<const std::uint8_t> samples) {
  const auto frame_bytes = static_cast<std::size_t>(format_.frame_bytes());
  if (!partial_frame_.empty()) {
    const std::size_t take = std::min(samples.size(), frame_bytes - partial_frame_.size());
    partial_frame_.insert(partial_frame_.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(take));
    samples = samples.subspan(take);
    if (partial_frame_.size() < frame_bytes) return true;
    if (!PackWholeFrames(partial_frame_)) return false;
    partial_frame_.clear();
  }
  const std::size_t whole = samples.size() / frame_bytes * frame_bytes;
  if (whole > 0 && !PackWholeFrames(samples.first(whole))) return false;
  partial_frame_.assign(samples.begin() + static_cast<std::ptrdiff_t>(whole), samples.end());
  return true;
}

bool WavPackWriter::PackWholeFrames(std::span<const std::uint8_t> samples) {
  if (library_->context == nullptr || values_.empty()) {
    problem_ = "audio before the header";
    return false;
  }
  if (format_.md5) md5_.Add(samples);
  const auto frame_bytes = static_cast<std::size_t>(format_.frame_bytes());
  const auto channels = static_cast<std::size_t>(format_.channels);
  while (!samples.empty()) {
    const std::size_t frames = std::min(kPieceFrames, samples.size() / frame_bytes);
    LoadSampleBytes(samples.data(), frames * channels, format_.bytes_per_sample, values_.data());
    if (!WavpackPackSamples(library_->context.get(), values_.data(), static_cast<std::uint32_t>(frames))) {
      problem_ = WavpackGetErrorMessage(library_->context.get());
      return false;
    }
    samples = samples.subspan(frames * frame_bytes);
  }
  return true;
}

bool WavPackWriter::Finish(std::span<const std::uint8_t> trailer) {
  WavpackContext* const context = library_->context.get();
  if (context == nullptr || values_.empty()) {
    problem_ = "no header was stored";
    return false;
  }
  if (!partial_frame_.empty()) {
    problem_ = "the audio ends inside a frame";
    return false;
  }
  if (!WavpackFlushSamples(context)) {
    problem_ = WavpackGetErrorMessage(context);
    return false;
  }
  std::array<std::uint8_t, 16> digest{};
  if (format_.md5) {
    digest = md5_.Finish();
    WavpackStoreMD5Sum(context, digest.data());
  }
  std::vector<std::uint8_t> stored(trailer.begin(), trailer.end());
  if ((!stored.empty() && !WavpackAddWrapper(context, stored.data(), static_cast<std::uint32_t>(stored.size()))) ||
      !WavpackFlushSamples(context)) {
    problem_ = WavpackGetErrorMessage(context);
    return false;
  }
  return true;
}

std::vector<std::uint8_t> WavPackWriter::FirstBlockWithHeader(std::span<const std::uint8_t> header) {
  if (library_->context == nullptr || first_block_.empty()) return {};
  std::vector<std::uint8_t> block = first_block_;
  std::uint32_t stored_size = 0;
  void* const stored = WavpackGetWrapperLocation(block.data(), &stored_size);
  if (stored == nullptr || stored_size != header.size()) return {};
  std::memcpy(stored, header.data(), header.size());
  // Renews the block's checksum (the total of frames stays as it was).
  WavpackUpdateNumSamples(library_->context.get(), block.data());
  return block;
}

}  // namespace zelvanor
