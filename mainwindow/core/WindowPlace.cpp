#include "mainwindow/core/WindowPlace.h"

#include <climits>
#include <cmath>

namespace jotanor {

int percentOf(int total, int percent) {
    const double exact = std::nearbyint(static_cast<double>(total) * percent * 0.01);
    if (exact >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (exact <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(exact);
}

}  // namespace jotanor
