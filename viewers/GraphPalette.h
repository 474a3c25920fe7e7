#pragma once

#include <QColor>

/// The 16 drawing colours of the result viewers, indexed from 0: black,
/// blue, navy, lime, green, cyan, teal, red, maroon, magenta, purple, yellow,
/// olive, grey, silver, white. Any other index gives black.
QColor graphPalette(int index);
