// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/MarkerMap.h"

#include "model/NumberFormat.h"

#include <algorithm>
#include <map>

GenomeData MarkerMap::genome() const {
    GenomeData genome;
    int index = 0;
    for (const MapMarker& marker : markers)
        genome.markers.push_back({++index, marker.chromosomeNumber, marker.name, marker.position});
    return genome;
}

// Whole-number names keep their numbers and numeric order; any other name
// makes the numbering follow first appearance, which a list of names like
// 1A, 1B, 2A already has.
MarkerMap markerMap(std::vector<MapMarker> markers) {
    std::vector<std::string> order;
    bool numeric = true;
    for (const MapMarker& marker : markers) {
        if (std::find(order.begin(), order.end(), marker.chromosome) == order.end())
            order.push_back(marker.chromosome);
        const auto number = parseInt(marker.chromosome);
        numeric = numeric && number && *number > 0;
    }
    std::map<std::string, int> numberOf;
    for (std::size_t k = 0; k < order.size(); ++k)
        numberOf[order[k]] = numeric ? *parseInt(order[k]) : static_cast<int>(k) + 1;
    for (MapMarker& marker : markers)
        marker.chromosomeNumber = numberOf[marker.chromosome];
    std::stable_sort(markers.begin(), markers.end(), [](const MapMarker& a, const MapMarker& b) {
        if (a.chromosomeNumber != b.chromosomeNumber)
            return a.chromosomeNumber < b.chromosomeNumber;
        return a.position < b.position;
    });
    MarkerMap map;
    map.renumbered = !numeric;
    for (const MapMarker& marker : markers) {
        const int number = marker.chromosomeNumber;
        if (map.chromosomes.empty() || map.chromosomes.back().number != number)
            map.chromosomes.push_back({marker.chromosome, number, 0, 0, 0});
        ++map.chromosomes.back().markers;
        map.chromosomes.back().lastPosition = marker.position;
    }
    map.markers = std::move(markers);
    return map;
}
