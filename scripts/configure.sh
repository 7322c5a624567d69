#!/usr/bin/env bash
# Configures a CMake preset for the build scripts. Under CI (CI=true)
# compiler warnings are errors, so that none reaches main; elsewhere a
# warning that a newer compiler adds does not stop a user's build.
#
#   scripts/configure.sh PRESET [CMAKE_ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
shift
werror=()
[ "${CI:-}" = "true" ] && werror=(-DZELVANOR_WERROR=ON)
cmake --preset "$preset" "${werror[@]}" "$@" >/dev/null
