// Kept for the files that include the shared helpers by this name.
#pragma once

#include "test_support.h"
