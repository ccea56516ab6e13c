#include "history_format.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "display_width.h"
#include "text_escape.h"

namespace {

// Shown in the table for a figure the body has none of.
constexpr char kNone[] = "-";

std::string Number(std::int64_t value) { return std::to_string(value); }

// Two decimals: a rate, not a count.
std::string Rate(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The figures of one body as text, empty where it has none; each form
// then says "none" its own way.
struct Figures {
    std::string firstDate, lastDate, firstTotal, lastTotal, shots, shotsPerDay, firstMechanical, lastMechanical;
};

std::string Mechanical(const HistoryPoint* point)
{
    return point && point->mechanical ? Number(*point->mechanical) : std::string();
}

Figures FiguresOf(const BodySummary& body)
{
    Figures f;
    if (const HistoryPoint* first = body.First()) {
        const HistoryPoint* last = body.Last();
        f.firstDate = first->date;
        f.lastDate = last->date;
        f.firstTotal = Number(first->total);
        f.lastTotal = Number(last->total);
        f.shots = Number(*body.Shots());
    }
    if (const std::optional<double> rate = body.ShotsPerDay())
        f.shotsPerDay = Rate(*rate);
    f.firstMechanical = Mechanical(body.First());
    f.lastMechanical = Mechanical(body.Last());
    return f;
}

std::string JsonOrNull(const std::string& value, bool isText)
{
    if (value.empty())
        return "null";
    return isText ? JsonString(value) : value;
}

std::string JsonPoint(const HistoryPoint& point)
{
    return "{\"file\": " + JsonString(point.file) + ", \"date\": " + JsonString(point.date) +
           ", \"total\": " + Number(point.total) + "}";
}

void WriteJson(std::ostream& out, const std::vector<BodySummary>& bodies)
{
    out << '[';
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        const BodySummary& body = bodies[i];
        const Figures f = FiguresOf(body);
        out << (i ? ",\n" : "\n") << "  {\"camera\": " << JsonString(body.camera)
            << ", \"serial\": " << (body.serial ? JsonString(*body.serial) : std::string("null"))
            << ", \"files\": " << body.files << ", \"filesWithoutCount\": " << body.filesWithoutCount
            << ", \"undatedFiles\": " << body.undatedFiles << ", \"firstDate\": " << JsonOrNull(f.firstDate, true)
            << ", \"lastDate\": " << JsonOrNull(f.lastDate, true)
            << ", \"firstTotal\": " << JsonOrNull(f.firstTotal, false)
            << ", \"lastTotal\": " << JsonOrNull(f.lastTotal, false) << ", \"shots\": " << JsonOrNull(f.shots, false)
            << ", \"shotsPerDay\": " << JsonOrNull(f.shotsPerDay, false)
            << ", \"firstMechanical\": " << JsonOrNull(f.firstMechanical, false)
            << ", \"lastMechanical\": " << JsonOrNull(f.lastMechanical, false) << ", \"decreases\": [";
        // One decrease a line, so that a long list stays readable.
        for (std::size_t d = 0; d < body.decreases.size(); ++d) {
            const CountDecrease& decrease = body.decreases[d];
            out << (d ? ",\n" : "\n") << "    {\"from\": " << JsonPoint(body.points[decrease.from])
                << ", \"to\": " << JsonPoint(body.points[decrease.to]) << '}';
        }
        out << (body.decreases.empty() ? "]}" : "\n  ]}");
    }
    out << (bodies.empty() ? "]\n" : "\n]\n");
}

void WriteCsv(std::ostream& out, const std::vector<BodySummary>& bodies)
{
    // The JSON object's fields in the same order; a row has room for the
    // number of decreases only, which the other forms list.
    out << "camera,serial,files,filesWithoutCount,undatedFiles,firstDate,lastDate,firstTotal,lastTotal,shots,"
           "shotsPerDay,firstMechanical,lastMechanical,decreases\n";
    for (const BodySummary& body : bodies) {
        const Figures f = FiguresOf(body);
        out << CsvField(body.camera) << ',' << CsvField(body.serial.value_or("")) << ',' << body.files << ','
            << body.filesWithoutCount << ',' << body.undatedFiles << ',' << CsvField(f.firstDate) << ','
            << CsvField(f.lastDate) << ',' << f.firstTotal << ',' << f.lastTotal << ',' << f.shots << ','
            << f.shotsPerDay << ',' << f.firstMechanical << ',' << f.lastMechanical << ','
            << body.decreases.size() << '\n';
    }
}

// The table: camera and serial left-aligned, figures right-aligned, two
// spaces between columns. Dates show their day only; the decreases below
// give the whole texts.
void WriteText(std::ostream& out, const std::vector<BodySummary>& bodies)
{
    if (bodies.empty())
        return;
    const std::vector<std::string> headings = {"Camera",      "Serial",     "Files",      "No count",
                                               "Undated",     "First date", "Last date",  "First total",
                                               "Last total",  "Shots",      "Shots/day",  "First mech.",
                                               "Last mech."};
    const auto cell = [](const std::string& value) { return value.empty() ? std::string(kNone) : value; };
    const auto day = [](const std::string& date) { return date.substr(0, 10); };
    std::vector<std::vector<std::string>> rows = {headings};
    for (const BodySummary& body : bodies) {
        const Figures f = FiguresOf(body);
        rows.push_back({body.camera.empty() ? std::string("unknown") : PrintableText(body.camera),
                        body.serial ? PrintableText(*body.serial) : std::string("unknown"),
                        Number(static_cast<std::int64_t>(body.files)),
                        Number(static_cast<std::int64_t>(body.filesWithoutCount)),
                        Number(static_cast<std::int64_t>(body.undatedFiles)), cell(day(f.firstDate)),
                        cell(day(f.lastDate)), cell(f.firstTotal), cell(f.lastTotal), cell(f.shots),
                        cell(f.shotsPerDay), cell(f.firstMechanical), cell(f.lastMechanical)});
    }
    std::vector<std::size_t> widths(headings.size(), 0);
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - DisplayWidth(row[c]), ' ');
            line += c == 0 ? "" : "  ";
            line += c < 2 ? row[c] + pad : pad + row[c];
        }
        out << line.erase(line.find_last_not_of(' ') + 1) << '\n';
    }

    bool headed = false;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        const BodySummary& body = bodies[i];
        for (const CountDecrease& decrease : body.decreases) {
            if (!headed)
                out << "\nTotal count went down:\n";
            headed = true;
            const HistoryPoint& from = body.points[decrease.from];
            const HistoryPoint& to = body.points[decrease.to];
            out << "  " << rows[i + 1][0] << ' ' << rows[i + 1][1] << ": " << PrintableText(from.file) << " ("
                << PrintableText(from.date) << ", " << from.total << ") -> " << PrintableText(to.file) << " ("
                << PrintableText(to.date) << ", " << to.total << ")\n";
        }
    }
}

}  // namespace

void WriteHistory(std::ostream& out, OutputForm form, const std::vector<BodySummary>& bodies)
{
    switch (form) {
    case OutputForm::kText: WriteText(out, bodies); break;
    case OutputForm::kJson: WriteJson(out, bodies); break;
    case OutputForm::kCsv: WriteCsv(out, bodies); break;
    }
}
