# Sourced by scripts/plant-faults.sh and scripts/mutate.sh, which change the
# program's sources one fault at a time: refuses to start over uncommitted
# changes in src/ or examples/ (restoring a file would lose them), then
# configures and builds the program and the tests in the release build
# folder $1.
if [ -n "$(git status --porcelain -- src examples)" ]; then
  echo "src/ or examples/ has uncommitted changes; commit or stash them first" >&2
  exit 2
fi
cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVANOR_BUILD_TESTS=ON \
  -DZELVANOR_BUILD_BENCH=OFF ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
cmake --build "$1" --target zelvanor zelvanor_tests >/dev/null
