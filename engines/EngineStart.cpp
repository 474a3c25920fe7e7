// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/EngineStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// The wrapper every engine runs under: "$0" is the engine, "$1" the status
// file, "$2" the copy of standard error, "$3" the process-id file. The
// engine's standard error passes through tee, so it still reaches the
// terminal or the console file, and the status goes to "$1.part" first and is
// renamed into place after tee has finished: once the status file exists,
// the copy of standard error is complete. Failures to write into the run
// folder (Marrow has ended and taken it away) are kept off the engine's own
// output.
constexpr const char* runWrapper =
    "echo $$ 2>/dev/null >\"$3\"\n"
    "{ { \"$0\"; echo $? 2>/dev/null >\"$1.part\"; } 2>&1 1>&4 | tee \"$2\" 1>&2; } 4>&1\n"
    "status=$(cat \"$1.part\" 2>/dev/null)\n"
    "mv -f \"$1.part\" \"$1\" 2>/dev/null\n";

// Inside a terminal the window stays open when the run ends: the last lines
// of a run are the ones worth reading.
constexpr const char* keepWindowOpen = "echo\n"
                                       "echo \"$(basename \"$0\") ended with exit status $status. "
                                       "Press Enter to close this window.\"\n"
                                       "read answer\n";

constexpr int pollMilliseconds = 500;

// The most of an engine's standard error read for its last line: a run's
// warnings can be many, and only the end matters.
constexpr qint64 errorTailBytes = 64 * 1024;

bool processAlive(qint64 id) {
    if (id <= 0)
        return false;
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

QByteArray fileTail(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() > bytes)
        file.seek(file.size() - bytes);
    return file.readAll();
}

std::optional<qint64> readNumber(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qint64 number = file.readAll().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

bool displayAvailable() {
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return false;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

QStringList pathFolders() {
    return qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
}

} // namespace

QStringList standardSearchFolders() {
    QStringList folders{QCoreApplication::applicationDirPath(), QDir::currentPath()};
    folders += pathFolders();
    return folders;
}

QString findProgram(const QString& name, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo candidate(QDir(folder), name);
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

std::optional<QString> QtProcessStarter::startDetached(const Request& request) {
    QProcess process;
    process.setProgram(request.program);
    process.setArguments(request.arguments);
    process.setWorkingDirectory(request.workingFolder);
    if (!request.appendOutputTo.isEmpty()) {
        process.setStandardOutputFile(request.appendOutputTo, QIODevice::Append);
        process.setStandardErrorFile(request.appendOutputTo, QIODevice::Append);
    }
    if (!process.startDetached())
        return process.errorString();
    return std::nullopt;
}

QString lastErrorLine(const QByteArray& errors, const QString& program) {
    const QString text = QString::fromUtf8(errors);
    const QString ownName = program + QStringLiteral(": ");
    // The progress bar rewrites its line with carriage returns, so both line
    // ends split; its lines start with its bar, which no message does.
    const QStringList lines =
        text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString trimmed = line->trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('[')))
            continue;
        return trimmed.startsWith(ownName) ? trimmed.mid(ownName.size()) : trimmed;
    }
    return {};
}

EngineLauncher::EngineLauncher(QObject* parent) : QObject(parent) {
    m_poll.setInterval(pollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &EngineLauncher::checkRuns);
}

EngineLauncher::~EngineLauncher() = default;

void EngineLauncher::setProcessStarter(ProcessStarter* starter) {
    m_starter = starter ? starter : &m_qtStarter;
}

QString EngineLauncher::detectTerminal() {
    if (!displayAvailable())
        return {};
    const QString chosen = qEnvironmentVariable("TERMINAL");
    if (!chosen.isEmpty()) {
        if (QFileInfo(chosen).isAbsolute())
            return QFileInfo(chosen).isExecutable() ? chosen : QString();
        return findProgram(chosen, pathFolders());
    }
    return findProgram(QStringLiteral("x-terminal-emulator"), pathFolders());
}

