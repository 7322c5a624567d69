// Builds WAVE images chunk by chunk, in any order and with any sizes, so
// that a test states its file in a line or two:
//   WaveBuilder().Fmt({.channels = 2}).Data(Pcm({1, 2, 3, 4}, 16)).Cue({{.id = 1, .offset = 10}}).Build()
// Broken files are stated the same way: size and count fields need not
// match, and Truncated() and WithU32() cut or patch a built image.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zelvanor::testing {

using Bytes = std::vector<std::uint8_t>;
using Size = std::optional<std::uint32_t>;  // a size or count field that need not match

inline void PutU32(Bytes& out, std::uint32_t value, int width = 4) {
  for (int shift = 0; shift < 8 * width; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
inline void PutBytes(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
// Character by character: GCC 12 at -O3 misreads a ranged insert from a
// string into a vector it has just grown (-Wstringop-overflow).
inline void PutText(Bytes& out, const std::string& text) {
  for (const char c : text) out.push_back(static_cast<std::uint8_t>(c));
}
inline void PutId(Bytes& out, const std::string& id) { PutText(out, (id + "    ").substr(0, 4)); }
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) PutBytes(out, part);
  return out;
}

struct Format {
  std::uint16_t format_tag = 1, channels = 1;
  std::uint32_t rate = 44100;
  std::uint16_t bits = 16;
};

// Two 16-bit fields share each of the first and last words.
inline Bytes FmtBody(const Format& f, std::size_t extra_bytes = 0) {
  const std::uint32_t block = f.channels * (f.bits / 8u);
  Bytes body;
  for (const std::uint32_t word : {f.format_tag | std::uint32_t{f.channels} << 16, f.rate, f.rate * block,
                                   block | std::uint32_t{f.bits} << 16}) {
    PutU32(body, word);
  }
  body.resize(body.size() + extra_bytes, 0);
  return body;
}

// Interleaved sample values stored at `bits` (16 or 24) per value.
// A WAVE_FORMAT_EXTENSIBLE fmt body: cbSize, valid bits, channel mask and
// sub-format GUID behind the plain 16 bytes; `cut` shortens the body to that many bytes.
inline Bytes ExtensibleFmt(std::uint16_t channels, int width, std::uint16_t sub_format = 1,
                           std::uint16_t extension = 22, std::size_t cut = 40) {
  Bytes body = FmtBody({.format_tag = 0xFFFE, .channels = channels, .bits = static_cast<std::uint16_t>(8 * width)});
  PutU32(body, extension, 2);
  PutU32(body, static_cast<std::uint32_t>(8 * width), 2);
  PutU32(body, channels == 2 ? 0x3 : 0x33);
  PutU32(body, sub_format, 2);
  PutBytes(body, {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71});
  body.resize(cut);
  return body;
}

inline Bytes Pcm(const std::vector<std::int32_t>& values, int bits) {
  Bytes body;
  for (const std::int32_t value : values) PutU32(body, static_cast<std::uint32_t>(value), bits / 8);
  return body;
}

// A decaying sawtooth with a little of everything: full scale, zero
// crossings, both signs. Deterministic, so images built from it are too.
inline Bytes Tone(int frames, int channels, int bits) {
  std::vector<std::int32_t> values;
  const std::int32_t full = bits == 24 ? 8388607 : 32767;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const std::int32_t ramp = ((i * (7 + c)) % 64) - 32;
      values.push_back(i == frames / 3 ? full : i == frames / 3 + 1 ? -full - 1 : ramp * (full / 40) / (1 + i / 64));
    }
  }
  return Pcm(values, bits);
}

struct CuePoint {
  std::uint32_t id = 0;
  Size position{};  // defaults to the offset
  std::uint32_t offset = 0;
  std::string chunk = "data";
  std::uint32_t chunk_start = 0, block_start = 0;
};

inline Bytes CueRecord(const CuePoint& cue) {
  Bytes record;
  for (const std::uint32_t value : {cue.id, cue.position.value_or(cue.offset)}) PutU32(record, value);
  PutId(record, cue.chunk);
  for (const std::uint32_t value : {cue.chunk_start, cue.block_start, cue.offset}) PutU32(record, value);
  return record;
}

inline Bytes CueBody(const std::vector<CuePoint>& cues, Size count = {}) {
  Bytes body;
  PutU32(body, count.value_or(static_cast<std::uint32_t>(cues.size())));
  for (const CuePoint& cue : cues) PutBytes(body, CueRecord(cue));
  return body;
}

struct Loop {
  std::uint32_t id = 0, type = 0, start = 0, end = 0, fraction = 0, play_count = 0;
};

