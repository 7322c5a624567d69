// Writes the pitch report page of a made-up organ, to see how large the
// page of a big organ gets and how long a browser takes to draw it
// (bench/report.sh). The rows are what M would give for FOLDERS ranks of
// PIPES pipes each, named by key number from 036-C: measured and stated
// deviations at random within 15 cents (the same every run), one pipe in
// fifty flagged as not measured reliably.
//
//   build/release/bench/zelvanor_report_bench FOLDERS PIPES PAGE
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "report/pitch_report.h"
#include "tuning/note_names.h"

int main(int argc, char** argv) {
  using zelvanor::report::PitchReportRow;
  if (argc != 4) {
    std::fprintf(stderr, "usage: zelvanor_report_bench FOLDERS PIPES PAGE\n");
    return 2;
  }
  const int folders = std::atoi(argv[1]), pipes = std::atoi(argv[2]);
  std::mt19937 random(28);
  std::uniform_real_distribution<double> cents(-15.0, 15.0);
  std::vector<PitchReportRow> rows;
  for (int f = 0; f < folders; ++f) {
    char folder[32];
    std::snprintf(folder, sizeof folder, "Rank%02d", f + 1);
    for (int p = 0; p < pipes; ++p) {
      const int key = 36 + p;
      const char* note = zelvanor::kNoteNames[key % 12];
      char file[96];
      std::snprintf(file, sizeof file, "organ/%s/%03d-%s.wav", folder, key, note);
      const double target = 440.0 * std::exp2((key - 69) / 12.0), measured = cents(random), stated = cents(random);
      PitchReportRow row{.folder = folder, .file = file, .note = note, .target_hz = target,
                         .measured_hz = target * std::exp2(measured / 1200), .measured_cents = measured,
                         .stated_hz = target * std::exp2(stated / 1200), .stated_cents = stated};
      if (random() % 50 == 0) row.flag = "not measured reliably (loop and harmonic fit differ by 2.2 cents)";
      rows.push_back(row);
    }
  }
  const std::string page = zelvanor::report::PitchReportPage({"organ/*/*.wav", "Equal", 440}, rows);
  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr || std::fwrite(page.data(), 1, page.size(), out) != page.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "can't write %s\n", argv[3]);
    return 1;
  }
  std::printf("%zu pipes in %d folders: %s, %zu bytes\n", rows.size(), folders, argv[3], page.size());
  return 0;
}
