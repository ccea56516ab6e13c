// The wear chart: total shutter count against shooting date as an SVG
// document, one line and one colour per body, the points where a count went
// down marked, labelled axes and a legend naming each body.
#pragma once

#include <string>
#include <vector>

#include "camera_history.h"

// The whole document. Only bodies with a dated count have a line and a
// legend entry; with none at all the plot says so.
std::string WearChartSvg(const std::vector<BodySummary>& bodies);
