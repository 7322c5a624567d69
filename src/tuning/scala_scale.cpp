#include "tuning/scala_scale.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "common/ascii.h"
#include "common/number_text.h"
#include "common/run_error.h"
#include "common/series_math.h"
#include "platform/file_system.h"

namespace zelvanor {
namespace {

constexpr char kExtension[] = ".scl";
constexpr std::size_t kExtensionLength = 4;
constexpr int kNotes = 12;
constexpr std::size_t kNoteA = 9;
constexpr double kCentsOfA = 900.0;
constexpr double kOctaveCents = 1200.0;
// Up to this many digits a whole number is exact enough for any ratio a
// scale holds, and far from overflowing.
constexpr std::size_t kMostRatioDigits = 18;

bool EndsScalaPath(std::string_view request, std::size_t at) {
  if (request.size() - at < kExtensionLength) return false;
  for (std::size_t i = 0; i < kExtensionLength; ++i) {
    if (UpperAscii(request[at + i]) != UpperAscii(kExtension[i])) return false;
  }
  const std::size_t after = at + kExtensionLength;
  return after == request.size() || request[after] == '+' || request[after] == '-';
}

// The non-comment lines of a scale file, each without its line end
// (line feed, or carriage return and line feed), with its line number.
class ScaleLines {
 public:
  explicit ScaleLines(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    while (at_ < text_.size()) {
      std::size_t end = text_.find('\n', at_);
      if (end == std::string_view::npos) end = text_.size();
      line = text_.substr(at_, end - at_);
      at_ = end + 1;
      ++number_;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.empty() || line.front() != '!') return true;
    }
    return false;
  }
  int number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  int number_ = 0;
};

// The value at the start of a line, behind its blanks: the run of digits,
// signs, "." and "/" there. Text after it is a remark.
std::string_view LeadingValue(std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && IsSpace(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && (IsDigit(line[end]) || std::string_view("+-./").find(line[end]) != std::string_view::npos)) {
    ++end;
  }
  return line.substr(start, end - start);
}

// The line's first word, as an error message quotes it.
std::string FirstWord(std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && IsSpace(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && !IsSpace(line[end])) ++end;
  std::string quoted(1, '\'');
  quoted.append(line.substr(start, end - start)).push_back('\'');
  return quoted;
}

// Digits from `at` as a whole number; false for none or too many.
bool ReadWhole(std::string_view text, std::size_t& at, double& value) {
  const std::size_t start = at;
  value = 0.0;
  for (; at < text.size() && IsDigit(text[at]); ++at) value = value * 10.0 + (text[at] - '0');
  return at > start && at - start <= kMostRatioDigits;
}

// "n/d" or "n", optionally signed; nothing when it does not parse.
std::optional<double> Ratio(std::string_view text) {
  std::size_t at = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  double numerator = 0.0, denominator = 1.0;
  if (!ReadWhole(text, at, numerator)) return std::nullopt;
  if (at < text.size() && text[at] == '/' && !ReadWhole(text, ++at, denominator)) return std::nullopt;
  if (at != text.size() || denominator == 0.0) return std::nullopt;
  return (text[0] == '-' ? -numerator : numerator) / denominator;
}

class ScaleReader {
 public:
  ScaleReader(std::string_view text, const std::string& path) : lines_(text), path_(path) {}

  ScalaScale Read() {
    ScalaScale scale;
    std::string_view line;
    if (!lines_.Next(line)) Refuse(lines_.number() + 1, "the file ends before its description");
    scale.description = std::string(line);
    if (!lines_.Next(line)) Refuse(lines_.number() + 1, "the file ends before its number of notes");
    const std::string_view count = LeadingValue(line);
    std::size_t at = 0;
    double notes = 0.0;
    if (!ReadWhole(count, at, notes) || at != count.size()) {
      Refuse(lines_.number(), FirstWord(line) + " is not a number of notes");
    }
    if (notes != kNotes) {
      Refuse(lines_.number(), std::string(count) + " notes; a temperament has 12 (C# to B and the octave)");
    }
    const int count_line = lines_.number();
    std::array<double, kNotes> pitches{};  // C# .. B, then the period
    for (int i = 0; i < kNotes; ++i) {
      if (!lines_.Next(line)) {
        Refuse(count_line, "12 pitches announced, " + std::to_string(i) + " follow");
      }
      pitches[static_cast<std::size_t>(i)] = Pitch(line);
    }
    const double period = pitches[kNotes - 1];
    if (!(std::fabs(period - kOctaveCents) <= kOctaveToleranceCents)) {
      Refuse(lines_.number(), "the period " + std::string(LeadingValue(line)) + " is not an octave (2/1 or 1200.0)");
    }
    scale.cents[0] = 0.0;
    for (std::size_t note = 1; note < kNotes; ++note) scale.cents[note] = pitches[note - 1];
    // Placed as every temperament of the list is: A keeps its equal-tempered
    // pitch, so a scale and the list's line of the same tuning agree.
    const double shift = scale.cents[kNoteA] - kCentsOfA;
    for (double& cents : scale.cents) cents -= shift;
    return scale;
  }

 private:
  [[noreturn]] void Refuse(int line_number, const std::string& what) {
    ThrowFatal("%s line %d: %s\n", path_.c_str(), line_number, what.c_str());
  }

  // Cents when the value holds a ".", otherwise a ratio; the cents of a
  // ratio from the fixed-order logarithm, since they decide output bytes.
  double Pitch(std::string_view line) {
    const std::string_view value = LeadingValue(line);
    if (value.find('.') != std::string_view::npos) {
      const PlainDecimal cents = ScanPlainDecimal(value);
      if (cents.length == value.size() && std::isfinite(cents.value)) return cents.value;
    } else if (const std::optional<double> ratio = Ratio(value)) {
      if (*ratio <= 0.0) Refuse(lines_.number(), "ratio " + std::string(value) + " is not above zero");
      return series::CentsOfRatio(*ratio);
    }
    Refuse(lines_.number(), FirstWord(line) + " is not a pitch (cents or a ratio)");
  }

  ScaleLines lines_;
  const std::string& path_;
};

}  // namespace

std::optional<std::string_view> ScalaScalePath(std::string_view request) {
  for (std::size_t at = request.size(); at-- > 0;) {
    if (EndsScalaPath(request, at)) return request.substr(0, at + kExtensionLength);
  }
  return std::nullopt;
}

ScalaScale ReadScalaScale(const std::string& path, const std::string& request) {
  // A directory of that name is no scale file; POSIX would open it.
  std::optional<std::vector<std::uint8_t>> bytes;
  if (platform::IsRegularFile(path)) bytes = platform::ReadWholeFile(path);
  if (!bytes) ThrowFatal("Can't find temperament %s: no such scale file\n", request.c_str());
  const std::string text(bytes->begin(), bytes->end());
  return ScaleReader(text, path).Read();
}

}  // namespace zelvanor
