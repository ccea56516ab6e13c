#include "wear_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "display_width.h"
#include "shooting_date.h"
#include "text_escape.h"

namespace {

// The plot's place on the canvas; the legend stands to its right.
constexpr double kPlotLeft = 100, kPlotTop = 52, kPlotWidth = 720, kPlotHeight = 400;
constexpr double kPlotRight = kPlotLeft + kPlotWidth, kPlotBottom = kPlotTop + kPlotHeight;
// Between the plot's edge and the outermost points, so that no marker
// crosses the frame.
constexpr double kInset = 14;
constexpr double kMargin = 16;
constexpr double kLegendGap = 24, kLegendPadding = 12, kLegendRow = 22, kSwatch = 28;
constexpr double kFontSize = 12;
// DejaVu Sans and its kin are about 0.6 em wide in capitals and digits;
// the legend is sized by this rather than by measuring glyphs.
constexpr double kCharacterWidth = 0.68 * kFontSize;
constexpr std::size_t kMaxLabelCharacters = 60;
// Past this many points a body's line is drawn without a dot on each.
constexpr std::size_t kMaxDottedPoints = 150;
// Date labels: days are wider than months and years.
constexpr int kMaxDayTicks = 7, kMaxTicks = 10;

// Told apart on white and from each other; red is kept for the decreases,
// greys for the frame and the text.
const char* const kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd",
                                "#8c564b", "#e377c2", "#17becf", "#bcbd22"};
constexpr std::size_t kColours = sizeof kPalette / sizeof kPalette[0];
constexpr char kDecreaseColour[] = "#d62728";

std::string Coordinate(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// 1234567 as "1,234,567".
std::string Grouped(std::int64_t value)
{
    std::string digits = std::to_string(std::llabs(value));
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return (value < 0 ? "-" : "") + digits;
}

// Gridlines for counts: a step of 1, 2 or 5 times a power of ten giving
// about five intervals, from a multiple of it below the lowest count to
// one above the highest.
struct CountAxis {
    double low, high, step;
};

CountAxis CountAxisFor(double lowest, double highest)
{
    double range = highest - lowest;
    if (range <= 0)
        range = std::max(1.0, std::fabs(highest) * 0.1);
    const double rough = range / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * power >= rough) {
            step = multiple * power;
            break;
        }
    }
    step = std::max(step, 1.0);  // counts are whole numbers
    const double low = std::floor(lowest / step) * step;
    double high = std::ceil(highest / step) * step;
    if (high <= low)
        high = low + step;
    return {low, high, step};
}

struct DateTick {
    std::int64_t seconds;
    std::string label;
};

