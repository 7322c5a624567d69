#include <algorithm>
#include <string>

#include "common/console.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

std::string TextOf(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// The text of a labl or note sub-chunk: the bytes after dwName up to the
// terminating zero. The pad byte may supply that zero (writers that count
// only the characters rely on it); without any zero the text ends with the
// sub-chunk, so it never runs on into the bytes that follow.
ByteRange TextRange(const WalkedChunk& sub, AnalysisRun& run, const char* kind,
                    std::int32_t id) {
  const ByteRange after_name{sub.stored.offset + kAdtlNameSize, sub.stored.size - kAdtlNameSize};
  const std::span<const std::uint8_t> bytes = run.Bytes(after_name);
  const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  if (zero == bytes.end()) {
    Print("Warning: %s: %s text of cue point %d has no terminating zero; it ends with its"
          " sub-chunk\n",
          run.file(), kind, id);
    return {after_name.offset, sub.body.size - kAdtlNameSize};
  }
  return {after_name.offset, static_cast<std::uint32_t>(zero - bytes.begin())};
}

void AnalyseTextSubChunk(const WalkedChunk& sub, AnalysisRun& run, bool is_label) {
  const char* kind = is_label ? "labl" : "note";
  if (sub.body.size < kAdtlNameSize) {
    Print("Warning: %s: %s sub-chunk of %u bytes has no cue point id; ignored\n", run.file(),
          kind, sub.body.size);
    return;
  }
  const auto id = static_cast<std::int32_t>(ByteReader(run.Bytes(sub.body)).U32At(kAdtlName));
  const ByteRange text = TextRange(sub, run, kind, id);
  SourceAnalysis& result = run.result;
  if (IsStoredCueId(id)) {
    CueSlot& slot = result.cues[static_cast<std::size_t>(id)];
    (is_label ? slot.label_text : slot.note_text) = text;
  }
  if (run.VerbosityAbove(2)) {
    const std::string shown = TextOf(run.Bytes(text));
    if (is_label) {
      Print("  LABEL %2d \"%s\"\n", id, shown.c_str());
    } else {
      Print("  NOTE  %2d \"%s\"\n", id, shown.c_str());
    }
  }
  NoteCueId(result, id);
}

void AnalyseLtxtSubChunk(const WalkedChunk& sub, AnalysisRun& run) {
  // The output rescales dwSampleLength; a record without its fixed part
  // cannot be a text region.
  if (sub.body.size < kLtxtFixedSize) {
    Print("Warning: %s: ltxt sub-chunk of %u bytes is shorter than its 20-byte fixed part;"
          " ignored\n",
          run.file(), sub.body.size);
    return;
  }
  ByteReader fields(run.Bytes(sub.body));
  const auto id = static_cast<std::int32_t>(fields.U32At(kAdtlName));
  const std::uint32_t sample_length = fields.U32At(kLtxtSampleLength);
  const FourCC purpose = fields.IdAt(kLtxtPurpose);
  SourceAnalysis& result = run.result;
  if (IsStoredCueId(id)) result.cues[static_cast<std::size_t>(id)].ltxt = sub.body;
  if (run.VerbosityAbove(2)) {
    // Shown as a C text: a zero byte in dwPurpose ends it.
    const char shown[5] = {purpose[0], purpose[1], purpose[2], purpose[3], '\0'};
    Print("  LTXT  %2d %d Samples, Purpose=%4s\n", id, AsInt(sample_length), shown);
  }
  NoteCueId(result, id);
}

void AnalyseSubChunk(const WalkedChunk& sub, AnalysisRun& run) {
  if (sub.Is("labl")) {
    AnalyseTextSubChunk(sub, run, true);
  } else if (sub.Is("note")) {
    AnalyseTextSubChunk(sub, run, false);
  } else if (sub.Is("ltxt")) {
    AnalyseLtxtSubChunk(sub, run);
  } else if (run.VerbosityAbove(2)) {
    Print("  %c%c%c%c length %d\n", sub.id[0], sub.id[1], sub.id[2], sub.id[3],
          AsInt(sub.declared_size));
  }
}

}  // namespace

void AnalyseListChunk(const WalkedChunk& chunk, AnalysisRun& run) {
  if (!IsFourCC(run.Bytes(chunk.body), "adtl")) {
    if (run.VerbosityAbove(2)) Print("unknown LIST of length %d\n", AsInt(chunk.declared_size));
    return;
  }
  if (run.VerbosityAbove(2)) {
    Print("Associated Data Chunk LIST of size %d\n", AsInt(chunk.declared_size));
  }
  // The sub-chunks live inside the list, its pad byte included; a sub-chunk
  // that claims more is cut at the list's end, and the walk goes on behind
  // the list as its own size says.
  ChunkWalker walker(run.image, chunk.stored.offset + kListTypeSize,
                     static_cast<std::uint32_t>(chunk.stored.end()), Framing::kSubChunk);
  while (const std::optional<WalkedChunk> sub = walker.Next()) {
    if (sub->truncated()) {
      Print("Warning: %s: sub-chunk \"%c%c%c%c\" declares %u bytes but only %u are left in its"
            " LIST; cut at the end of the LIST\n",
            run.file(), sub->id[0], sub->id[1], sub->id[2], sub->id[3], sub->declared_size, sub->body.size);
    }
    AnalyseSubChunk(*sub, run);
  }
  if (walker.leftover() != 0) {
    Print("Warning: %s: %u bytes at the end of a LIST are too few for a sub-chunk header;"
          " ignored\n",
          run.file(), walker.leftover());
  }
}

}  // namespace zelvanor
