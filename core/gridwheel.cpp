#include "core/gridwheel.h"

#include <algorithm>

namespace GridWheel {

namespace {
constexpr int kMinimumStep = 10;
}

int stepRows(int controlHeight, int rowHeight)
{
    const int fit = (rowHeight > 0 && controlHeight > 0) ? controlHeight / rowHeight : 0;
    return std::max(fit, kMinimumStep);
}

int nextFirstVisibleRow(int firstVisibleRow, int rowCount, int controlHeight, int rowHeight, bool awayFromUser)
{
    const long long lastRow = std::max(rowCount - 1, 1);
    const long long step = stepRows(controlHeight, rowHeight);
    const long long moved =
        awayFromUser ? static_cast<long long>(firstVisibleRow) - step : static_cast<long long>(firstVisibleRow) + step;
    return static_cast<int>(std::clamp(moved, 1LL, lastRow));
}

} // namespace GridWheel