std::string DateLabel(const CivilDate& date, int parts)
{
    char text[32];
    if (parts == 1)
        std::snprintf(text, sizeof text, "%04d", date.year);
    else if (parts == 2)
        std::snprintf(text, sizeof text, "%04d-%02d", date.year, date.month);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

// Ticks on calendar boundaries between `from` and `to`: every `step` days,
// months or years, whichever is the finest that gives at most kMaxTicks.
std::vector<DateTick> DateTicks(std::int64_t from, std::int64_t to)
{
    enum Unit { kDays, kMonths, kYears };
    struct Step {
        Unit unit;
        int count;
    };
    std::vector<Step> steps = {{kDays, 1},   {kDays, 2},   {kDays, 7},   {kDays, 14}, {kMonths, 1},
                               {kMonths, 2}, {kMonths, 3}, {kMonths, 6}, {kYears, 1}, {kYears, 2}};
    for (int years = 5; years <= 10000; years *= 10) {
        steps.push_back({kYears, years});
        steps.push_back({kYears, years * 2});
    }
    const CivilDate first = DateAt(from);
    for (const Step& step : steps) {
        const double days = step.unit == kDays ? step.count : step.unit == kMonths ? step.count * 30.44 : step.count * 365.25;
        if (static_cast<double>(to - from) / (days * kSecondsPerDay) > kMaxTicks + 1)
            continue;  // too fine by far: not worth counting
        std::vector<DateTick> ticks;
        if (step.unit == kDays) {
            for (std::int64_t day = from / kSecondsPerDay; day * kSecondsPerDay <= to; ++day) {
                if (day * kSecondsPerDay >= from && day % step.count == 0)
                    ticks.push_back({day * kSecondsPerDay, DateLabel(DateAt(day * kSecondsPerDay), 3)});
            }
        } else if (step.unit == kMonths) {
            for (int month = first.year * 12 + first.month - 1;; ++month) {
                const std::int64_t at = SecondsAt({month / 12, month % 12 + 1, 1});
                if (at > to)
                    break;
                if (at >= from && month % step.count == 0)
                    ticks.push_back({at, DateLabel({month / 12, month % 12 + 1, 1}, 2)});
            }
        } else {
            for (int year = first.year;; ++year) {
                const std::int64_t at = SecondsAt({year, 1, 1});
                if (at > to)
                    break;
                if (at >= from && year % step.count == 0)
                    ticks.push_back({at, DateLabel({year, 1, 1}, 1)});
            }
        }
        if (static_cast<int>(ticks.size()) <= (step.unit == kDays ? kMaxDayTicks : kMaxTicks))
            return ticks;
    }
    return {};
}

std::string BodyLabel(const BodySummary& body)
{
    const std::string camera = body.camera.empty() ? "(camera unknown)" : body.camera;
    return camera + (body.serial ? " " + *body.serial : " (serial unknown)");
}

// Character widths that XML text shows, in units of a narrow character:
// a character reference is one, a wide character (CJK, most emoji) two, a
// combining mark none.
std::size_t ShownCharacters(const std::string& xml)
{
    std::size_t characters = 0;
    std::size_t plain = 0;  // where the text after the last reference starts
    for (std::size_t i = 0; i <= xml.size(); ++i) {
        if (i < xml.size() && xml[i] != '&')
            continue;
        characters += DisplayWidth(std::string_view(xml).substr(plain, i - plain));
        if (i == xml.size())
            break;
        ++characters;
        i = xml.find(';', i);
        if (i == std::string::npos)
            break;
        plain = i + 1;
    }
    return characters;
}

// A downward triangle centred on (x, y): where a count went down.
std::string DecreaseMarker(double x, double y)
{
    return "<path d=\"M" + Coordinate(x - 6) + "," + Coordinate(y - 4) + " L" + Coordinate(x + 6) + "," +
           Coordinate(y - 4) + " L" + Coordinate(x) + "," + Coordinate(y + 7) + " Z\" fill=\"" + kDecreaseColour +
           "\" stroke=\"#ffffff\" stroke-width=\"1\"/>\n";
}

}  // namespace

