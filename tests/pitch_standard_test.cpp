// Tuning to a pitch standard (A=, S) and the pitch report (M): the target
// arithmetic, whole runs with their messages and files, and the page.
#include <gtest/gtest.h>

#include <cmath>

#include "common/midi_note.h"
#include "common/series_math.h"
#include "driver/file_loop.h"
#include "driver/pitch_standard_run.h"
#include "report/pitch_report.h"
#include "run_program.h"
#include "test_support.h"
#include "tuning/note_name_guess.h"
#include "tuning/pitch_standard.h"

namespace zelvanor::testing {
namespace {

// Within `ulps` units in the last place of `exact`.
::testing::AssertionResult Near(double value, double exact, double ulps = 1) {
  const double ulp = std::nextafter(exact, INFINITY) - exact;
  if (std::fabs(value - exact) <= ulps * ulp) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << zelvanor::Format("%.17g is not %.17g", value, exact);
}

TEST(PitchStandard, Exp2AgainstExactValues) {
  for (int n = -30; n <= 30; ++n) EXPECT_EQ(series::Exp2(n), std::ldexp(1.0, n));
  EXPECT_TRUE(Near(series::Exp2(0.5), 1.41421356237309504880));
  EXPECT_TRUE(Near(series::Exp2(1.0 / 12), 1.05946309435929526456));
  EXPECT_TRUE(Near(series::Exp2(-0.25), 0.84089641525371454303));
  EXPECT_TRUE(Near(series::Exp2(7.0 / 12 - 3), 1.49830707687668149880 / 8));
  for (const double cents : {-1199.9, -300.0, 0.01, 701.955, 2400.5}) {
    EXPECT_NEAR(series::CentsOfRatio(series::RatioOfCents(cents)), cents, 1e-9);
  }
  // IEEE log's answers outside (0, inf), where it once hung (which the tests' time limit fails).
  EXPECT_TRUE(series::NaturalLog(0.0) == -HUGE_VAL && series::NaturalLog(HUGE_VAL) == HUGE_VAL &&
              std::isnan(series::NaturalLog(-1e-300)) && std::isnan(series::NaturalLog(NAN)));
}

TEST(PitchStandard, TargetInTheOctaveNearestThePipe) {
  const Temperament equal;
  Temperament shifted, meantone;
  shifted.offset = 2;
  meantone.cents[4] = 386.3;
  meantone.cents[9] = 889.7;
  const struct { int note; const Temperament& temperament; double a4, pitch, target; } rows[] = {
      {9, equal, 440, 441, 440},
      {9, equal, 440, 880 * 1.01, 880},
      {9, equal, 440, 158, 220},  // 0.48 octave below A4: still nearer it
      {9, equal, 440, 150, 110},  // 0.55 octave below: the octave below
      {0, equal, 440, 262, 261.625565300598634678},
      {0, equal, 440, 392, 523.251130601197269356},  // G4 taken for a C: a fifth off, nearest C is C5
      {9, shifted, 440, 440, 440.508601655682385541},  // the shift moves A too
      {7, equal, 415, 370, 369.722968028240811467},
      {4, meantone, 440, 170, 164.490415506113475588},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(Near(TargetPitch(row.note, row.temperament, row.a4, row.pitch), row.target, 2))
        << row.note << " " << row.pitch;
  }
  EXPECT_TRUE(Near(PitchOfMidiCents(6000), 261.625565300598634678, 2));
  EXPECT_NEAR(MidiCentsOfPitch(440.508601655682385541), 6902, 1e-9);
  EXPECT_EQ(GuessMidiNote("in/036-C.wav"), 36);
  EXPECT_EQ(GuessMidiNote("in/036-C#.wav"), std::nullopt);  // 36 is a C: a key count, not a MIDI note
  EXPECT_EQ(GuessMidiNote("Prin8_C3.wav"), std::nullopt);
  EXPECT_EQ(GuessMidiNote("036C.wav"), std::nullopt);  // a key number is followed by its dash
  EXPECT_EQ(GuessMidiNote("127-G.wav"), 127);          // the highest MIDI note, and one above it
  EXPECT_EQ(GuessMidiNote("128-G#.wav"), std::nullopt);
}

}  // namespace
}  // namespace zelvanor::testing

