#pragma once

namespace zelvanor {

// The twelve help lines shown for an option word that is not recognised.
void PrintOptionHelp();

}  // namespace zelvanor
