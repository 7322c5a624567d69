# Sourced by the benchmark scripts: the release program and the example
# generator built, and the benchmark corpus of organ pipes generated, the
# same for every benchmark so that their figures compare.

# Sets $zelvanor and $make_examples.
build_program_and_generator() {
  cmake --preset release >/dev/null
  cmake --build --preset release --target zelvanor zelvanor_make_examples >/dev/null
  zelvanor="$root/build/release/zelvanor"
  make_examples="$root/build/release/examples/zelvanor_make_examples"
}

# An empty $work, made the current directory.
enter_fresh_work_dir() {
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work"
}

# make_corpus DIR COUNT: COUNT pipes in DIR of the sizes of real sample sets,
# 0.3 to 2 MB: half 16-bit stereo, the rest 24-bit stereo, 24-bit mono and
# 16-bit mono; 3 to 8 seconds each, with a sustain loop and a release cue.
make_corpus() {
  "$make_examples" "$1" --count "$2" --seconds 3:8 --formats 16x2,16x2,16x2,24x2,24x1,16x1 >/dev/null
}
