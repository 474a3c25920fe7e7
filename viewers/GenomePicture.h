// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewers/GenomeLayout.h"

#include <QSize>
#include <QString>

class QFontMetrics;
class QPainter;

/// The layout's measure of text set in the font of `metrics`.
TextMeasure textMeasureOf(const QFontMetrics& metrics);

/// The size of a genome picture saved from the posterior graph dialog and
/// drawn by marrow-demo: wide, since every chromosome shares its axis.
inline constexpr QSize genomePictureSize{1200, 450};

/// Paints the genome-wide figure of `data` (`genomeFigure`) on a white
/// ground, `caption` at the top left, and returns what it laid out.
GenomeFigure paintGenomePicture(QPainter& painter, QSize size, const GenomeIntensities& data,
                                const QString& caption);

/// Text centred on (x, y), one line high: the figures' ticks and labels.
void drawCentred(QPainter& painter, double x, double y, const QString& text);

/// The caption of the figure: what the curves are and what the shading is.
QString genomeCaption(int replicationCount, bool withRegions);
