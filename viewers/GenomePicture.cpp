// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/GenomePicture.h"

#include "viewers/GraphPalette.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

void drawBands(QPainter& painter, const GenomeFigure& figure) {
    for (const GenomeRegionMark& band : figure.bands)
        if (band.left)
            painter.fillRect(QRectF(QPointF(*band.left, figure.yTop),
                                    QPointF(std::max(*band.right, *band.left + 1), figure.y0)),
                             regionBandColour());
}

void drawModes(QPainter& painter, const GenomeFigure& figure) {
    painter.setPen(QPen(regionModeColour(), 1, Qt::DashLine));
    for (const GenomeRegionMark& band : figure.bands)
        if (band.modeX)
            painter.drawLine(QPointF(*band.modeX, figure.y0), QPointF(*band.modeX, figure.yTop));
}

void drawIntensityAxis(QPainter& painter, const GenomeFigure& figure) {
    painter.setPen(QPen(graphPalette(0), 1));
    painter.drawLine(QPointF(figure.x0, figure.y0), QPointF(figure.x0, figure.yTop));
    const QFontMetricsF metrics(painter.font());
    for (const AxisTick& tick : figure.intensityTicks) {
        painter.drawLine(QPointF(figure.x0 - figure.tickLength, tick.at),
                         QPointF(figure.x0, tick.at));
        const double right = figure.x0 - figure.tickLength - 2;
        painter.drawText(QRectF(0, tick.at - metrics.height() / 2, right, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, qText(tick.label));
    }
    // The title reads upwards along the axis.
    painter.save();
    painter.translate(figure.intensityTitleX, (figure.y0 + figure.yTop) / 2);
    painter.rotate(-90);
    drawCentred(painter, 0, 0, QStringLiteral("Posterior QTL intensity"));
    painter.restore();
}

void drawChromosome(QPainter& painter, const GenomeFigure& figure,
                    const ChromosomePanel& chromosome) {
    painter.setPen(QPen(graphPalette(0), 1));
    painter.drawLine(QPointF(chromosome.left, figure.y0), QPointF(chromosome.right, figure.y0));
    for (const AxisTick& tick : chromosome.ticks) {
        painter.drawLine(QPointF(tick.at, figure.y0),
                         QPointF(tick.at, figure.y0 + figure.tickLength));
        if (!tick.label.empty())
            drawCentred(painter, tick.at, figure.tickLabelY, qText(tick.label));
    }
    drawCentred(painter, (chromosome.left + chromosome.right) / 2, figure.chromosomeLabelY,
                qText(chromosome.label));
    if (chromosome.curve.size() < 2)
        return;
    painter.setPen(QPen(graphPalette(1), 1));
    QPainterPath path(QPointF(chromosome.curve.front().x, chromosome.curve.front().y));
    for (std::size_t j = 1; j < chromosome.curve.size(); ++j)
        path.lineTo(chromosome.curve[j].x, chromosome.curve[j].y);
    painter.drawPath(path);
}

} // namespace

void drawCentred(QPainter& painter, double x, double y, const QString& text) {
    const QFontMetricsF metrics(painter.font());
    const double width = metrics.horizontalAdvance(text) + 2;
    painter.drawText(QRectF(x - width / 2, y - metrics.height() / 2, width, metrics.height()),
                     Qt::AlignCenter, text);
}

TextMeasure textMeasureOf(const QFontMetrics& metrics) {
    return {metrics.height(), [metrics](std::string_view text) {
                return metrics.horizontalAdvance(
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
            }};
}

GenomeFigure paintGenomePicture(QPainter& painter, QSize size, const GenomeIntensities& data,
                                const QString& caption) {
    const GenomeFigure figure =
        genomeFigure(data, size.width(), size.height(), textMeasureOf(painter.fontMetrics()));
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    drawBands(painter, figure);
    drawIntensityAxis(painter, figure);
    for (const ChromosomePanel& chromosome : figure.chromosomes)
        drawChromosome(painter, figure, chromosome);
    drawModes(painter, figure);
    painter.setPen(graphPalette(0));
    drawCentred(painter, (figure.x0 + figure.x1) / 2, figure.positionTitleY,
                QStringLiteral("Linkage distance, cM"));
    painter.drawText(QPointF(painter.fontMetrics().height() / 2.0, figure.captionY), caption);
    return figure;
}

QString genomeCaption(int replicationCount, bool withRegions) {
    QString caption = replicationCount == 1
                          ? QStringLiteral("Posterior QTL intensity of the one replication")
                          : QStringLiteral("Posterior QTL intensity, average of %1 replications")
                                .arg(replicationCount);
    if (withRegions)
        caption += QStringLiteral("; shaded: 95% intervals of the QTL table, dashed: modes");
    return caption;
}