std::string WearChartSvg(const std::vector<BodySummary>& bodies)
{
    std::vector<const BodySummary*> drawn;
    std::int64_t earliest = 0, latest = 0;
    double lowest = 0, highest = 0;
    bool anyDecrease = false;
    for (const BodySummary& body : bodies) {
        if (body.points.empty())
            continue;
        for (const HistoryPoint& point : body.points) {
            const bool firstPoint = drawn.empty() && &point == &body.points.front();
            earliest = firstPoint ? point.seconds : std::min(earliest, point.seconds);
            latest = firstPoint ? point.seconds : std::max(latest, point.seconds);
            lowest = firstPoint ? point.total : std::min<double>(lowest, point.total);
            highest = firstPoint ? point.total : std::max<double>(highest, point.total);
        }
        anyDecrease = anyDecrease || !body.decreases.empty();
        drawn.push_back(&body);
    }
    // Under two days the axis would have no day boundary to mark.
    if (latest - earliest < 2 * kSecondsPerDay) {
        const std::int64_t middle = earliest + (latest - earliest) / 2;
        earliest = middle - kSecondsPerDay;
        latest = middle + kSecondsPerDay;
    }
    const CountAxis counts = CountAxisFor(lowest, highest);
    const auto x = [&](std::int64_t seconds) {
        return kPlotLeft + kInset +
               (kPlotWidth - 2 * kInset) * static_cast<double>(seconds - earliest) / static_cast<double>(latest - earliest);
    };
    const auto y = [&](double count) {
        return kPlotBottom - kInset - (kPlotHeight - 2 * kInset) * (count - counts.low) / (counts.high - counts.low);
    };

    std::vector<std::string> labels;
    std::size_t labelCharacters = std::string("count went down").size();
    for (const BodySummary* body : drawn) {
        labels.push_back(XmlText(BodyLabel(*body), kMaxLabelCharacters));
        labelCharacters = std::max(labelCharacters, ShownCharacters(labels.back()));
    }
    const double legendLeft = kPlotRight + kLegendGap;
    const double legendWidth = 2 * kLegendPadding + kSwatch + 8 + labelCharacters * kCharacterWidth;
    const std::size_t legendRows = drawn.size() + (anyDecrease ? 1 : 0);
    const double legendHeight = 2 * kLegendPadding + legendRows * kLegendRow - (kLegendRow - kFontSize);
    const double width = std::ceil(legendLeft + (drawn.empty() ? 0 : legendWidth) + kMargin);
    const double height = std::ceil(std::max(kPlotBottom + 64, kPlotTop + legendHeight + kMargin));

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Coordinate(width) + "\" height=\"" +
                      Coordinate(height) + "\" viewBox=\"0 0 " + Coordinate(width) + " " + Coordinate(height) +
                      "\" font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-size=\"" +
                      Coordinate(kFontSize) + "\" fill=\"#222222\">\n"
                      "<title>Total shutter count by shooting date</title>\n"
                      "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
                      "<text x=\"" + Coordinate(kPlotLeft) + "\" y=\"30\" font-size=\"16\" font-weight=\"bold\">"
                      "Total shutter count by shooting date</text>\n";

    // Gridlines and their labels, counts at the left and dates below: none
    // when there is nothing to measure.
    svg += "<g id=\"count-axis\" stroke=\"#e4e4e4\">\n";
    for (double count = counts.low; !drawn.empty() && count <= counts.high + counts.step / 2; count += counts.step) {
        svg += "<line x1=\"" + Coordinate(kPlotLeft) + "\" x2=\"" + Coordinate(kPlotRight) + "\" y1=\"" +
               Coordinate(y(count)) + "\" y2=\"" + Coordinate(y(count)) + "\"/>\n<text x=\"" +
               Coordinate(kPlotLeft - 8) + "\" y=\"" + Coordinate(y(count) + 4) +
               "\" text-anchor=\"end\" stroke=\"none\">" + Grouped(static_cast<std::int64_t>(count)) + "</text>\n";
    }
    svg += "</g>\n<g id=\"date-axis\" stroke=\"#e4e4e4\">\n";
    for (const DateTick& tick : drawn.empty() ? std::vector<DateTick>() : DateTicks(earliest, latest)) {
        svg += "<line x1=\"" + Coordinate(x(tick.seconds)) + "\" x2=\"" + Coordinate(x(tick.seconds)) + "\" y1=\"" +
               Coordinate(kPlotTop) + "\" y2=\"" + Coordinate(kPlotBottom) + "\"/>\n<text x=\"" +
               Coordinate(x(tick.seconds)) + "\" y=\"" + Coordinate(kPlotBottom + 18) +
               "\" text-anchor=\"middle\" stroke=\"none\">" + tick.label + "</text>\n";
    }
    svg += "</g>\n"
           "<rect id=\"plot\" x=\"" + Coordinate(kPlotLeft) + "\" y=\"" + Coordinate(kPlotTop) + "\" width=\"" +
           Coordinate(kPlotWidth) + "\" height=\"" + Coordinate(kPlotHeight) +
           "\" fill=\"none\" stroke=\"#555555\"/>\n"
           "<text x=\"" + Coordinate(kPlotLeft + kPlotWidth / 2) + "\" y=\"" + Coordinate(kPlotBottom + 44) +
           "\" text-anchor=\"middle\">Shooting date</text>\n"
           "<text transform=\"translate(24 " + Coordinate(kPlotTop + kPlotHeight / 2) +
           ") rotate(-90)\" text-anchor=\"middle\">Total shutter count</text>\n";
    if (drawn.empty()) {
        svg += "<text x=\"" + Coordinate(kPlotLeft + kPlotWidth / 2) + "\" y=\"" +
               Coordinate(kPlotTop + kPlotHeight / 2) +
               "\" text-anchor=\"middle\">No file with both a shutter count and a shooting date</text>\n";
    }

    // One line a body, then the decreases over all of them.
    std::string legend;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        const BodySummary& body = *drawn[i];
        const std::string colour = kPalette[i % kColours];
        // Past the palette, colours come round again with dashes.
        const std::string dashes = i >= kColours ? " stroke-dasharray=\"6 3\"" : "";
        svg += "<g class=\"body\" stroke=\"" + colour + "\" fill=\"" + colour + "\">\n<polyline fill=\"none\" "
               "stroke-width=\"2\" stroke-linejoin=\"round\"" + dashes + " points=\"";
        for (const HistoryPoint& point : body.points)
            svg += Coordinate(x(point.seconds)) + "," + Coordinate(y(point.total)) + " ";
        svg.back() = '"';
        svg += "/>\n";
        if (body.points.size() <= kMaxDottedPoints) {
            for (const HistoryPoint& point : body.points)
                svg += "<circle cx=\"" + Coordinate(x(point.seconds)) + "\" cy=\"" + Coordinate(y(point.total)) +
                       "\" r=\"3\" stroke=\"none\"/>\n";
        }
        svg += "</g>\n";

        const double rowY = kPlotTop + kLegendPadding + i * kLegendRow + kFontSize / 2;
        legend += "<line x1=\"" + Coordinate(legendLeft + kLegendPadding) + "\" x2=\"" +
                  Coordinate(legendLeft + kLegendPadding + kSwatch) + "\" y1=\"" + Coordinate(rowY) + "\" y2=\"" +
                  Coordinate(rowY) + "\" stroke=\"" + colour + "\" stroke-width=\"3\"" + dashes + "/>\n<text x=\"" +
                  Coordinate(legendLeft + kLegendPadding + kSwatch + 8) + "\" y=\"" + Coordinate(rowY + 4) + "\">" +
                  labels[i] + "</text>\n";
    }
    svg += "<g id=\"decreases\">\n";
    for (const BodySummary* body : drawn) {
        for (const CountDecrease& decrease : body->decreases) {
            const HistoryPoint& to = body->points[decrease.to];
            svg += DecreaseMarker(x(to.seconds), y(to.total));
        }
    }
    svg += "</g>\n";
    if (!drawn.empty()) {
        if (anyDecrease) {
            const double rowY = kPlotTop + kLegendPadding + drawn.size() * kLegendRow + kFontSize / 2;
            legend += DecreaseMarker(legendLeft + kLegendPadding + kSwatch / 2, rowY - 1) + "<text x=\"" +
                      Coordinate(legendLeft + kLegendPadding + kSwatch + 8) + "\" y=\"" + Coordinate(rowY + 4) +
                      "\">count went down</text>\n";
        }
        svg += "<g id=\"legend\">\n<rect id=\"legend-box\" x=\"" + Coordinate(legendLeft) + "\" y=\"" +
               Coordinate(kPlotTop) + "\" width=\"" + Coordinate(legendWidth) + "\" height=\"" +
               Coordinate(legendHeight) + "\" fill=\"#ffffff\" stroke=\"#bbbbbb\"/>\n" + legend + "</g>\n";
    }
    return svg + "</svg>\n";
}
