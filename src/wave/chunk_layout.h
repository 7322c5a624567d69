// Byte offsets of the RIFF/WAVE records that the program reads and rewrites.
// The analysis and the output generation both address fields through these,
// never through structs laid over the file's bytes.
#pragma once

#include <cstdint>

namespace zelvanor {

inline constexpr std::uint32_t kRiffHeaderSize = 12;  // "RIFF", size, "WAVE"
inline constexpr std::uint32_t kRiffSizeOffset = 4;
inline constexpr std::uint32_t kRiffFormOffset = 8;
inline constexpr std::uint32_t kChunkHeaderSize = 8;  // id, size

// fmt body (PCM). Fields behind the first 16 bytes are skipped with the
// body, except in the extensible form.
inline constexpr std::uint32_t kFmtFormatTag = 0;
inline constexpr std::uint32_t kFmtChannels = 2;
inline constexpr std::uint32_t kFmtSamplesPerSec = 4;
inline constexpr std::uint32_t kFmtBlockAlign = 12;
inline constexpr std::uint32_t kFmtBitsPerSample = 14;
inline constexpr std::uint32_t kFmtMinimumSize = 16;
inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr int kMaxChannels = 4;

// WAVE_FORMAT_EXTENSIBLE: behind the 16 bytes, cbSize (at least 22), the
// valid bits, the channel mask and the sub-format GUID, which names the
// real format. Sample values fill nBlockAlign / nChannels bytes each.
inline constexpr std::uint16_t kFormatExtensible = 0xFFFE;
inline constexpr std::uint32_t kFmtExtensionSize = 16;  // cbSize
inline constexpr std::uint32_t kFmtSubFormat = 24;
inline constexpr std::uint16_t kExtensionMinimumSize = 22;
inline constexpr std::uint32_t kFmtExtensibleSize = 40;
inline constexpr std::uint8_t kSubFormatPcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                   0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

// cue body: the count, then the records.
inline constexpr std::uint32_t kCueCountSize = 4;
inline constexpr std::uint32_t kCueRecordSize = 24;
inline constexpr std::uint32_t kCueName = 0;
inline constexpr std::uint32_t kCuePosition = 4;
inline constexpr std::uint32_t kCueChunkId = 8;
inline constexpr std::uint32_t kCueChunkStart = 12;
inline constexpr std::uint32_t kCueBlockStart = 16;
inline constexpr std::uint32_t kCueSampleOffset = 20;

// smpl body: the sampler header, then the loop records, then extra data.
inline constexpr std::uint32_t kSmplHeaderSize = 36;
inline constexpr std::uint32_t kSmplUnityNote = 12;      // dwMIDIUnityNote
inline constexpr std::uint32_t kSmplPitchFraction = 16;  // dwMIDIPitchFraction
inline constexpr std::uint32_t kSmplLoopCount = 28;
inline constexpr std::uint32_t kLoopRecordSize = 24;
inline constexpr std::uint32_t kLoopIdentifier = 0;
inline constexpr std::uint32_t kLoopType = 4;
inline constexpr std::uint32_t kLoopStart = 8;
inline constexpr std::uint32_t kLoopEnd = 12;
inline constexpr std::uint32_t kLoopFraction = 16;
inline constexpr std::uint32_t kLoopPlayCount = 20;
// The sample period of 44100 frames per second in whole nanoseconds: the
// value that goes without mention.
inline constexpr std::uint32_t kUsualSamplePeriod = 22675;

// LIST body: the list type, then (for "adtl") sub-chunks framed like chunks.
inline constexpr std::uint32_t kListTypeSize = 4;
inline constexpr std::uint32_t kAdtlName = 0;         // dwName of labl, note, ltxt
inline constexpr std::uint32_t kAdtlNameSize = 4;     // labl and note: the text follows
inline constexpr std::uint32_t kLtxtSampleLength = 4;
inline constexpr std::uint32_t kLtxtPurpose = 8;
inline constexpr std::uint32_t kLtxtFixedSize = 20;   // up to wCodePage; optional text follows

}  // namespace zelvanor
