// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/GenomeFile.h"

#include <string>
#include <vector>

// The genome file's map from markers that a table names with a chromosome
// name and a position: what both imports share.

/// A marker as a table gives it.
struct MapMarker {
    std::string name;
    std::string chromosome;   ///< as the table names it
    double position = 0;      ///< cM
    int source = 0;           ///< the marker's number in its table, from 0
    int chromosomeNumber = 0; ///< in the genome file; set by `markerMap`
};

/// What the summary reports about one chromosome.
struct ImportedChromosome {
    std::string name; ///< as the file names it
    int number = 0;   ///< the chromosome integer in the genome file
    int markers = 0;
    double lastPosition = 0;
    long long missingCalls = 0;
};

/// The markers in genome-file order and the chromosomes they make.
struct MarkerMap {
    std::vector<MapMarker> markers;
    std::vector<ImportedChromosome> chromosomes;
    bool renumbered = false; ///< names were not all whole numbers

    GenomeData genome() const;
};

/// Numbers the chromosomes and sorts the markers: when every chromosome name
/// is a positive whole number the names are the chromosome integers, in
/// numeric order; otherwise chromosomes are numbered 1, 2, ... in the order
/// of first appearance. Within a chromosome markers stand by position, ties
/// in table order.
MarkerMap markerMap(std::vector<MapMarker> markers);
