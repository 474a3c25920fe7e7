// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdio>

/// The whole road without a window: in `folder`, which holds the pedigree
/// file and both defaults files, write simuAl_in.txt and multAl_in.txt as
/// "Use default" and OK would, run Tamsin.exe and then Pellarin.exe (found
/// where Marrow finds them), and draw the average posterior intensity of
/// every chromosome with the posterior graph dialog's drawing code, the
/// regions of the QTL table marked, and the genome-wide figure; then print
/// the QTL table the analysis engine wrote (qtl_summary.txt). Every picture
/// is written as PNG and as SVG.
struct BatchOptions {
    QString folder;
    QSize pictureSize{800, 360};
    /// Passed on to the engines: no progress bars.
    bool quiet = false;
};

struct BatchResult {
    bool ok = false;
    QStringList pictures;       ///< intensity_CC.png, one per chromosome
    QStringList svgPictures;    ///< intensity_CC.svg beside each picture
    QStringList valueFiles;     ///< intensity_CC.csv beside each picture
    QStringList genomePictures; ///< genome.png and genome.svg
};

/// Runs the road, telling `log` what it does and, at the end, what to look
/// at. The current directory is the folder afterwards.
BatchResult runBatchRoad(const BatchOptions& options, std::FILE* log);
