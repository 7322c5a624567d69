#include <algorithm>
#include <cmath>

#include "common/console.h"
#include "report/page_parts.h"

namespace zelvanor::report {
namespace {

// Geometry in pixels. A column per pipe keeps a set of hundreds of pipes
// readable: the page scrolls sideways rather than squeezing the bars.
constexpr double kLeft = 52, kRight = 16, kTop = 28, kPlotHeight = 240, kBottom = 40;
constexpr double kColumn = 16, kBarWidth = 9, kMarkerRadius = 3.5;
// Wide enough for the legend however few the pipes.
constexpr double kLeastPlotWidth = 420;

// The chart's half height in cents: the smallest of these that holds every
// value, so a well tuned set is shown at a scale that shows its cents.
constexpr double kScales[] = {10, 25, 50, 100, 200, 600};

double ScaleFor(std::span<const PitchReportRow> rows) {
  double largest = 0;
  for (const PitchReportRow& row : rows) {
    if (row.measured_cents) largest = std::max(largest, std::fabs(*row.measured_cents));
    if (row.stated_cents) largest = std::max(largest, std::fabs(*row.stated_cents));
  }
  for (const double scale : kScales) {
    if (largest <= scale) return scale;
  }
  return kScales[std::size(kScales) - 1];
}

class Plot {
 public:
  explicit Plot(double scale) : scale_(scale) {}
  // Values beyond the scale stop at its edge.
  double Y(double cents) const {
    const double held = std::clamp(cents, -scale_, scale_);
    return kTop + (scale_ - held) / (2 * scale_) * kPlotHeight;
  }
  static double Centre(std::size_t column) { return kLeft + (static_cast<double>(column) + 0.5) * kColumn; }

 private:
  double scale_;
};

void AddGrid(std::string& svg, const Plot& plot, double scale, double right) {
  svg += Format("<rect class=\"band\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"/>\n", kLeft,
                plot.Y(kInTuneCents), right - kLeft, plot.Y(-kInTuneCents) - plot.Y(kInTuneCents));
  for (const double cents : {scale, scale / 2, 0.0, -scale / 2, -scale}) {
    svg += Format("<line class=\"%s\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n",
                  cents == 0 ? "zero" : "grid", kLeft, plot.Y(cents), right, plot.Y(cents));
    svg += Format("<text class=\"axis\" x=\"%.1f\" y=\"%.1f\">%+g</text>\n", kLeft - 6, plot.Y(cents) + 4, cents);
  }
  svg += Format("<text class=\"axis\" x=\"%.1f\" y=\"%.1f\">cents</text>\n", kLeft - 6, kTop - 14);
}

void AddColumn(std::string& svg, const Plot& plot, std::size_t column, const PitchReportRow& row) {
  const double centre = Plot::Centre(column);
  const std::string file = EscapeXml(row.file);
  if (row.measured_cents) {
    const double top = std::min(plot.Y(0), plot.Y(*row.measured_cents));
    const double height = std::max(std::fabs(plot.Y(*row.measured_cents) - plot.Y(0)), 1.0);
    svg += Format("<rect class=\"%s\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\">"
                  "<title>%s: measured %+.2f cents</title></rect>\n",
                  row.flag.empty() ? "measured" : "measured flagged", centre - kBarWidth / 2, top, kBarWidth, height,
                  file.c_str(), *row.measured_cents);
  }
  if (row.stated_cents) {
    svg += Format("<circle class=\"stated\" cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\"><title>%s: stated %+.2f cents</title>"
                  "</circle>\n",
                  centre, plot.Y(*row.stated_cents), kMarkerRadius, file.c_str(), *row.stated_cents);
  }
  svg += Format("<text class=\"note\" x=\"%.1f\" y=\"%.1f\">%s</text>\n", centre, kTop + kPlotHeight + 14,
                EscapeXml(row.note).c_str());
}

}  // namespace

std::string PitchChart(std::span<const PitchReportRow> rows) {
  const double scale = ScaleFor(rows);
  const Plot plot(scale);
  const double right = kLeft + std::max(static_cast<double>(rows.size()) * kColumn, kLeastPlotWidth);
  const double width = right + kRight, height = kTop + kPlotHeight + kBottom;
  std::string svg = Format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n"
      "<title>Deviation of every pipe from its target, in cents</title>\n",
      width, height, width, height);
  AddGrid(svg, plot, scale, right);
  for (std::size_t column = 0; column < rows.size(); ++column) AddColumn(svg, plot, column, rows[column]);
  svg += Format("<text class=\"legend\" x=\"%.1f\" y=\"%.1f\">bars: measured, circles: stated, "
                "shaded: within %g cents</text>\n",
                kLeft, height - 6, kInTuneCents);
  svg += "</svg>\n";
  return svg;
}

}  // namespace zelvanor::report
