#include "wave/adtl_sub_chunk.h"

#include <algorithm>
#include <string>

#include "common/console.h"
#include "wave/chunk_layout.h"

namespace zelvanor {

AdtlSubChunkKind ClassifyAdtlSubChunk(const WalkedChunk& sub) {
  if (sub.Is("labl") || sub.Is("note")) {
    return sub.body.size >= kAdtlNameSize ? AdtlSubChunkKind::kCueText : AdtlSubChunkKind::kTooShort;
  }
  if (sub.Is("ltxt")) {
    return sub.body.size >= kLtxtFixedSize ? AdtlSubChunkKind::kTextRegion : AdtlSubChunkKind::kTooShort;
  }
  return AdtlSubChunkKind::kOther;
}

AdtlText FindAdtlText(const WalkedChunk& sub, std::span<const std::uint8_t> image) {
  const ByteRange after_name{sub.stored.offset + kAdtlNameSize, sub.stored.size - kAdtlNameSize};
  const std::span<const std::uint8_t> bytes = Slice(image, after_name);
  const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  if (zero == bytes.end()) return {{after_name.offset, sub.body.size - kAdtlNameSize}, false};
  return {{after_name.offset, static_cast<std::uint32_t>(zero - bytes.begin())}, true};
}

void PrintAdtlSubChunkLine(const WalkedChunk& sub, std::span<const std::uint8_t> image,
                           std::uint32_t ltxt_length) {
  ByteReader fields(Slice(image, sub.body));
  const auto id = static_cast<std::int32_t>(fields.U32At(kAdtlName));
  switch (ClassifyAdtlSubChunk(sub)) {
    case AdtlSubChunkKind::kCueText: {
      const std::span<const std::uint8_t> text = Slice(image, FindAdtlText(sub, image).range);
      const std::string shown(text.begin(), text.end());
      Print(sub.Is("labl") ? "  LABEL %2d \"%s\"\n" : "  NOTE  %2d \"%s\"\n", id, shown.c_str());
      return;
    }
    case AdtlSubChunkKind::kTextRegion: {
      // Shown as a C text: a zero byte in dwPurpose ends it.
      const FourCC purpose = fields.IdAt(kLtxtPurpose);
      const char shown[5] = {purpose[0], purpose[1], purpose[2], purpose[3], '\0'};
      Print("  LTXT  %2d %d Samples, Purpose=%4s\n", id, AsInt(ltxt_length), shown);
      return;
    }
    case AdtlSubChunkKind::kTooShort:
      return;
    case AdtlSubChunkKind::kOther:
      Print("  %c%c%c%c length %d\n", sub.id[0], sub.id[1], sub.id[2], sub.id[3], AsInt(sub.declared_size));
      return;
  }
}

}  // namespace zelvanor
