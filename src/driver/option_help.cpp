#include "driver/option_help.h"

#include "common/console.h"

namespace zelvanor {
namespace {

// Users' scripts and eyes rely on these lines exactly as they stand,
// spelling included. Descriptions start at column 23; the continuation
// lines of Q= are indented by 56 blanks to sit under "0=linear". R= is
// deliberately not listed.
constexpr const char* kHelpLines[] = {
    "Special options have follwing syntax:   s=value   with s is a letter and value an integer\n",
    "The following options are known:\n",
    "    V=verbose         (tell, what doing: 0 be quiet, 1 which files, 2 parameter, 3 analyze "
    "source...)\n",
    "    O=semitone-offset (used for MILAN Georgenkirche, which has C# on Key C...)\n",
    "    T=orginal-tuning  temperament of the original samples\n",
    "    L=length          add a dummy loop of length with silence and a release part after the "
    "samples\n",
    "    Q=quality         set the quality of interpolation: 0=linear interpolation,\n",
    "                                                        1=quadratic interpolation,\n",
    "                                                        2=hyperbolic interpolation (default)\n",
    "    H                 create TUNING.HTML in destination directory describing the tuning\n",
    "    U                 do NOT remove the unused sample part between loop and release\n",
    "    X                 do NOT copy unknown chunks\n",
};

}  // namespace

void PrintOptionHelp() {
  for (const char* line : kHelpLines) Print("%s", line);
}

}  // namespace zelvanor
