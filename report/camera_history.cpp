#include "camera_history.h"

#include <algorithm>
#include <tuple>

#include "shooting_date.h"

std::optional<std::int64_t> BodySummary::Shots() const
{
    if (points.empty())
        return std::nullopt;
    // In 64 bits: two 32-bit counts can be further apart than 32 bits hold.
    return std::int64_t{points.back().total} - points.front().total;
}

std::optional<double> BodySummary::ShotsPerDay() const
{
    if (points.empty())
        return std::nullopt;
    const std::int64_t span = points.back().seconds - points.front().seconds;
    if (span < kSecondsPerDay)
        return std::nullopt;
    return static_cast<double>(*Shots()) * kSecondsPerDay / static_cast<double>(span);
}

bool CameraHistory::KeyOrder::operator()(const std::pair<std::string, std::optional<std::string>>& a,
                                         const std::pair<std::string, std::optional<std::string>>& b) const
{
    // std::string compares its bytes as unsigned values.
    if (a.first.empty() != b.first.empty())
        return b.first.empty();
    if (a.first != b.first)
        return a.first < b.first;
    if (a.second.has_value() != b.second.has_value())
        return a.second.has_value();
    return a.second && *a.second < *b.second;
}

void CameraHistory::Add(const std::string& file, const NefReadout& readout, bool hadCount)
{
    std::optional<std::string> serial;
    if (!readout.m_serialNumber.empty())
        serial = readout.m_serialNumber;
    auto [place, added] = m_bodies.try_emplace({readout.m_camera, serial});
    BodySummary& body = place->second;
    if (added) {
        body.camera = readout.m_camera;
        body.serial = serial;
    }
    if (!hadCount) {
        ++body.filesWithoutCount;
        return;
    }
    ++body.files;
    const std::optional<std::int64_t> seconds = ShootingSeconds(readout.m_shootingDate);
    if (!seconds) {
        ++body.undatedFiles;
        return;
    }
    std::optional<std::int32_t> mechanical;
    if (readout.m_bMechanicalFound)
        mechanical = readout.m_mechanicalCount;
    body.points.push_back({file, readout.m_shootingDate, *seconds, readout.m_totalCount, mechanical});
}

std::vector<BodySummary> CameraHistory::TakeSummaries()
{
    std::vector<BodySummary> summaries;
    summaries.reserve(m_bodies.size());
    for (auto& [key, body] : m_bodies) {
        // Stable: the same file listed twice keeps its places.
        std::stable_sort(body.points.begin(), body.points.end(), [](const HistoryPoint& a, const HistoryPoint& b) {
            return std::tie(a.seconds, a.file) < std::tie(b.seconds, b.file);
        });
        for (std::size_t i = 1; i < body.points.size(); ++i) {
            if (body.points[i].total < body.points[i - 1].total)
                body.decreases.push_back({i - 1, i});
        }
        summaries.push_back(std::move(body));
    }
    m_bodies.clear();
    return summaries;
}