// `header`: the seven sampler words before the loop count (manufacturer,
// product, sample period, unity note, pitch fraction, SMPTE format and
// offset); empty for a plain 44.1 kHz header on note 60.
inline Bytes SmplBody(const std::vector<Loop>& loops, const Bytes& extra = {}, std::vector<std::uint32_t> header = {},
                      Size loop_count = {}) {
  if (header.empty()) header = {0, 0, 22675, 60, 0, 0, 0};
  header.push_back(loop_count.value_or(static_cast<std::uint32_t>(loops.size())));
  header.push_back(static_cast<std::uint32_t>(extra.size()));
  for (const Loop& l : loops) header.insert(header.end(), {l.id, l.type, l.start, l.end, l.fraction, l.play_count});
  Bytes body;
  for (const std::uint32_t word : header) PutU32(body, word);
  PutBytes(body, extra);
  return body;
}

// A chunk or sub-chunk: header, body, and a pad byte after an odd body.
// `declared_size` replaces the size field (the body is written as given).
inline Bytes Chunk(const std::string& id, const Bytes& body, Size declared_size = {}, bool pad = true) {
  Bytes out;
  PutId(out, id);
  PutU32(out, declared_size.value_or(static_cast<std::uint32_t>(body.size())));
  PutBytes(out, body);
  if (pad && body.size() % 2 == 1) out.push_back(0);
  return out;
}

// `terminate` false leaves out the text's zero byte.
inline Bytes TextSubChunk(const std::string& id, std::uint32_t cue_id, const std::string& text, bool terminate = true) {
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
  for (const std::uint32_t value : {cue_id, sample_length}) PutU32(body, value);
  PutId(body, purpose);
  body.resize(body.size() + 8, 0);  // country, language, dialect and code page
  if (!text.empty()) PutText(body, text + '\0');
  return Chunk("ltxt", body);
}

inline Bytes ListBody(const std::string& type, std::initializer_list<Bytes> sub_chunks) {
  Bytes body;
  PutId(body, type);
  return Cat({body, Cat(sub_chunks)});
}

class WaveBuilder {
 public:
  // `riff` and `wave` replace the magic words, `riff_size` the RIFF size.
  explicit WaveBuilder(std::string riff = "RIFF", std::string wave = "WAVE", Size riff_size = {})
      : riff_(std::move(riff)), wave_(std::move(wave)), riff_size_(riff_size) {}

  // `pad` false writes an odd-sized fmt chunk without its pad byte, the way
  // the walk reads it (by its size alone).
  WaveBuilder& Fmt(const Format& format, std::size_t extra_bytes = 0, bool pad = true) {
    return Add(Chunk("fmt ", FmtBody(format, extra_bytes), {}, pad));
  }
  WaveBuilder& Data(const Bytes& body, Size size = {}) { return Add(Chunk("data", body, size)); }
  WaveBuilder& Cue(const std::vector<CuePoint>& cues, Size count = {}, Size size = {}) {
    return Add(Chunk("cue ", CueBody(cues, count), size));
  }
  WaveBuilder& Smpl(const std::vector<Loop>& loops, const Bytes& extra = {},
                    const std::vector<std::uint32_t>& header = {}, Size loop_count = {}) {
    return Add(Chunk("smpl", SmplBody(loops, extra, header, loop_count)));
  }
  WaveBuilder& Adtl(std::initializer_list<Bytes> sub_chunks) { return List("adtl", sub_chunks); }
  WaveBuilder& List(const std::string& type, std::initializer_list<Bytes> sub_chunks) {
    return Add(Chunk("LIST", ListBody(type, sub_chunks)));
  }
  WaveBuilder& Unknown(const std::string& id, const Bytes& body, Size size = {}) { return Add(Chunk(id, body, size)); }
  // Any bytes: a chunk made with Chunk(), or deliberately broken ones.
  WaveBuilder& Add(const Bytes& bytes) {
    PutBytes(chunks_, bytes);
    return *this;
  }

  Bytes Build() const {
    Bytes body;
    PutId(body, wave_);
    PutBytes(body, chunks_);
    return Chunk(riff_, body, riff_size_, false);
  }

 private:
  Bytes chunks_;
  std::string riff_, wave_;
  Size riff_size_;
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

// 24-bit stereo with every chunk kind the program knows: an odd unknown
// chunk, cue points (one beyond the stored ids), a loop with sampler data,
// an adtl list with each sub-chunk kind and an INFO list.
inline Bytes RichPipe() {
  return WaveBuilder().Fmt({.channels = 2, .bits = 24}).Unknown("fact", {1, 2, 3, 4, 5}).Data(Tone(40, 2, 24))
      .Cue({{.id = 1, .offset = 3}, {.id = 2, .offset = 30}, {.id = 150, .offset = 39}})
      .Smpl({{.id = 7, .start = 5, .end = 20, .fraction = 1, .play_count = 2}}, {9, 8, 7})
      .Adtl({Labl(1, "attack"), Note(2, "rel"), Ltxt(2, 10, "rgn ", "x"), Chunk("file", {1, 2, 3})})
      .List("INFO", {Chunk("ICMT", {'h', 'i', 0})}).Build();
}

}  // namespace zelvanor::testing
