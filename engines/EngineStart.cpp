#include "engines/EngineStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>

namespace {

// The engine runs under a shell inside the terminal so that the window stays
// open when the run ends: the last lines of a run are the ones worth reading.
constexpr const char* keepWindowOpen = "\"$0\"; status=$?; echo; "
                                       "echo \"$(basename \"$0\") ended with exit status $status. "
                                       "Press Enter to close this window.\"; "
                                       "read answer";

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

EngineLauncher::EngineLauncher() = default;

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

ProcessStarter::Request EngineLauncher::requestFor(const QString& enginePath,
                                                   const EngineProgram& engine) {
    const QString folder = QDir::currentPath();
    const QString terminal = m_terminal ? *m_terminal : detectTerminal();
    if (terminal.isEmpty())
        return {enginePath, {}, folder, QDir(folder).absoluteFilePath(engine.consoleFile)};
    const QStringList arguments{QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                                QString::fromLatin1(keepWindowOpen), enginePath};
    return {terminal, arguments, folder, {}};
}

std::optional<QString> EngineLauncher::launch(const EngineProgram& engine) {
    const QString name = QString::fromLatin1(engine.name);
    const QString failure = QStringLiteral("Could not start %1: ").arg(name);
    const QString path =
        findProgram(name, m_searchFolders ? *m_searchFolders : standardSearchFolders());
    if (path.isEmpty())
        return failure +
               QStringLiteral("not found in the application folder, the current directory or PATH");
    if (auto reason = m_starter->startDetached(requestFor(path, engine)))
        return failure + *reason;
    return std::nullopt;
}
