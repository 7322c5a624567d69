#include "common/console.h"
#include "wave/adtl_sub_chunk.h"
#include "wave/analysis_steps.h"
#include "wave/chunk_layout.h"

namespace zelvanor {
namespace {

void AnalyseCueText(const WalkedChunk& sub, AnalysisRun& run) {
  const bool is_label = sub.Is("labl");
  const auto id = static_cast<std::int32_t>(ByteReader(run.Bytes(sub.body)).U32At(kAdtlName));
  const AdtlText text = FindAdtlText(sub, run.image);
  if (!text.terminated) {
    Print("Warning: %s: %s text of cue point %d has no terminating zero; it ends with its"
          " sub-chunk\n",
          run.file(), is_label ? "labl" : "note", id);
  }
  if (IsStoredCueId(id)) {
    CueSlot& slot = run.result.cues[static_cast<std::size_t>(id)];
    (is_label ? slot.label_text : slot.note_text) = text.range;
  }
}

// Returns the text region's dwSampleLength, for its description.
std::uint32_t AnalyseTextRegion(const WalkedChunk& sub, AnalysisRun& run) {
  ByteReader fields(run.Bytes(sub.body));
  const auto id = static_cast<std::int32_t>(fields.U32At(kAdtlName));
  if (IsStoredCueId(id)) run.result.cues[static_cast<std::size_t>(id)].ltxt = sub.body;
  return fields.U32At(kLtxtSampleLength);
}

void WarnTooShort(const WalkedChunk& sub, const AnalysisRun& run) {
  if (sub.Is("ltxt")) {
    // The output rescales dwSampleLength; a record without its fixed part
    // cannot be a text region.
    Print("Warning: %s: ltxt sub-chunk of %u bytes is shorter than its 20-byte fixed part;"
          " ignored\n",
          run.file(), sub.body.size);
  } else {
    Print("Warning: %s: %s sub-chunk of %u bytes has no cue point id; ignored\n", run.file(),
          sub.Is("labl") ? "labl" : "note", sub.body.size);
  }
}

void AnalyseSubChunk(const WalkedChunk& sub, AnalysisRun& run) {
  std::uint32_t ltxt_length = 0;
  switch (ClassifyAdtlSubChunk(sub)) {
    case AdtlSubChunkKind::kCueText:
      AnalyseCueText(sub, run);
      break;
    case AdtlSubChunkKind::kTextRegion:
      ltxt_length = AnalyseTextRegion(sub, run);
      break;
    case AdtlSubChunkKind::kTooShort:
      WarnTooShort(sub, run);
      break;
    case AdtlSubChunkKind::kOther:
      break;
  }
  if (run.VerbosityAbove(2)) PrintAdtlSubChunkLine(sub, run.image, ltxt_length);
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
