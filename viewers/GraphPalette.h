// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

/// The 16 drawing colours of the result viewers, indexed from 0: black,
/// blue, navy, lime, green, cyan, teal, red, maroon, magenta, purple, yellow,
/// olive, grey, silver, white. Any other index gives black.
QColor graphPalette(int index);

/// The shading of a QTL region's interval: the palette's yellow, half seen
/// through, so the curves and axes under it keep their colours.
QColor regionBandColour();

/// The line at a region's mode: the palette's grey.
QColor regionModeColour();