namespace zelvanor::testing {
namespace {

TEST(PitchStandard, Runs) {
  const std::string list = "ZELVANOR.INI", equal = "Using temperament Equal\n";
  const std::string no_match = "can't find source-file *.wav\n";
  const std::string loop = "loop and harmonic fit differ by 28.2 cents";
  const std::string needs = " needs a temperament as detune value (Equal, Werckmeister_III, Kellner+2), ";
  const std::string range = " makes no sense.\nShould be in range 300 <= A= <= 600\n";
  const RunCase cases[] = {
      // A= is a decimal from 300 to 600 and wants a temperament.
      {{}, {"*.wav", "out", "Equal", "A=299.99"}, "Pitch standard of 299.990000 Hz" + range, 99},
      {{}, {"*.wav", "out", "Equal", "A=600.01"}, "Pitch standard of 600.010000 Hz" + range, 99},
      {{list}, {"*.wav", "out", "Equal", "A=600", "V=2", "T=Kellner"},
       "Temperament of original samples Kellner\n" + equal +
           "T= has no effect with A=: each pipe's own pitch is used instead\n" + no_match, 99},
      {{list}, {"*.wav", "out", "1.01", "A=300"}, "A=" + needs + "not 1.01\n", 99},
      {{list}, {"*.wav", "out", "+5", "M"}, "M" + needs + "not +5\n", 99},
      // S: the stated pitch to the target, in the octave the pipe sounds in; O= moves the note.
      {{list, "note69_A.wav", "note60+12_C.wav", "note2_D.wav:not RIFF", "out/"},
       {"*.wav", "out", "Equal", "A=415", "S"},
       equal + "note2_D.wav is too short for a RIFF/WAVE file (8 bytes)\n" + Tune("note60+12_C.wav", "0.936667") +
           Tune("note69_A.wav", "0.943182"),
       0, "ZELVANOR.INI note2_D.wav note60+12_C.wav note69_A.wav out/ out/note60+12_C.wav out/note69_A.wav"},
      {{list, "note67_C.wav", "out/"}, {"*.wav", "out", "Equal", "V=2", "A=440", "S", "O=7"},
       "Pitch standard A4 = 440.000000 Hz\nPipe_offset set to 7\nUsing temperament Equal key_offset=7\n"
       "Pitch of note67_C.wav: note G, 391.995 Hz stated, target 391.995 Hz, correction +0.00 cents\n" +
           Tune("note67_C.wav", "1.000000") + "Stated pitch: note 67 +0.00 cents -> note 67 +0.00 cents\n"},
      // The safety stop: nothing written, not even the files before the one that stops.
      {{list, "note60_C.wav", "note67_C.wav", "out/"}, {"*.wav", "out", "Equal", "A=440", "S"},
       equal + "note67_C.wav: correction of +500.00 cents is beyond 300 cents (check O= and the file name); "
               "nothing is written\n", 99,
       "ZELVANOR.INI note60_C.wav note67_C.wav out/"},
      {{list, "note69_A.wav", "note69loop_A.wav", "out/"}, {"*.wav", "out", "Equal", "A=440"},
       equal + "note69loop_A.wav: pitch not measured reliably (" + loop + "); nothing is written\n", 99,
       "ZELVANOR.INI note69_A.wav note69loop_A.wav out/"},
      // Not measured reliably (448.230 Hz): tuned from a statement within 5 cents of that, else stopped.
      {{list, "note69+28loop_A.wav", "out/"}, {"*.wav", "out", "Equal", "A=440"},
       equal + "Warning: note69+28loop_A.wav: pitch not measured reliably (" + loop +
           "); tuned from its stated pitch 447.174 Hz\n" + Tune("note69+28loop_A.wav", "0.983957")},
      {{list, "note69+27loop_A.wav", "out/"}, {"*.wav", "out", "Equal", "A=440"},
       equal + "note69+27loop_A.wav: pitch not measured reliably (" + loop + "); nothing is written\n", 99,
       "ZELVANOR.INI note69+27loop_A.wav out/"},
      {{list, "note69+28loop_A.wav"}, {"*.wav", ".", "Equal", "A=440", "O=5"}, "Using temperament Equal key_offset=5\n"
       "note69+28loop_A.wav: correction of +472.00 cents is beyond 300 cents (check O= and the file name); nothing is "
       "written\n", 99},
      {{list, "note69+37loop_A.wav", "note69+38loop_A.wav", "out/"}, {"*.wav", "out", "Equal", "M"},
       equal + "note69+37loop_A.wav A: target 440.000 Hz, measured 448.230 Hz (+32.08 cents), stated 449.505 Hz "
       "(+37.00 cents) -- check: not measured reliably (" + loop + "); A= tunes it from its stated pitch\n"
       "note69+38loop_A.wav A: target 440.000 Hz, measured 448.230 Hz (+32.08 cents), stated 449.765 Hz "
       "(+38.00 cents) -- check: not measured reliably (" + loop + "); measured and stated 5.92 cents apart\n"
       "Pitch report in out" + kSep + "pitch-report.html\n"},
      // Without a statement S measures; without S a statement is only reported.
      {{list, "note0_A.wav", "out/"}, {"*.wav", "out", "Equal", "A=440", "S", "V=2"},
       equal + "Pitch of note0_A.wav: note A, 441.000 Hz measured, target 440.000 Hz, correction -3.93 cents\n" +
           Tune("note0_A.wav", "0.997732") + "Stated pitch: none -> note 69 +0.00 cents\n"},
      {{list, "note69+12_A.wav", "out/"}, {"*.wav", "out", "Equal", "A=440", "V=2"},
       equal + "Pitch of note69+12_A.wav: note A, 441.000 Hz measured, target 440.000 Hz, correction -3.93 cents\n" +
           Tune("note69+12_A.wav", "0.997732") + "Stated pitch: note 69 +12.00 cents -> note 69 +0.00 cents\n"},
      // M: a line per pipe and the page, no audio; files that are no pipes are said so and left out.
      {{list, "note69+12_A.wav", "b.wav:not RIFF", "long_E.wav", "a.wav", "out/"},
       {"*.wav", "out", "Kellner", "A=415", "M"},
       "Using temperament Kellner\n"
       "a.wav A: target unknown, measured none, stated none -- check: not measured reliably (too short to measure)\n"
       "b.wav is too short for a RIFF/WAVE file (8 bytes)\n"
       "long_E.wav E: target 77.602 Hz, measured 82.405 Hz (+103.97 cents), stated 82.407 Hz (+104.01 cents)\n"
       "note69+12_A.wav A: target 415.000 Hz, measured 441.000 Hz (+105.20 cents), stated 443.060 Hz (+113.27 cents)"
       " -- check: measured and stated 8.07 cents apart\n"
       "Pitch report in out" + kSep + "pitch-report.html\n", 0,
       "ZELVANOR.INI a.wav b.wav long_E.wav note69+12_A.wav out/ out/pitch-report.html"},
      // A destination that is no folder is found before the set is measured (before a pipe could stop the run).
      {{list, "note69loop_A.wav"}, {"*.wav", "none", "Equal", "A=440"}, equal + "can't create new file none" + kSep +
       "note69loop_A.wav\n", 1},
      {{list, "note69_A.wav", "out:a file"}, {"*.wav", "out", "Equal", "M"}, equal + "can't create file out" + kSep +
       "pitch-report.html\n", 1},
  };
  for (const RunCase& c : cases) ExpectRun(c);
  // Seven folders, the fifth's pipe neither measured nor stated: no file, no folder.
  RunCase organ{{list, "out/"}, {"o/*/*.wav", "out", "Equal", "A=440"}, equal + "o/5" + kSep + "note0loop_A.wav: pitch"
                " not measured reliably (loop and harmonic fit differ by 28.2 cents); nothing is written\n", 99,
                list + " o/"};
  for (const std::string rank : {"1", "2", "3", "4", "5", "6", "7"}) {
    organ.files.push_back("o/" + rank + (rank == "5" ? "/note0loop_A.wav" : "/note69_A.wav"));
    organ.after += " o/" + rank + "/ " + organ.files.back();
  }
  organ.after += " out/";
  ExpectRun(organ);
}

// A file A= skipped while measuring (empty, still being copied in) that loads when its turn to be written comes
// stops the run: written at factor 1 it would be the one pipe of the set left untuned.
TEST(PitchStandard, AFileSkippedWhileMeasuringIsNotWrittenUntuned) {
  for (const std::size_t lanes : {1, 2}) {
    ScratchDirectory dir;
    fs::create_directory(dir.path() / "out");
    WriteFile(dir.path() / "note69_A.wav", Bytes{});
    RunConfig config;
    config.source_pattern = (dir.path() / "*.wav").string();
    config.destination = (dir.path() / "out").string();
    config.mode = TuningMode::kPitchStandard;
    config.a4_hz = 440;
    const std::vector<std::string> names = {"note69_A.wav"};
    const auto tunings = TuningsToPitchStandard(config, names, lanes);
    WriteFile(dir.path() / "note69_A.wav", SourceNamed("note69_A.wav"));
    Outcome out;
    Capture(out, [&] { WriteFiles(config, names, tunings, lanes); });
    EXPECT_EQ(out.exit_code, 99) << out.output;
    EXPECT_EQ(ListDirectory(dir.path() / "out"), std::vector<std::string>{});
  }
}

TEST(PitchStandard, OutputsStateAndSoundTheirTarget) {
  ScratchDirectory dir;
  fs::copy_file(fs::path(ZELVANOR_SOURCE_DIR) / "data" / "ZELVANOR.INI", dir.path() / "ZELVANOR.INI");
  WriteFile(dir.path() / "note0_A.wav", SourceNamed("note0_A.wav"));  // states no pitch
  fs::create_directory(dir.path() / "out");
  EXPECT_EQ(RunInProcess({"*.wav", "out", "Equal", "A=415", "V=0"}, dir.path()).exit_code, 0);
  EXPECT_EQ(RunInProcess({"out/*.wav", "out", "Equal", "A=415", "M", "V=1"}, dir.path()).output,
            "Using temperament Equal\nout/note0_A.wav A: target 415.000 Hz, measured 415.000 Hz (+0.00 cents), "
            "stated 415.000 Hz (+0.00 cents)\n"
            "Pitch report in out" + kSep + "pitch-report.html\n");
  // Over a tree the page has a section for each folder below the pattern's fixed part, named in full.
  fs::create_directory(dir.path() / "out" / "R2");
  fs::copy_file(dir.path() / "out" / "note0_A.wav", dir.path() / "out" / "R2" / "note0_A.wav");
  EXPECT_EQ(RunInProcess({"out/**/*.wav", "out", "Equal", "A=415", "M", "V=0"}, dir.path()).exit_code, 0);
  const Bytes page = ReadFile(dir.path() / "out" / "pitch-report.html");
  EXPECT_NE(std::string(page.begin(), page.end()).find("\">R2</h2>"), std::string::npos);
}

}  // namespace
}  // namespace zelvanor::testing

