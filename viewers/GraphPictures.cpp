// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/GraphPictures.h"

#include "model/Messages.h"
#include "model/TextFiles.h"
#include "viewers/GraphPalette.h"
#include "widgets/FileChooser.h"
#include "widgets/ViewerControls.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>

namespace {

void drawAxes(QPainter& painter, const PlotArea& area) {
    painter.setPen(QPen(graphPalette(0), 1));
    painter.drawLine(area.x0, area.y0, area.x1, area.y0);
    painter.drawLine(area.x0, area.y0, area.x0, area.yTop);
}

DrawnCurve drawCurve(QPainter& painter, const PosteriorRows& rows, std::size_t row, int scale,
                     int colour, int n, const PlotArea& area) {
    DrawnCurve curve{row, colour, curveValues(rows.row(row), n),
                     curvePoints(rows.row(row), n, scale, area)};
    painter.setPen(QPen(graphPalette(colour), 1));
    for (std::size_t j = 1; j < curve.points.size(); ++j) {
        const CurvePoint& from = curve.points[j - 1];
        const CurvePoint& to = curve.points[j];
        painter.drawLine(from.x, from.y, to.x, to.y);
    }
    return curve;
}

// Bands go under the axes and curves, so that nothing drawn before the
// marks existed changes colour; the mode lines go over them.
void drawRegionBands(QPainter& painter, const std::vector<RegionMark>& marks,
                     const PlotArea& area) {
    for (const RegionMark& mark : marks)
        if (mark.band)
            painter.fillRect(
                QRect(QPoint(mark.band->left, area.yTop), QPoint(mark.band->right, area.y0 - 1)),
                regionBandColour());
}

void drawRegionModes(QPainter& painter, const std::vector<RegionMark>& marks,
                     const PlotArea& area) {
    painter.setPen(QPen(regionModeColour(), 1, Qt::DashLine));
    for (const RegionMark& mark : marks)
        if (mark.modeX)
            painter.drawLine(*mark.modeX, area.y0 - 1, *mark.modeX, area.yTop);
}

void fillWhite(QPainter& painter, QSize size) {
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
}

// Pictures are set at the resolution of an image, so that a PNG and an SVG
// of one picture lay their text out alike.
constexpr int pictureDotsPerInch = 96;

// The numbers a dialog shows in read-only edits beside its axes, written
// where those edits stand. The plot area left room for them (`textRoom`),
// so right-aligned at x0 - gap, or left-aligned at x1 + gap, they stay on
// the page.
void drawLeftNumber(QPainter& painter, const PlotArea& area, int y, const QString& text) {
    const int h = painter.fontMetrics().height();
    painter.setPen(graphPalette(0));
    painter.drawText(QRect(0, y - h / 2, std::max(area.x0 - axisLabelGap, 1), h),
                     Qt::AlignRight | Qt::AlignVCenter, text);
}

void drawRightNumber(QPainter& painter, const PlotArea& area, QSize size, const QString& text) {
    const int h = painter.fontMetrics().height();
    const int x = area.x1 + axisLabelGap;
    painter.setPen(graphPalette(0));
    painter.drawText(QRect(x, area.y0 - h / 2, std::max(size.width() - x, 1), h),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

// The posterior graph's y number is a scale step, at most 100; its x number
// the chromosome's length.
AxisLabelRoom posteriorLabelRoom(const QFontMetrics& metrics, int length) {
    return {textRoom(metrics, QStringLiteral("100")), textRoom(metrics, QString::number(length))};
}

AxisLabelRoom chainLabelRoom(const QFontMetrics& metrics,
                             const std::vector<std::optional<double>>& values,
                             const std::optional<ValueRange>& range) {
    if (!range)
        return {};
    return {std::max(textRoom(metrics, viewer::axisNumber(range->high)),
                     textRoom(metrics, viewer::axisNumber(range->low))),
            textRoom(metrics, QString::number(values.size()))};
}

void drawNote(QPainter& painter, const PlotArea& area, const QString& note) {
    painter.setPen(graphPalette(0));
    painter.drawText(QRect(area.x0, area.yTop, area.width(), area.height()),
                     Qt::AlignCenter | Qt::TextWordWrap, note);
}

void drawCaption(QPainter& painter, const QString& caption) {
    painter.setPen(graphPalette(0));
    const int h = painter.fontMetrics().height();
    painter.drawText(QPoint(h / 2, h * 3 / 2), caption);
}

} // namespace

int textRoom(const QFontMetrics& metrics, const QString& text) {
    // One more unit for the rounding of fractional advances.
    return viewer::inkWidth(metrics, text) + 1;
}

PosteriorDrawing drawPosteriorGraph(QPainter& painter, QSize size, const RunLayout& layout,
                                    const PosteriorRows& rows, const PosteriorSelection& selection,
                                    const std::vector<QtlSummaryRow>& regions, AxisLabelRoom room) {
    const PlotArea area = posteriorPlotArea(size.width(), size.height(), room);
    PosteriorDrawing drawing;
    const int n = layout.lengthOf(selection.chromosome);
    drawing.marks = regionMarks(regions, selection.chromosome, n, area);
    drawRegionBands(painter, drawing.marks, area);
    drawAxes(painter, area);
    const int replications = std::max(layout.replicationCount, 1);
    switch (selection.view) {
    case PosteriorView::All:
        for (int r = 0; r < replications; ++r)
            drawing.curves.push_back(
                drawCurve(painter, rows, static_cast<std::size_t>(r), rows.allMax, r / 2, n, area));
        drawing.yLabelValue = rows.allMax;
        break;
    case PosteriorView::Average:
        drawing.curves.push_back(drawCurve(painter, rows, static_cast<std::size_t>(replications),
                                           rows.averageMax, 1, n, area));
        drawing.yLabelValue = rows.averageMax;
        break;
    case PosteriorView::Single: {
        const auto row =
            static_cast<std::size_t>(std::clamp(selection.replication, 1, replications) - 1);
        const int scale = rowScale(rows.row(row), n);
        drawing.curves.push_back(drawCurve(painter, rows, row, scale, 7, n, area));
        drawing.yLabelValue = scale;
        break;
    }
    }
    drawRegionModes(painter, drawing.marks, area);
    drawing.xLabelValue = n;
    return drawing;
}

PosteriorDrawing paintPosteriorPicture(QPainter& painter, QSize size, const RunLayout& layout,
                                       const PosteriorRows& rows,
                                       const PosteriorSelection& selection,
                                       const std::vector<QtlSummaryRow>& regions,
                                       const QString& caption) {
    fillWhite(painter, size);
    const AxisLabelRoom room =
        posteriorLabelRoom(painter.fontMetrics(), layout.lengthOf(selection.chromosome));
    const PosteriorDrawing drawing =
        drawPosteriorGraph(painter, size, layout, rows, selection, regions, room);
    const PlotArea area = posteriorPlotArea(size.width(), size.height(), room);
    drawLeftNumber(painter, area, area.yTop, QString::number(drawing.yLabelValue));
    drawRightNumber(painter, area, size, QString::number(drawing.xLabelValue));
    const QString distance = QStringLiteral("Linkage distance, cM");
    const QFontMetrics metrics = painter.fontMetrics();
    painter.drawText(QPoint(size.width() - metrics.horizontalAdvance(distance) - 4,
                            area.y0 + metrics.height() * 3 / 2),
                     distance);
    drawCaption(painter, caption);
    return drawing;
}

std::vector<ValueColumn> posteriorValueColumns(const PosteriorDrawing& drawing,
                                               int replicationCount) {
    std::vector<ValueColumn> columns(1);
    columns.front().heading = "position_cM";
    std::size_t positions = 0;
    for (const DrawnCurve& curve : drawing.curves) {
        ValueColumn column;
        column.heading = static_cast<int>(curve.row) >= replicationCount
                             ? std::string("average")
                             : "replication_" + std::to_string(curve.row + 1);
        column.values.assign(curve.values.begin(), curve.values.end());
        positions = std::max(positions, curve.values.size());
        columns.push_back(std::move(column));
    }
    for (std::size_t j = 1; j <= positions; ++j)
        columns.front().values.push_back(static_cast<double>(j));
    return columns;
}

void drawPosteriorNote(QPainter& painter, QSize size, const QString& note, AxisLabelRoom room) {
    const PlotArea area = posteriorPlotArea(size.width(), size.height(), room);
    drawAxes(painter, area);
    drawNote(painter, area, note);
}

void drawChainGraph(QPainter& painter, QSize size, const std::vector<std::optional<double>>& values,
                    const std::optional<ValueRange>& range, const QString& note,
                    AxisLabelRoom room) {
    const PlotArea area = chainPlotArea(size.width(), size.height(), room);
    drawAxes(painter, area);
    if (!range) {
        drawNote(painter, area, note);
        return;
    }
    painter.setPen(QPen(graphPalette(1), 1));
    for (const auto& line : traceLines(values, *range, area)) {
        if (line.size() == 1) {
            painter.drawPoint(QPointF(line.front().x, line.front().y));
            continue;
        }
        QPainterPath path(QPointF(line.front().x, line.front().y));
        for (std::size_t i = 1; i < line.size(); ++i)
            path.lineTo(line[i].x, line[i].y);
        painter.drawPath(path);
    }
}

void paintChainPicture(QPainter& painter, QSize size,
                       const std::vector<std::optional<double>>& values,
                       const std::optional<ValueRange>& range, const QString& note,
                       const QString& caption) {
    fillWhite(painter, size);
    const AxisLabelRoom room = chainLabelRoom(painter.fontMetrics(), values, range);
    drawChainGraph(painter, size, values, range, note, room);
    if (range) {
        const PlotArea area = chainPlotArea(size.width(), size.height(), room);
        drawLeftNumber(painter, area, area.yTop, viewer::axisNumber(range->high));
        drawLeftNumber(painter, area, area.y0, viewer::axisNumber(range->low));
        drawRightNumber(painter, area, size, QString::number(values.size()));
    }
    drawCaption(painter, caption);
}

PictureFormat pictureFormatOf(const QString& path) {
    return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive) ? PictureFormat::Svg
                                                                      : PictureFormat::Png;
}

QImage pictureImage(QSize size, const PicturePainter& paint) {
    QImage image(size, QImage::Format_RGB32);
    const int dotsPerMetre = qRound(pictureDotsPerInch / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter);
    return image;
}

QByteArray pictureSvg(QSize size, const QString& title, const PicturePainter& paint) {
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(pictureDotsPerInch);
    generator.setTitle(title);
    generator.setDescription(QStringLiteral("Drawn by Marrow"));
    {
        QPainter painter(&generator);
        paint(painter);
    }
    return buffer.data();
}

std::optional<QString> savePictureAtomically(const QString& path, QSize size, const QString& title,
                                             const PicturePainter& paint) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const bool written = pictureFormatOf(path) == PictureFormat::Svg
                             ? file.write(pictureSvg(size, title, paint)) >= 0
                             : pictureImage(size, paint).save(&file, "PNG");
    if (!written) {
        file.cancelWriting();
        return QStringLiteral("the picture could not be encoded");
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

bool nearPlot(const PlotArea& area, QPoint point) {
    const QRect plot(QPoint(area.x0, area.yTop), QPoint(area.x1, area.y0));
    return plot.adjusted(-8, -8, 8, 8).contains(point);
}

QMenu* createPlotMenu(QWidget* parent, bool drawn, std::function<void()> savePicture,
                      std::function<void()> saveValues) {
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Save picture..."), parent, std::move(savePicture))
        ->setEnabled(drawn);
    menu->addAction(QStringLiteral("Save values..."), parent, std::move(saveValues))
        ->setEnabled(drawn);
    return menu;
}

bool exportPicture(QWidget* owner, MessageSink& messages, const QString& suggested, QSize size,
                   const QString& title, const PicturePainter& paint) {
    const auto path = FileChooser::current().chooseExportName(
        owner, QStringLiteral("Save picture"), suggested,
        QStringLiteral("PNG pictures (*.png);;SVG drawings (*.svg)"), QStringLiteral("png"));
    if (!path)
        return false;
    if (const auto failure = savePictureAtomically(*path, size, title, paint)) {
        messages.error("The picture could not be written: " + path->toStdString() + " (" +
                       failure->toStdString() + ")");
        return false;
    }
    return true;
}

bool exportValues(QWidget* owner, MessageSink& messages, const QString& suggested,
                  const std::vector<ValueColumn>& columns) {
    const auto path = FileChooser::current().chooseExportName(
        owner, QStringLiteral("Save values"), suggested,
        QStringLiteral("Comma-separated values (*.csv)"), QStringLiteral("csv"));
    if (!path)
        return false;
    if (!writeFileAtomically(path->toStdString(), valueTableCsv(columns))) {
        messages.error("The values could not be written: " + path->toStdString());
        return false;
    }
    return true;
}
