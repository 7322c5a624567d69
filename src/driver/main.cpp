#include <cstdio>

#include "driver/console.h"
#include "driver/run_error.h"

int main(int /*argc*/, char** /*argv*/) {
  zelvanor::Print("Zelvanor Vers 2.01\n");
  return 0;
}
