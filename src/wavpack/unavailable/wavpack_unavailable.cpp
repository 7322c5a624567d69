// A build without libwavpack: WavPack sources are recognised by their
// first bytes and skipped with a message, never read.
#include "wavpack/wavpack_reader.h"
#include "wavpack/wavpack_writer.h"

namespace zelvanor {

bool WavPackAvailable() { return false; }

namespace {
constexpr char kNoLibrary[] = "this build of Zelvanor has no WavPack support";
}  // namespace

struct WavPackReader::Library {};

WavPackReader::WavPackReader(std::span<const std::uint8_t>) : problem_(kNoLibrary) {}
WavPackReader::~WavPackReader() = default;
std::uint64_t WavPackReader::Unpack(std::span<std::uint8_t>) { return 0; }
int WavPackReader::errors() const { return 0; }

struct WavPackWriter::Library {};

WavPackWriter::WavPackWriter(const WavPackFormat& format, BlockOutput output)
    : format_(format), output_(std::move(output)), problem_(kNoLibrary) {}
WavPackWriter::~WavPackWriter() = default;
bool WavPackWriter::Begin(std::span<const std::uint8_t>, std::uint64_t) { return false; }
bool WavPackWriter::Pack(std::span<const std::uint8_t>) { return false; }
bool WavPackWriter::PackWholeFrames(std::span<const std::uint8_t>) { return false; }
bool WavPackWriter::Finish(std::span<const std::uint8_t>) { return false; }
std::vector<std::uint8_t> WavPackWriter::FirstBlockWithHeader(std::span<const std::uint8_t>) { return {}; }

}  // namespace zelvanor
