// SPDX-License-Identifier: GPL-3.0-or-later
#include "demo/BatchRoad.h"

#include "demo/DemoSetup.h"
#include "engines/EngineStart.h"
#include "formats/QtlSummaryFile.h"
#include "model/FileError.h"
#include "model/TextFiles.h"
#include "viewers/GenomePicture.h"
#include "viewers/GraphPictures.h"

#include <QDir>
#include <QPainter>
#include <QProcess>

#include <algorithm>

namespace {

bool runEngine(const EngineProgram& engine, const BatchOptions& options, std::FILE* log) {
    const QString program = findProgram(QString::fromLatin1(engine.name), standardSearchFolders());
    if (program.isEmpty()) {
        std::fprintf(log, "marrow-demo: %s not found beside marrow-demo, here or on PATH\n",
                     engine.name);
        return false;
    }
    std::fprintf(log, "Running %s\n", qPrintable(program));
    std::fflush(log);
    QProcess process;
    process.setProgram(program);
    if (options.quiet)
        process.setArguments({QStringLiteral("--quiet")});
    process.setWorkingDirectory(QDir::currentPath());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted() || !process.waitForFinished(-1)) {
        std::fprintf(log, "marrow-demo: %s: %s\n", engine.name, qPrintable(process.errorString()));
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(log, "marrow-demo: %s stopped with status %d\n", engine.name,
                     process.exitCode());
        return false;
    }
    return true;
}

struct Peak {
    int position = 0;
    double height = 0;
};

Peak peakOf(const DrawnCurve& curve) {
    const auto top = std::max_element(curve.values.begin(), curve.values.end());
    if (top == curve.values.end())
        return {};
    return {static_cast<int>(top - curve.values.begin()) + 1, *top};
}

/// Writes `stem`.png and `stem`.svg, both painted by `paint`, and appends
/// their paths to `written` in that order; false after telling `log` what
/// failed.
bool savePictures(const QString& stem, QSize size, const QString& title,
                  const PicturePainter& paint, QStringList& written, std::FILE* log) {
    for (const QString& name : {stem + ".png", stem + ".svg"}) {
        if (const auto failure = savePictureAtomically(name, size, title, paint)) {
            std::fprintf(log, "marrow-demo: %s: %s\n", qPrintable(name), qPrintable(*failure));
            return false;
        }
        written.append(QDir::current().absoluteFilePath(name));
    }
    return true;
}

bool drawChromosome(const RunLayout& layout, int chromosome,
                    const std::vector<QtlSummaryRow>& regions, const BatchOptions& options,
                    BatchResult& result, std::FILE* log) {
    PosteriorRows rows;
    if (loadPosteriorFile(layout, PosteriorKind::Intensity, chromosome, rows) !=
        PosteriorStatus::Loaded) {
        std::fprintf(log, "marrow-demo: %s: not written or not readable\n",
                     posteriorFileName(PosteriorKind::Intensity, chromosome).c_str());
        return false;
    }
    const PosteriorSelection selection{chromosome, PosteriorView::Average, 1};
    const QString caption =
        QStringLiteral("Chromosome %1: posterior QTL intensity, average of %2 replications")
            .arg(chromosome)
            .arg(layout.replicationCount);
    const QString stem = QStringLiteral("intensity_%1").arg(chromosome, 2, 10, QLatin1Char('0'));
    // The values come from the drawing of the pictures, so the table and the
    // pictures cannot disagree.
    PosteriorDrawing drawing;
    const auto paint = [&](QPainter& painter) {
        drawing = paintPosteriorPicture(painter, options.pictureSize, layout, rows, selection,
                                        regions, caption);
    };
    QStringList written;
    if (!savePictures(stem, options.pictureSize, caption, paint, written, log))
        return false;
    result.pictures.append(written.front());
    result.svgPictures.append(written.back());
    const std::string table =
        valueTableCsv(posteriorValueColumns(drawing, layout.replicationCount));
    if (!writeFileAtomically((stem + ".csv").toStdString(), table)) {
        std::fprintf(log, "marrow-demo: %s.csv could not be written\n", qPrintable(stem));
        return false;
    }
    result.valueFiles.append(QDir::current().absoluteFilePath(stem + ".csv"));
    const Peak peak = drawing.curves.empty() ? Peak{} : peakOf(drawing.curves.front());
    if (peak.height > 0)
        std::fprintf(log, "  chromosome %d: highest intensity %.1f at %d cM  -> %s.png, .svg\n",
                     chromosome, peak.height, peak.position, qPrintable(stem));
    else
        std::fprintf(log, "  chromosome %d: no QTL in any saved sample  -> %s.png, .svg\n",
                     chromosome, qPrintable(stem));
    return true;
}

