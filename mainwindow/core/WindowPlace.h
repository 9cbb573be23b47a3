// The main window's place on the screen, worked out from the settings.
#pragma once

namespace jotanor {

// total × percent × 0.01 rounded to the nearest integer, halves to even.
// Settings are used as the file gives them, so the product may lie far
// outside the range of an int: it is brought to the nearest end of it.
int percentOf(int total, int percent);

// The frame's left edge for a start position of `leftPercent`: that share
// of the screen's width, moved left just enough for a frame `frameWidth`
// wide to end on the screen, and never left of the screen's edge.
int leftEdgeOnScreen(int screenWidth, int leftPercent, int frameWidth);

}  // namespace jotanor
