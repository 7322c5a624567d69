// Where a retuned file's bytes go. The output core writes through this
// interface only, so the same code fills a real file (FileSink) or memory
// (MemorySink: tests, the fuzzer, benchmarks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace zelvanor {

class ByteSink {
 public:
  virtual ~ByteSink() = default;

  // Appends bytes. A failure is sticky: ok() turns false and stays so, and
  // later writes are ignored.
  virtual void Write(std::span<const std::uint8_t> bytes) = 0;

  // Bytes appended so far: the length the output will have.
  virtual std::uint64_t Position() const = 0;

  // Replaces bytes already written (the RIFF size at the end). Replacing
  // bytes that were never written is a failure.
  virtual void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;

  virtual bool ok() const = 0;

  // The data chunk's body (its sample values, without its header and pad
  // byte) is written between these two calls. A plain file has no use for
  // them; a container that keeps the audio apart from the chunks does.
  virtual void BeginAudio() {}
  virtual void EndAudio() {}

  // Appends `count` zero bytes.
  void WriteZeros(std::uint64_t count);
};

// Collects the output in memory. `limit` makes writes beyond that many bytes
// fail, as a full disk would.
class MemorySink final : public ByteSink {
 public:
  MemorySink() = default;
  explicit MemorySink(std::uint64_t limit) : limit_(limit) {}

  void Write(std::span<const std::uint8_t> bytes) override;
  std::uint64_t Position() const override { return bytes_.size(); }
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
  bool ok() const override { return ok_; }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t limit_ = std::numeric_limits<std::uint64_t>::max();
  bool ok_ = true;
};

}  // namespace zelvanor
