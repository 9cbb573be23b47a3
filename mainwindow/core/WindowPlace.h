// The main window's place on the screen, worked out from the settings.
#pragma once

namespace jotanor {

// total × percent × 0.01 rounded to the nearest integer, halves to even.
// Settings are used as the file gives them, so the product may lie far
// outside the range of an int: it is brought to the nearest end of it.
int percentOf(int total, int percent);

}  // namespace jotanor