bool drawGenome(const RunLayout& layout, BatchResult& result, std::FILE* log) {
    std::string problem;
    const std::optional<GenomeIntensities> data = loadGenomeIntensities(layout, problem);
    if (!data) {
        std::fprintf(log, "marrow-demo: %s\n", problem.c_str());
        return false;
    }
    const QString caption = genomeCaption(layout.replicationCount, !data->regions.empty());
    const auto paint = [&](QPainter& painter) {
        paintGenomePicture(painter, genomePictureSize, *data, caption);
    };
    if (!savePictures(QStringLiteral("genome"), genomePictureSize, caption, paint,
                      result.genomePictures, log))
        return false;
    std::fprintf(log, "  every chromosome on one axis  -> genome.png, .svg\n");
    return true;
}

// The engine's QTL table as it wrote it, so that the demo shows the figures
// a user would cite beside the pictures.
bool printQtlTable(std::FILE* log) {
    const auto table = readWholeFile(qtlSummaryTextName);
    if (!table) {
        std::fprintf(log, "marrow-demo: %s: not written or not readable\n", qtlSummaryTextName);
        return false;
    }
    std::fprintf(log, "\n%s", table->c_str());
    return true;
}

void printWhatToLookAt(std::FILE* log) {
    std::fprintf(log,
                 "\nThe pictures (PNG, and SVG for figures) and their values are in %s\n"
                 "Look at where each curve peaks: the simulated QTL and their true positions\n"
                 "are listed in simuAl_log.txt. A chromosome without a QTL stays low. The\n"
                 "shaded bands are the 95%% intervals of the QTL table, the dashed lines its\n"
                 "modes.\n"
                 "qtl_summary.csv holds the QTL table with every digit, for R or a spreadsheet.\n"
                 "To browse the same graphs in Marrow: start it in this folder and choose\n"
                 "QTL analysis > Posterior graphs.\n",
                 qPrintable(QDir::currentPath()));
}

} // namespace

BatchResult runBatchRoad(const BatchOptions& options, std::FILE* log) {
    BatchResult result;
    if (!QDir::setCurrent(options.folder)) {
        std::fprintf(log, "marrow-demo: cannot work in %s\n", qPrintable(options.folder));
        return result;
    }
    PrintedMessages messages("marrow-demo", log);
    std::fprintf(log, "Simulation: simuAl_in.def -> simuAl_in.txt\n");
    if (!prepareSimulationInput(messages) || !runEngine(simulationEngine, options, log))
        return result;
    std::fprintf(log, "Analysis: multAl_in.def -> multAl_in.txt\n");
    if (!prepareAnalysisInput(messages) || !runEngine(analysisEngine, options, log))
        return result;
    const auto layout = loadRunLayout(messages, RunLayoutDepth::Whole);
    if (!layout)
        return result;
    std::fprintf(log, "Posterior graphs (%dx%d):\n", options.pictureSize.width(),
                 options.pictureSize.height());
    std::vector<QtlSummaryRow> regions;
    try {
        if (const auto table = loadQtlSummaryCsv(qtlSummaryCsvName))
            regions = table->rows;
    } catch (const FileError& error) {
        std::fprintf(log, "marrow-demo: %s\n", error.message().c_str());
        return result;
    }
    for (int c = 1; c <= layout->chromosomeCount; ++c) {
        if (!drawChromosome(*layout, c, regions, options, result, log))
            return result;
    }
    if (!drawGenome(*layout, result, log))
        return result;
    if (!printQtlTable(log))
        return result;
    printWhatToLookAt(log);
    result.ok = true;
    return result;
}