#ifdef ZELVANOR_WITH_LIBXML2
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

namespace zelvanor::testing {
namespace {

// XPath over the page with its two namespaces as h: and svg:.
std::string XPathString(xmlDoc* doc, const std::string& expression) {
  xmlXPathContext* context = xmlXPathNewContext(doc);
  xmlXPathRegisterNs(context, BAD_CAST "h", BAD_CAST "http://www.w3.org/1999/xhtml");
  xmlXPathRegisterNs(context, BAD_CAST "svg", BAD_CAST "http://www.w3.org/2000/svg");
  xmlXPathObject* result = xmlXPathEvalExpression(BAD_CAST("string(" + expression + ")").c_str(), context);
  std::string text = result && result->stringval ? reinterpret_cast<const char*>(result->stringval) : "?";
  xmlXPathFreeObject(result);
  xmlXPathFreeContext(context);
  return text;
}

TEST(PitchStandard, ReportPageIsXmlWithAColumnPerPipe) {
  const report::PitchReportRow rows[] = {
      {.file = "in/036-C&<\"'>.wav", .note = "C", .target_hz = 65.4, .measured_hz = 65.6, .measured_cents = 5,
       .stated_hz = 65.4, .stated_cents = 0},
      {.file = "in/\xE9t\x01\xC3\xBC\t\xF0\x90\x80\x80\xF0\x8F\x80\x80\xF5\x80\x80\x80.wav", .note = "C#",
       .measured_hz = 69, .measured_cents = -7.5, .flag = "not measured reliably (x)"},
      {.file = "b\xC3\x80\xE0\xA0\x80\xC3\xBC", .note = "D"},  // the lowest of 2 and 3 bytes; one ending the text
  };
  const std::string page = report::PitchReportPage({"in/*.wav", "Kellner+2", 415}, rows);
  xmlDoc* doc = xmlReadMemory(page.data(), static_cast<int>(page.size()), "report.html", nullptr, XML_PARSE_NONET);
  ASSERT_NE(doc, nullptr) << page;
  const std::pair<std::string, std::string> expected[] = {
      {"count(//h:script | //@href | //@src | //@*[local-name()='href'])", "0"},  // self-contained
      {"//h:h1", "Pitch report: in/*.wav"},
      {"count(//svg:rect[contains(@class, 'measured')])", "2"},
      {"count(//svg:circle[@class='stated'])", "1"},
      {"count(//svg:text[@class='note'])", "3"},
      {"//svg:text[@class='note'][2]", "C#"},
      // 7.5 cents needs the 10-cent scale: 240 px for 20 cents, so 5 cents are 60 px, the band 120.
      {"//svg:rect[@class='measured']/@height", "60.0"},
      {"//svg:rect[@class='measured']/@y", "88.0"},
      {"//svg:rect[@class='measured flagged']/@height", "90.0"},
      {"//svg:rect[@class='band']/@height", "120.0"},
      {"//svg:circle/@cy", "148.0"},
      {"count(//h:tr)", "4"},
      {"//h:tr[2]/h:td[2]", "in/036-C&<\"'>.wav"},
      // Latin-1 é, a control character, UTF-8 ü, a tab, U+10000, an overlong form and F5 (both as Latin-1)
      {"//h:tr[3]/h:td[2]", "in/\xC3\xA9t\xEF\xBF\xBD\xC3\xBC\t\xF0\x90\x80\x80\xC3\xB0\xC2\x8F\xC2\x80\xC2\x80"
                            "\xC3\xB5\xC2\x80\xC2\x80\xC2\x80.wav"},
      {"//h:tr[2]/h:td[6]", "+5.00"},
      {"//h:tr[3]/@class", "flagged"},
      {"//h:tr[3]/h:td[9]", "not measured reliably (x)"},
      {"//h:tr[4]/h:td[4]", ""}, {"//h:tr[4]/h:td[2]", "b\xC3\x80\xE0\xA0\x80\xC3\xBC"},
  };
  for (const auto& [expression, text] : expected) EXPECT_EQ(XPathString(doc, expression), text) << expression;
  EXPECT_EQ(Digest(page), "1a202e37d7b01955") << page;
  std::string pages;  // on the scales of 100 and 600 cents
  for (const double cents : {80.0, 700.0}) {
    const report::PitchReportRow row{.file = "a.wav", .note = "A", .measured_cents = cents};
    pages += report::PitchReportPage({"*.wav", "Equal", 440}, {&row, 1});
  }
  EXPECT_EQ(Digest(pages), "2b48fd71ff5043fa") << pages;
  xmlFreeDoc(doc);
  // Folders: a page with no sections while there is one, else a summary row and a section each, by first pipe.
  std::vector<report::PitchReportRow> ranks(std::begin(rows), std::end(rows));
  for (auto& row : ranks) row.folder = "R1";
  EXPECT_EQ(report::PitchReportPage({"in/*.wav", "Kellner+2", 415}, ranks), page);
  ranks[0].folder = ranks[2].folder = "R2";
  ranks.push_back({.folder = "R2", .file = "c.wav", .measured_cents = -6});
  ranks.push_back({.folder = "R1", .file = "d.wav", .measured_cents = 2});
  const std::string organ = report::PitchReportPage({"in/*.wav", "Kellner+2", 415}, ranks);
  doc = xmlReadMemory(organ.data(), static_cast<int>(organ.size()), "report.html", nullptr, XML_PARSE_NONET);
  ASSERT_NE(doc, nullptr) << organ;
  const std::pair<std::string, std::string> folders[] = {
      {"count(//h:script | //@src | //@href[not(starts-with(., '#'))])", "0"},
      {"//h:table[1]/h:tr[2]", "R235.50-6.0001"}, {"//h:table[1]/h:tr[3]", "R124.75-7.5011"},
      {"//h:h2[@id=substring(//h:tr[3]//@href, 2)]", "R1"},
      {"//h:table[2]/h:tr[4]/h:td[2]", "c.wav"}, {"//h:table[3]/h:tr[2]/h:td[3]", "C#"}};
  for (const auto& [expression, text] : folders) EXPECT_EQ(XPathString(doc, expression), text) << expression;
  xmlFreeDoc(doc);
}

}  // namespace
}  // namespace zelvanor::testing
#endif
