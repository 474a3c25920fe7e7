// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/GraphPalette.h"

#include <array>

QColor graphPalette(int index) {
    static constexpr std::array<std::array<int, 3>, 16> colours{{
        {0, 0, 0},
        {0, 0, 255},
        {0, 0, 128},
        {0, 255, 0},
        {0, 128, 0},
        {0, 255, 255},
        {0, 128, 128},
        {255, 0, 0},
        {128, 0, 0},
        {255, 0, 255},
        {128, 0, 128},
        {255, 255, 0},
        {128, 128, 0},
        {128, 128, 128},
        {192, 192, 192},
        {255, 255, 255},
    }};
    if (index < 0 || index >= static_cast<int>(colours.size()))
        return QColor(0, 0, 0);
    const auto& rgb = colours[static_cast<std::size_t>(index)];
    return QColor(rgb[0], rgb[1], rgb[2]);
}

QColor regionBandColour() {
    QColor colour = graphPalette(11);
    colour.setAlpha(110);
    return colour;
}

QColor regionModeColour() {
    return graphPalette(13);
}
