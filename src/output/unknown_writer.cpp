#include "common/console.h"
#include "output/output_steps.h"

namespace zelvanor {

void WriteUnknownChunk(const WalkedChunk& chunk, OutputRun& run) {
  const FourCC& id = chunk.id;
  if (run.job.settings.copy_unknown_chunks) {
    if (run.VerbosityAbove(2)) {
      Print("copy unknown chunk %c%c%c%c of size %d\n", id[0], id[1], id[2], id[3], AsInt(chunk.declared_size));
    }
    CopyChunk(chunk, run);
  } else if (run.VerbosityAbove(2)) {
    Print("dont copy unknown chunk %c%c%c%c of size %d\n", id[0], id[1], id[2], id[3],
          AsInt(chunk.declared_size));
  }
}

}  // namespace zelvanor
