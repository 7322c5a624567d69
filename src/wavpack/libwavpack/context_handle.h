// A libwavpack context owned like any other resource: closed exactly once,
// when its owner goes, whichever way the work on it ended.
#pragma once

#include <wavpack/wavpack.h>

#include <memory>

namespace zelvanor::wavpack_library {

struct CloseContext {
  void operator()(WavpackContext* context) const { WavpackCloseFile(context); }
};

using ContextHandle = std::unique_ptr<WavpackContext, CloseContext>;

}  // namespace zelvanor::wavpack_library
