#include "wavpack/libwavpack/memory_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace zelvanor::wavpack_library {
namespace {

MemoryStream& StreamOf(void* id) { return *static_cast<MemoryStream*>(id); }

std::int64_t Length(const MemoryStream& stream) { return static_cast<std::int64_t>(stream.bytes.size()); }

std::int32_t ReadBytes(void* id, void* data, std::int32_t count) {
  MemoryStream& stream = StreamOf(id);
  const std::int64_t left = std::max<std::int64_t>(0, Length(stream) - stream.position);
  const auto delivered = static_cast<std::int32_t>(std::min<std::int64_t>(std::max(count, 0), left));
  if (delivered > 0) std::memcpy(data, stream.bytes.data() + stream.position, static_cast<std::size_t>(delivered));
  stream.position += delivered;
  return delivered;
}

std::int32_t WriteBytes(void*, void*, std::int32_t) { return 0; }

std::int64_t GetPosition(void* id) { return StreamOf(id).position; }

// 0 on success, as fseek: libwavpack reads the result that way.
int SetPositionAbsolute(void* id, std::int64_t position) {
  if (position < 0) return -1;
  StreamOf(id).position = position;
  return 0;
}

int SetPositionRelative(void* id, std::int64_t delta, int mode) {
  const MemoryStream& stream = StreamOf(id);
  std::int64_t base = 0;
  if (mode == SEEK_CUR) {
    base = stream.position;
  } else if (mode == SEEK_END) {
    base = Length(stream);
  } else if (mode != SEEK_SET) {
    return -1;
  }
  if (delta > 0 && base > std::numeric_limits<std::int64_t>::max() - delta) return -1;
  return SetPositionAbsolute(id, base + delta);
}

int PushBackByte(void* id, int byte) {
  MemoryStream& stream = StreamOf(id);
  if (stream.position == 0) return EOF;
  --stream.position;
  return byte;
}

std::int64_t GetLength(void* id) { return Length(StreamOf(id)); }
int CanSeek(void*) { return 1; }
int TruncateHere(void*) { return -1; }
int Close(void*) { return 0; }

}  // namespace

WavpackStreamReader64 MemoryStreamReader() {
  return WavpackStreamReader64{ReadBytes,  WriteBytes, GetPosition,  SetPositionAbsolute, SetPositionRelative,
                               PushBackByte, GetLength, CanSeek, TruncateHere, Close};
}

}  // namespace zelvanor::wavpack_library
