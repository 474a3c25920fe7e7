// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/QtlSummaryFile.h"
#include "viewers/CurveGeometry.h"
#include "viewers/PosteriorRows.h"
#include "viewers/RunLayout.h"
#include "viewers/ValueTable.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class MessageSink;
class QFontMetrics;
class QMenu;
class QPainter;
class QPoint;
class QWidget;

// The drawings of the two viewers, onto any painter: the dialogs paint their
// client area with them, and pictures (saved from a dialog or drawn by the
// batch road, as PNG or SVG) are made from the very same calls.

/// One curve of a posterior drawing: the value row it shows, its palette
/// colour, the values drawn at positions 1..n and their points.
struct DrawnCurve {
    std::size_t row = 0;
    int colour = 0;
    std::vector<double> values;
    std::vector<CurvePoint> points;
};

enum class PosteriorView { Single, All, Average };

/// What the posterior graph shows: a chromosome, and one replication (from
/// 1), all of them or their average.
struct PosteriorSelection {
    int chromosome = 1;
    PosteriorView view = PosteriorView::Single;
    int replication = 1;
};

struct PosteriorDrawing {
    std::vector<DrawnCurve> curves;
    std::vector<RegionMark> marks; ///< the regions of the QTL table on this chromosome
    int xLabelValue = 0;           ///< the chromosome length, at the right end of the x axis
    int yLabelValue = 0;           ///< the scale, at the top of the y axis
};

/// The width `text` takes when drawn with `metrics`, ink included: the room
/// an axis number needs beside its axis.
int textRoom(const QFontMetrics& metrics, const QString& text);

/// Draws the axes and the selected curves into an area of `size`, scaled as
/// the posterior graph dialog scales them: replications in pairs of palette
/// colours against `allMax`, the average in blue against `averageMax`, one
/// replication in red against its own scale. The regions of `regions` on
/// the chromosome shown are marked: a shaded band over each interval under
/// the curves, a dashed line at each mode over them. Without regions the
/// drawing is the axes and curves alone. The axes leave `room` for the
/// numbers beside them.
PosteriorDrawing drawPosteriorGraph(QPainter& painter, QSize size, const RunLayout& layout,
                                    const PosteriorRows& rows, const PosteriorSelection& selection,
                                    const std::vector<QtlSummaryRow>& regions = {},
                                    AxisLabelRoom room = {});

/// Draws the posterior graph's axes with `note` between them and nothing
/// else: what the graph shows of a chromosome whose file could not be read.
void drawPosteriorNote(QPainter& painter, QSize size, const QString& note, AxisLabelRoom room = {});

/// A picture of the graph: a white ground, the drawing, the two axis numbers
/// at the ends of the axes with "Linkage distance, cM" below, and `caption`
/// at the top left. The axes leave room for the numbers in the painter's
/// font, so they stay on the page.
PosteriorDrawing paintPosteriorPicture(QPainter& painter, QSize size, const RunLayout& layout,
                                       const PosteriorRows& rows,
                                       const PosteriorSelection& selection,
                                       const std::vector<QtlSummaryRow>& regions,
                                       const QString& caption);

/// The values a drawing shows: "position_cM" (1..n), then a column per
/// curve, "replication_R" or "average".
std::vector<ValueColumn> posteriorValueColumns(const PosteriorDrawing& drawing,
                                               int replicationCount);

/// Draws the chain axes and, when `range` holds, the trace of `values` in
/// blue; otherwise `note` centred between the axes. The axes leave `room`
/// for the numbers beside them.
void drawChainGraph(QPainter& painter, QSize size, const std::vector<std::optional<double>>& values,
                    const std::optional<ValueRange>& range, const QString& note,
                    AxisLabelRoom room = {});

/// A picture of the chain graph: white ground, the drawing, the largest and
/// smallest value at the ends of the y axis, the sample count at the end of
/// the x axis and `caption` at the top left, every number inside the page.
void paintChainPicture(QPainter& painter, QSize size,
                       const std::vector<std::optional<double>>& values,
                       const std::optional<ValueRange>& range, const QString& note,
                       const QString& caption);

// Pictures as files: the same painting as a PNG image or an SVG drawing,
// where every number and label stays text a figure editor can change.

/// Paints a whole picture onto the painter it is given.
using PicturePainter = std::function<void(QPainter&)>;

enum class PictureFormat { Png, Svg };

/// SVG for a file name ending in ".svg" (any case), PNG for every other.
PictureFormat pictureFormatOf(const QString& path);

/// The picture as an image of `size`.
QImage pictureImage(QSize size, const PicturePainter& paint);

/// The picture as an SVG document of `size` whose title is `title`.
QByteArray pictureSvg(QSize size, const QString& title, const PicturePainter& paint);

/// Writes the picture to `path` as its name asks (`pictureFormatOf`),
/// complete or not at all. Nothing on success, else the reason.
std::optional<QString> savePictureAtomically(const QString& path, QSize size, const QString& title,
                                             const PicturePainter& paint);

// The plot areas' context menu, shared by both viewers.

/// Whether `point` lies on the plot area or close to its axes.
bool nearPlot(const PlotArea& area, QPoint point);

/// A menu with "Save picture..." and "Save values...", both enabled only when
/// something is drawn. The caller owns it.
QMenu* createPlotMenu(QWidget* parent, bool drawn, std::function<void()> savePicture,
                      std::function<void()> saveValues);

/// Asks for a PNG or SVG name through the file chooser and writes the
/// picture of `size` painted by `paint` there, titled `title`; a write
/// failure is reported to `messages`. False when cancelled or failed.
bool exportPicture(QWidget* owner, MessageSink& messages, const QString& suggested, QSize size,
                   const QString& title, const PicturePainter& paint);

/// Asks for a CSV name likewise and writes `columns` there.
bool exportValues(QWidget* owner, MessageSink& messages, const QString& suggested,
                  const std::vector<ValueColumn>& columns);
