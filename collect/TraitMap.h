// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The picture of many traits: a row per trait, labelled with its name at the
// left, the genome across (chromosomes side by side in genome order, each as
// wide as it is long), every cell shaded by the trait's average posterior
// QTL intensity there on one scale shared by all rows. Thin lines stand at
// the chromosome boundaries; chromosome labels over the map, cM ticks
// under it, and a legend of the shading at the foot. The layout is worked
// out here in device units, without a screen; a painter only draws it.

#include "collect/TraitCollection.h"
#include "viewers/GenomeLayout.h"

#include <string>
#include <vector>

/// A stretch of a row shaded alike: the positions it stands for, in
/// device x, and their average intensity (NaN where the trait's map has no
/// such position).
struct TraitMapCell {
    double left = 0;
    double right = 0;
    double value = 0;
};

struct TraitMapRow {
    std::string label; ///< the trait's name
    double top = 0;
    double bottom = 0;
    std::vector<TraitMapCell> cells; ///< left to right over the whole genome
};

/// The shading's key: a bar from 0 at `left` to `top` at `right`, numbered
/// below, with its title left of it; and a swatch for "no position" when
/// some cell has none.
struct TraitMapLegend {
    double titleX = 0; ///< left end of the title
    double left = 0;
    double right = 0;
    double barTop = 0;
    double barBottom = 0;
    double top = 1;              ///< the value of the darkest shade
    std::vector<AxisTick> ticks; ///< device x and number
    double tickLabelY = 0;       ///< vertical centre of the numbers
    bool showsGaps = false;      ///< some cell has no value
    double gapSwatchLeft = 0;    ///< the swatch, as high as the bar
    double gapSwatchRight = 0;
};

struct TraitMap {
    int width = 0;
    int height = 0;
    double labelLeft = 0;  ///< left end of the trait names
    double labelWidth = 0; ///< room for a name; longer ones are cut short
    double x0 = 0;         ///< left end of the genome
    double x1 = 0;         ///< right end
    double mapTop = 0;
    double mapBottom = 0;
    double tickLength = 0;
    double captionY = 0;         ///< baseline of the caption
    double chromosomeLabelY = 0; ///< vertical centre of the chromosome labels
    double tickLabelY = 0;       ///< vertical centre of the cM numbers
    double positionTitleY = 0;   ///< vertical centre of "Linkage distance, cM"
    /// Each chromosome's span and ticks (no curve); a label left empty
    /// where not even its number fits.
    std::vector<ChromosomePanel> chromosomes;
    std::vector<TraitMapRow> rows;
    TraitMapLegend legend;
};

/// The caption of the picture.
inline constexpr const char* traitMapCaption =
    "Posterior QTL intensity of each trait, the average of its meta-runs, on one scale";
/// The legend's title.
inline constexpr const char* traitMapLegendTitle = "Average posterior QTL intensity";
/// What the swatch of cells without a value says.
inline constexpr const char* traitMapGapNote = "beyond the trait's map";

/// The picture's width in device units.
inline constexpr int traitMapWidth = 1200;

/// The map of `grid` in a picture `width` units wide, as tall as its rows
/// need. A chromosome of more cM than it has device units is shaded in
/// stretches of about one unit, each the average of its positions.
TraitMap traitMap(const IntensityGrid& grid, int width, const TextMeasure& text);

/// A value's place on the shading scale, from 0 (none) to 1 (`top` or
/// more); NaN for NaN.
double shadeShare(double value, double top);
