// SPDX-License-Identifier: GPL-3.0-or-later
#include "collect/TraitPicture.h"

#include "viewers/GenomePicture.h"
#include "viewers/GraphPalette.h"
#include "viewers/GraphPictures.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <optional>

namespace {

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

/// The stops of the shading, from none to the top of the scale.
struct ShadeStop {
    double at;
    QColor colour;
};
const ShadeStop shadeStops[] = {
    {0.0, graphPalette(15)}, {0.5, graphPalette(1)}, {1.0, graphPalette(2)}};

QColor mixed(const QColor& a, const QColor& b, double t) {
    const auto channel = [t](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * t));
    };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()));
}

void drawRows(QPainter& painter, const TraitMap& map) {
    const QFontMetricsF metrics(painter.font());
    for (const TraitMapRow& row : map.rows) {
        // A unit of white under each row keeps neighbouring rows apart.
        const double bottom = std::max(row.top + 1, row.bottom - 1);
        // Neighbours of one shade are one rectangle, which keeps the SVG
        // small where a trait has no QTL.
        for (std::size_t k = 0; k < row.cells.size();) {
            const QColor shade = traitShade(shadeShare(row.cells[k].value, map.legend.top));
            std::size_t end = k + 1;
            while (end < row.cells.size() &&
                   traitShade(shadeShare(row.cells[end].value, map.legend.top)) == shade)
                ++end;
            painter.fillRect(QRectF(QPointF(row.cells[k].left, row.top),
                                    QPointF(row.cells[end - 1].right, bottom)),
                             shade);
            k = end;
        }
        const QString name =
            metrics.elidedText(qText(row.label), Qt::ElideMiddle, map.labelWidth + 1);
        painter.setPen(graphPalette(0));
        painter.drawText(QRectF(map.labelLeft, row.top, map.labelWidth + 1, row.bottom - row.top),
                         Qt::AlignRight | Qt::AlignVCenter, name);
    }
}

void drawChromosomes(QPainter& painter, const TraitMap& map) {
    // A grey frame shows the map's extent where a trait has no QTL.
    painter.setPen(QPen(graphPalette(13), 1));
    painter.drawLine(QPointF(map.x0, map.mapTop), QPointF(map.x1, map.mapTop));
    for (const ChromosomePanel& chromosome : map.chromosomes)
        painter.drawLine(QPointF(chromosome.left, map.mapTop),
                         QPointF(chromosome.left, map.mapBottom));
    if (!map.chromosomes.empty())
        painter.drawLine(QPointF(map.chromosomes.back().right, map.mapTop),
                         QPointF(map.chromosomes.back().right, map.mapBottom));
    painter.setPen(QPen(graphPalette(0), 1));
    painter.drawLine(QPointF(map.x0, map.mapBottom), QPointF(map.x1, map.mapBottom));
    for (const ChromosomePanel& chromosome : map.chromosomes) {
        for (const AxisTick& tick : chromosome.ticks) {
            painter.drawLine(QPointF(tick.at, map.mapBottom),
                             QPointF(tick.at, map.mapBottom + map.tickLength));
            if (!tick.label.empty())
                drawCentred(painter, tick.at, map.tickLabelY, qText(tick.label));
        }
        drawCentred(painter, (chromosome.left + chromosome.right) / 2, map.chromosomeLabelY,
                    qText(chromosome.label));
    }
    drawCentred(painter, (map.x0 + map.x1) / 2, map.positionTitleY,
                QStringLiteral("Linkage distance, cM"));
}

void drawLegend(QPainter& painter, const TraitMap& map) {
    const TraitMapLegend& legend = map.legend;
    const QFontMetricsF metrics(painter.font());
    const double middle = (legend.barTop + legend.barBottom) / 2;
    painter.setPen(graphPalette(0));
    painter.drawText(QRectF(legend.titleX, middle - metrics.height() / 2,
                            legend.left - legend.titleX, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(traitMapLegendTitle));
    const QRectF bar(QPointF(legend.left, legend.barTop), QPointF(legend.right, legend.barBottom));
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (const ShadeStop& stop : shadeStops)
        gradient.setColorAt(stop.at, stop.colour);
    painter.fillRect(bar, gradient);
    painter.drawRect(bar);
    for (const AxisTick& tick : legend.ticks) {
        painter.drawLine(QPointF(tick.at, legend.barBottom),
                         QPointF(tick.at, legend.barBottom + map.tickLength));
        drawCentred(painter, tick.at, legend.tickLabelY, qText(tick.label));
    }
    if (!legend.showsGaps)
        return;
    const QRectF swatch(QPointF(legend.gapSwatchLeft, legend.barTop),
                        QPointF(legend.gapSwatchRight, legend.barBottom));
    painter.fillRect(swatch, traitShade(NAN));
    painter.drawRect(swatch);
    painter.drawText(QRectF(swatch.right() + metrics.height() / 2, middle - metrics.height() / 2,
                            map.width - swatch.right(), metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(traitMapGapNote));
}

} // namespace

QColor traitShade(double share) {
    if (std::isnan(share))
        return graphPalette(14);
    share = std::clamp(share, 0.0, 1.0);
    for (std::size_t s = 1; s < std::size(shadeStops); ++s) {
        const ShadeStop& low = shadeStops[s - 1];
        const ShadeStop& high = shadeStops[s];
        if (share <= high.at)
            return mixed(low.colour, high.colour, (share - low.at) / (high.at - low.at));
    }
    return shadeStops[std::size(shadeStops) - 1].colour;
}

void paintTraitMap(QPainter& painter, const TraitMap& map) {
    painter.fillRect(QRectF(0, 0, map.width, map.height), Qt::white);
    painter.setPen(graphPalette(0));
    painter.drawText(QPointF(map.labelLeft, map.captionY), QString::fromLatin1(traitMapCaption));
    drawRows(painter, map);
    drawChromosomes(painter, map);
    drawLegend(painter, map);
}

TraitMap traitPictureLayout(const IntensityGrid& grid) {
    std::optional<TextMeasure> measure;
    pictureImage(QSize(1, 1),
                 [&measure](QPainter& painter) { measure = textMeasureOf(painter.fontMetrics()); });
    return traitMap(grid, traitMapWidth, *measure);
}

TraitPictures drawTraitPictures(const IntensityGrid& grid) {
    // The layout is measured once in the pictures' own font, so the PNG and
    // the SVG show the same figure.
    const TraitMap map = traitPictureLayout(grid);
    const QSize size(map.width, map.height);
    const auto paint = [&map](QPainter& painter) { paintTraitMap(painter, map); };

    TraitPictures pictures;
    pictures.width = map.width;
    pictures.height = map.height;
    QBuffer png(&pictures.png);
    png.open(QIODevice::WriteOnly);
    pictureImage(size, paint).save(&png, "PNG");
    pictures.svg = pictureSvg(size, QString::fromLatin1(traitMapCaption), paint);
    return pictures;
}
