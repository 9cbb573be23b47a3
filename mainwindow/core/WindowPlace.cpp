#include "mainwindow/core/WindowPlace.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace jotanor {

int percentOf(int total, int percent) {
    const double exact = std::nearbyint(static_cast<double>(total) * percent * 0.01);
    if (exact >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (exact <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(exact);
}

int leftEdgeOnScreen(int screenWidth, int leftPercent, int frameWidth) {
    const long long wanted = percentOf(screenWidth, leftPercent);
    const long long lastFitting = static_cast<long long>(screenWidth) - frameWidth;
    return static_cast<int>(std::max(0LL, std::min(wanted, lastFitting)));
}

}  // namespace jotanor
