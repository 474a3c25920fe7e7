// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "collect/TraitMap.h"

#include <QByteArray>
#include <QColor>

class QPainter;

/// The shade of a share of the scale (`shadeShare`): white at 0 through
/// the palette's blue at one half to its navy at 1; the palette's silver
/// for NaN, a cell without a value, which no share takes.
QColor traitShade(double share);

/// Paints `map` on a white ground: the caption, the names, the cells, the
/// chromosome boundaries, labels and ticks, and the legend.
void paintTraitMap(QPainter& painter, const TraitMap& map);

/// The layout of `grid` in the pictures' font, `traitMapWidth` wide.
TraitMap traitPictureLayout(const IntensityGrid& grid);

/// The picture of `grid` as marrow-collect writes it, as PNG and as SVG:
/// one layout, laid out in the pictures' font, painted into both.
struct TraitPictures {
    QByteArray png;
    QByteArray svg;
    int width = 0;
    int height = 0;
};
TraitPictures drawTraitPictures(const IntensityGrid& grid);
