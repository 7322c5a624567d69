// A ByteSink over the platform's atomic output file. The file itself
// decides buffering, the temporary name and the final rename.
#pragma once

#include "output/byte_sink.h"
#include "platform/output_file.h"

namespace zelvanor {

class FileSink final : public ByteSink {
 public:
  explicit FileSink(platform::OutputFile& file) : file_(file) {}

  void Write(std::span<const std::uint8_t> bytes) override { file_.Write(bytes.data(), bytes.size()); }
  std::uint64_t Position() const override { return file_.Position(); }
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    file_.WriteAt(offset, bytes.data(), bytes.size());
  }
  bool ok() const override { return file_.ok(); }

 private:
  platform::OutputFile& file_;
};

}  // namespace zelvanor
