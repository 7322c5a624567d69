// Builds WAVE images chunk by chunk, in any order and with any sizes, so
// that a test states its file in a few lines:
//
//   auto image = WaveBuilder()
//                    .Fmt(Format{.channels = 2, .bits = 16})
//                    .Data(Pcm({1, 2, 3, 4}, 16))
//                    .Cue({{.id = 1, .offset = 10}})
//                    .Build();
//
// Broken files are stated the same way: every chunk method takes a size
// field that need not match its body, counts can be overridden, and
// Truncated() / WithU32() cut or patch a built image.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace zelvanor::testing {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void PutU32(Bytes& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
inline void PutId(Bytes& out, const std::string& id) {
  for (std::size_t i = 0; i < 4; ++i) out.push_back(i < id.size() ? static_cast<std::uint8_t>(id[i]) : ' ');
}
inline void PutBytes(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
// Character by character: GCC 12 at -O3 misreads a ranged insert from a
// string into a vector it has just grown (-Wstringop-overflow).
inline void PutText(Bytes& out, const std::string& text) {
  for (const char c : text) out.push_back(static_cast<std::uint8_t>(c));
}

struct Format {
  std::uint16_t format_tag = 1;
  std::uint16_t channels = 1;
  std::uint32_t rate = 44100;
  std::uint16_t bits = 16;
};

inline Bytes FmtBody(const Format& format, std::size_t extra_bytes = 0) {
  Bytes body;
  const std::uint32_t block = static_cast<std::uint32_t>(format.channels * (format.bits / 8));
  PutU16(body, format.format_tag);
  PutU16(body, format.channels);
  PutU32(body, format.rate);
  PutU32(body, format.rate * block);
  PutU16(body, block);
  PutU16(body, format.bits);
  body.resize(body.size() + extra_bytes, 0);
  return body;
}

// Interleaved sample values stored at `bits` (8, 16, 24 or 32) per value.
inline Bytes Pcm(const std::vector<std::int32_t>& values, int bits) {
  Bytes body;
  for (std::int32_t value : values) {
    const auto bits_of = static_cast<std::uint32_t>(value);
    for (int byte = 0; byte < bits / 8; ++byte) body.push_back(static_cast<std::uint8_t>(bits_of >> (8 * byte)));
  }
  return body;
}

struct CuePoint {
  std::uint32_t id = 0;
  std::optional<std::uint32_t> position{};  // defaults to the offset
  std::uint32_t offset = 0;
  std::string chunk = "data";
  std::uint32_t chunk_start = 0;
  std::uint32_t block_start = 0;
};

inline Bytes CueRecord(const CuePoint& cue) {
  Bytes record;
  PutU32(record, cue.id);
  PutU32(record, cue.position.value_or(cue.offset));
  PutId(record, cue.chunk);
  PutU32(record, cue.chunk_start);
  PutU32(record, cue.block_start);
  PutU32(record, cue.offset);
  return record;
}

inline Bytes CueBody(const std::vector<CuePoint>& cues, std::optional<std::uint32_t> count = std::nullopt) {
  Bytes body;
  PutU32(body, count.value_or(static_cast<std::uint32_t>(cues.size())));
  for (const CuePoint& cue : cues) PutBytes(body, CueRecord(cue));
  return body;
}

struct Loop {
  std::uint32_t id = 0;
  std::uint32_t type = 0;
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint32_t fraction = 0;
  std::uint32_t play_count = 0;
};

struct Sampler {
  std::uint32_t manufacturer = 0;
  std::uint32_t product = 0;
  std::uint32_t sample_period = 22675;
  std::uint32_t unity_note = 60;
  std::uint32_t pitch_fraction = 0;
  std::uint32_t smpte_format = 0;
  std::uint32_t smpte_offset = 0;
};

inline Bytes SmplBody(const std::vector<Loop>& loops, const Bytes& extra = {},
                      const Sampler& sampler = {}, std::optional<std::uint32_t> loop_count = std::nullopt) {
  Bytes body;
  PutU32(body, sampler.manufacturer);
  PutU32(body, sampler.product);
  PutU32(body, sampler.sample_period);
  PutU32(body, sampler.unity_note);
  PutU32(body, sampler.pitch_fraction);
  PutU32(body, sampler.smpte_format);
  PutU32(body, sampler.smpte_offset);
  PutU32(body, loop_count.value_or(static_cast<std::uint32_t>(loops.size())));
  PutU32(body, static_cast<std::uint32_t>(extra.size()));
  for (const Loop& loop : loops) {
    PutU32(body, loop.id);
    PutU32(body, loop.type);
    PutU32(body, loop.start);
    PutU32(body, loop.end);
    PutU32(body, loop.fraction);
    PutU32(body, loop.play_count);
  }
  PutBytes(body, extra);
  return body;
}

// A chunk or sub-chunk: header, body, and a pad byte after an odd body.
// `declared_size` replaces the size field (the body is written as given).
inline Bytes Chunk(const std::string& id, const Bytes& body,
                   std::optional<std::uint32_t> declared_size = std::nullopt, bool pad = true) {
  Bytes out;
  PutId(out, id);
  PutU32(out, declared_size.value_or(static_cast<std::uint32_t>(body.size())));
  PutBytes(out, body);
  if (pad && body.size() % 2 == 1) out.push_back(0);
  return out;
}

// `terminate` false leaves out the text's zero byte.
inline Bytes TextSubChunk(const std::string& id, std::uint32_t cue_id, const std::string& text,
                          bool terminate = true) {
  Bytes body;
  body.reserve(4 + text.size() + 1);  // also keeps GCC 12's -Wstringop-overflow from a false alarm
  PutU32(body, cue_id);
  PutText(body, text);
  if (terminate) body.push_back(0);
  return Chunk(id, body);
}
inline Bytes Labl(std::uint32_t cue_id, const std::string& text) { return TextSubChunk("labl", cue_id, text); }
inline Bytes Note(std::uint32_t cue_id, const std::string& text) { return TextSubChunk("note", cue_id, text); }
inline Bytes Ltxt(std::uint32_t cue_id, std::uint32_t sample_length, const std::string& purpose = "rgn ",
                  const std::string& text = "") {
  Bytes body;
  PutU32(body, cue_id);
  PutU32(body, sample_length);
  PutId(body, purpose);
  PutU16(body, 0);  // wCountry
  PutU16(body, 0);  // wLanguage
  PutU16(body, 0);  // wDialect
  PutU16(body, 0);  // wCodePage
  if (!text.empty()) {
    PutText(body, text);
    body.push_back(0);
  }
  return Chunk("ltxt", body);
}

inline Bytes ListBody(const std::string& type, std::initializer_list<Bytes> sub_chunks) {
  Bytes body;
  PutId(body, type);
  for (const Bytes& sub : sub_chunks) PutBytes(body, sub);
  return body;
}

class WaveBuilder {
 public:
  // `pad` false writes an odd-sized fmt chunk without its pad byte, the way
  // the walk reads it (by its size alone).
  WaveBuilder& Fmt(const Format& format, std::size_t extra_bytes = 0, bool pad = true) {
    return Add(Chunk("fmt ", FmtBody(format, extra_bytes), std::nullopt, pad));
  }
  WaveBuilder& Data(const Bytes& body, std::optional<std::uint32_t> declared_size = std::nullopt) {
    return Add(Chunk("data", body, declared_size));
  }
  WaveBuilder& Cue(const std::vector<CuePoint>& cues, std::optional<std::uint32_t> count = std::nullopt,
                   std::optional<std::uint32_t> declared_size = std::nullopt) {
    return Add(Chunk("cue ", CueBody(cues, count), declared_size));
  }
  WaveBuilder& Smpl(const std::vector<Loop>& loops, const Bytes& extra = {}, const Sampler& sampler = {},
                    std::optional<std::uint32_t> loop_count = std::nullopt,
                    std::optional<std::uint32_t> declared_size = std::nullopt) {
    return Add(Chunk("smpl", SmplBody(loops, extra, sampler, loop_count), declared_size));
  }
  WaveBuilder& Adtl(std::initializer_list<Bytes> sub_chunks) {
    return Add(Chunk("LIST", ListBody("adtl", sub_chunks)));
  }
  WaveBuilder& List(const std::string& type, std::initializer_list<Bytes> sub_chunks,
                    std::optional<std::uint32_t> declared_size = std::nullopt) {
    return Add(Chunk("LIST", ListBody(type, sub_chunks), declared_size));
  }
  WaveBuilder& Unknown(const std::string& id, const Bytes& body,
                       std::optional<std::uint32_t> declared_size = std::nullopt) {
    return Add(Chunk(id, body, declared_size));
  }
  // The offset in the built image at which the next chunk will start.
  std::size_t Offset() const { return 12 + chunks_.size(); }
  // Any bytes: a chunk made with Chunk(), or deliberately broken ones.
  WaveBuilder& Add(const Bytes& bytes) {
    PutBytes(chunks_, bytes);
    return *this;
  }
  WaveBuilder& RiffSize(std::uint32_t size) {
    riff_size_ = size;
    return *this;
  }
  WaveBuilder& Magic(const std::string& riff, const std::string& wave) {
    riff_ = riff;
    wave_ = wave;
    return *this;
  }

  Bytes Build() const {
    Bytes out;
    PutId(out, riff_);
    PutU32(out, riff_size_.value_or(static_cast<std::uint32_t>(chunks_.size() + 4)));
    PutId(out, wave_);
    PutBytes(out, chunks_);
    return out;
  }

 private:
  Bytes chunks_;
  std::optional<std::uint32_t> riff_size_;
  std::string riff_ = "RIFF";
  std::string wave_ = "WAVE";
};

// The first `length` bytes of an image (a file cut off while written).
inline Bytes Truncated(const Bytes& image, std::size_t length) {
  return Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(std::min(length, image.size())));
}

// A copy of an image with the u32 at `offset` replaced.
inline Bytes WithU32(Bytes image, std::size_t offset, std::uint32_t value) {
  for (int byte = 0; byte < 4; ++byte) image.at(offset + byte) = static_cast<std::uint8_t>(value >> (8 * byte));
  return image;
}

}  // namespace zelvanor::testing