std::optional<EngineRun> EngineLauncher::newRun(const EngineProgram& engine,
                                                const QString& folder) {
    if (!m_runFolder) {
        m_runFolder = std::make_unique<QTemporaryDir>();
        if (!m_runFolder->isValid()) {
            m_runFolder.reset();
            return std::nullopt;
        }
    }
    const QString stem = m_runFolder->filePath(QStringLiteral("run%1.").arg(++m_runsStarted));
    return EngineRun{engine,
                     folder,
                     QDateTime::currentDateTime(),
                     stem + QStringLiteral("status"),
                     stem + QStringLiteral("errors"),
                     stem + QStringLiteral("process")};
}

ProcessStarter::Request EngineLauncher::requestFor(const QString& enginePath,
                                                   const EngineRun& run) {
    const QStringList wrapperArguments{enginePath, run.statusFile, run.errorFile, run.processFile};
    const QString terminal = m_terminal ? *m_terminal : detectTerminal();
    if (terminal.isEmpty()) {
        const QStringList arguments =
            QStringList{QStringLiteral("-c"), QString::fromLatin1(runWrapper)} + wrapperArguments;
        return {QStringLiteral("/bin/sh"), arguments, run.folder,
                QDir(run.folder).absoluteFilePath(QString::fromLatin1(run.engine.consoleFile))};
    }
    const QString script = QString::fromLatin1(runWrapper) + QString::fromLatin1(keepWindowOpen);
    const QStringList arguments =
        QStringList{QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"), script} +
        wrapperArguments;
    return {terminal, arguments, run.folder, {}};
}

std::optional<QString> EngineLauncher::launch(const EngineProgram& engine) {
    return launch(engine, QDir::currentPath());
}

std::optional<QString> EngineLauncher::launch(const EngineProgram& engine, const QString& folder) {
    const QString name = QString::fromLatin1(engine.name);
    const QString failure = QStringLiteral("Could not start %1: ").arg(name);
    const QString path =
        findProgram(name, m_searchFolders ? *m_searchFolders : standardSearchFolders());
    if (path.isEmpty())
        return failure +
               QStringLiteral("not found in the application folder, the current directory or PATH");
    const std::optional<EngineRun> run = newRun(engine, folder);
    if (!run)
        return failure + QStringLiteral("no temporary folder to follow the run in");
    if (auto reason = m_starter->startDetached(requestFor(path, *run)))
        return failure + *reason;
    m_runs.push_back(*run);
    m_poll.start();
    return std::nullopt;
}

bool EngineLauncher::isRunning(const EngineProgram& engine, const QString& folder) const {
    const QString canonical = QDir(folder).canonicalPath();
    for (const EngineRun& run : m_runs) {
        if (std::strcmp(run.engine.name, engine.name) == 0 &&
            QDir(run.folder).canonicalPath() == canonical)
            return true;
    }
    return false;
}

std::optional<EngineRunEnd> EngineLauncher::endOf(const EngineRun& run) const {
    std::optional<qint64> status = readNumber(run.statusFile);
    if (!status) {
        // No status yet: the run goes on while its wrapper lives (or has not
        // yet written its process id). The status is looked for once more
        // after the wrapper is found gone, since it ends right after writing.
        const std::optional<qint64> wrapper = readNumber(run.processFile);
        if (!wrapper || processAlive(*wrapper))
            return std::nullopt;
        status = readNumber(run.statusFile);
    }
    EngineRunEnd end{run, std::nullopt, {}};
    if (status)
        end.exitStatus = static_cast<int>(*status);
    end.lastErrorLine = lastErrorLine(fileTail(run.errorFile, errorTailBytes),
                                      QString::fromLatin1(run.engine.name));
    return end;
}

void EngineLauncher::checkRuns() {
    std::vector<EngineRunEnd> ended;
    for (auto run = m_runs.begin(); run != m_runs.end();) {
        if (auto end = endOf(*run)) {
            ended.push_back(std::move(*end));
            for (const QString& file : {run->statusFile, run->statusFile + QStringLiteral(".part"),
                                        run->errorFile, run->processFile})
                QFile::remove(file);
            run = m_runs.erase(run);
        } else {
            ++run;
        }
    }
    if (m_runs.empty())
        m_poll.stop();
    // Announced after the list is settled: a receiver may start a new run.
    for (const EngineRunEnd& end : ended)
        emit runEnded(end);
}
