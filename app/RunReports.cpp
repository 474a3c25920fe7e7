// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunReports.h"

#include "formats/QtlSummaryFile.h"
#include "model/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

// A file's time and the clock may disagree by the file system's
// granularity; a table written within this of the start is the run's.
constexpr int clockSlackSeconds = 2;

QString nameOf(const EngineProgram& engine) {
    return QString::fromLatin1(engine.name);
}

bool isAnalysis(const EngineProgram& engine) {
    return std::strcmp(engine.name, analysisEngine.name) == 0;
}

QString regionCount(std::size_t count) {
    return count == 1 ? QStringLiteral("1 region") : QStringLiteral("%1 regions").arg(count);
}

// What the analysis left to read: the count of its regions, or why there is
// none to count.
QString analysisResult(const EngineRun& run) {
    const QString path = QDir(run.folder).filePath(QString::fromLatin1(qtlSummaryCsvName));
    const QFileInfo table(path);
    if (!table.exists() || table.lastModified() < run.started.addSecs(-clockSlackSeconds))
        return QStringLiteral("it wrote no QTL table");
    try {
        const auto read = loadQtlSummaryCsv(QFile::encodeName(path).toStdString());
        if (!read)
            return QStringLiteral("it wrote no QTL table");
        return regionCount(read->rows.size()) + QStringLiteral(" (QTL analysis > QTL table)");
    } catch (const FileError& error) {
        return QString::fromStdString(error.message());
    }
}

QString failureReason(const EngineRunEnd& end) {
    if (!end.lastErrorLine.isEmpty())
        return end.lastErrorLine;
    if (!end.exitStatus)
        return QStringLiteral("it ended without an exit status (its window was closed, or it "
                              "was stopped)");
    return QStringLiteral("exit status %1").arg(*end.exitStatus);
}

} // namespace

QString runningText(const EngineRun& run) {
    return QStringLiteral("%1 is running in %2")
        .arg(nameOf(run.engine), QDir::toNativeSeparators(run.folder));
}

QString runEndText(const EngineRunEnd& end) {
    const QString name = nameOf(end.run.engine);
    if (!end.succeeded())
        return name + QStringLiteral(" stopped: ") + failureReason(end);
    if (isAnalysis(end.run.engine))
        return name + QStringLiteral(" finished: ") + analysisResult(end.run);
    return name + QStringLiteral(" finished: the data files are written");
}

QString secondRunQuestion(const EngineProgram& engine, const QString& folder) {
    return QStringLiteral("%1 is still running in %2. A second run there writes the same files "
                          "while the first one does.\n\nStart another run all the same?")
        .arg(nameOf(engine), QDir::toNativeSeparators(folder));
}

QString closeWhileRunningQuestion(const std::vector<EngineRun>& runs, int waitingTraits) {
    QString text;
    if (runs.size() == 1) {
        const QString folder = QDir::toNativeSeparators(runs.front().folder);
        text = QStringLiteral("%1 is still running in %2. If Marrow closes, the run goes on and "
                              "its results land in %2.")
                   .arg(nameOf(runs.front().engine), folder);
    } else {
        QString list;
        for (const EngineRun& run : runs)
            list += QStringLiteral("\n  %1 in %2")
                        .arg(nameOf(run.engine), QDir::toNativeSeparators(run.folder));
        text = QStringLiteral("%1 engine runs are still going:%2\n\nIf Marrow closes, they go on "
                              "and each run's results land in its folder.")
                   .arg(runs.size())
                   .arg(list);
    }
    if (waitingTraits > 0)
        text += QStringLiteral(" The %1 waiting in All traits will not be run.")
                    .arg(waitingTraits == 1 ? QStringLiteral("trait")
                                            : QStringLiteral("%1 traits").arg(waitingTraits));
    return text + QStringLiteral("\n\nClose Marrow all the same?");
}
