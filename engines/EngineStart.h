// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QTemporaryDir;

/// One of the two engine programs: the bare name it is started by, and the
/// file in the working folder that collects its output when no terminal
/// window can show it.
struct EngineProgram {
    const char* name;
    const char* consoleFile;
};

inline constexpr EngineProgram analysisEngine{"Pellarin.exe", "Pellarin.console.txt"};
inline constexpr EngineProgram simulationEngine{"Tamsin.exe", "Tamsin.console.txt"};

/// The folders a bare program name is looked up in, in order: the
/// application's own folder, the current directory, then every folder of PATH.
QStringList standardSearchFolders();

/// The first executable file called `name` in `folders`, or an empty string.
QString findProgram(const QString& name, const QStringList& folders);

/// Process start: the one seam between Marrow and the operating system's
/// processes. Tests replace it with a recorder; dialogs never start processes
/// themselves.
class ProcessStarter {
public:
    struct Request {
        QString program;        ///< full path of the program to run
        QStringList arguments;  ///< passed as they stand, no shell involved
        QString workingFolder;  ///< the process's current directory
        QString appendOutputTo; ///< stdout and stderr appended here; empty: inherited
    };

    virtual ~ProcessStarter() = default;

    /// Starts the program detached and returns at once, never waiting for it.
    /// Returns nothing on success, else the reason the start failed.
    virtual std::optional<QString> startDetached(const Request& request) = 0;
};

/// Starts processes with QProcess::startDetached.
class QtProcessStarter : public ProcessStarter {
public:
    std::optional<QString> startDetached(const Request& request) override;
};

/// One engine run that the launcher started and has not yet seen end.
///
/// The engine runs under a small shell wrapper that leaves three files in the
/// launcher's private folder: the wrapper's process id when it starts, a copy
/// of the engine's standard error as it goes, and the engine's exit status
/// once it has ended. Watching files rather than holding the process lets the
/// engine outlive Marrow, as a long analysis must, and works the same inside
/// a terminal window.
struct EngineRun {
    EngineProgram engine;
    QString folder;      ///< the working folder the engine runs in
    QDateTime started;   ///< when it was started, by the system clock
    QString statusFile;  ///< the exit status, written when the engine has ended
    QString errorFile;   ///< a copy of the engine's standard error
    QString processFile; ///< the wrapper's process id, written as it starts
};

/// How a run ended.
struct EngineRunEnd {
    EngineRun run;
    /// The engine's exit status; nothing when the run ended without one (its
    /// terminal window was closed, or it was killed).
    std::optional<int> exitStatus;
    /// The last line the engine wrote to standard error, its own name and the
    /// progress bar left out; empty when it wrote none.
    QString lastErrorLine;

    bool succeeded() const { return exitStatus == 0; }
};

/// The last line of an engine's standard error worth showing: the progress
/// bar's lines are left out, and a leading "PROGRAM: " taken off, since
/// every error line of an engine starts with its own name.
QString lastErrorLine(const QByteArray& errors, const QString& program);

/// Starts the engines the way a user expects to see them run, and follows
/// each run until it ends.
///
/// An engine is started with no arguments in the current directory, and does
/// not hold the window up: nothing waits for it. Where a display and a
/// terminal emulator exist it runs inside a terminal window so the user can
/// follow its progress; otherwise its output is appended to its console file
/// in the working folder, so a run started without a window still leaves a
/// trace. Either way its end is noticed by polling the run's files (see
/// EngineRun) and announced by `runEnded`.
class EngineLauncher : public QObject {
    Q_OBJECT
public:
    explicit EngineLauncher(QObject* parent = nullptr);
    ~EngineLauncher() override;

    /// Starts `engine`. Returns nothing on success, else the sentence for the
    /// status bar: "Could not start Pellarin.exe: <reason>".
    std::optional<QString> launch(const EngineProgram& engine);
    /// Starts `engine` the same way in `folder` rather than the current
    /// directory, which stays as it is: a window that runs many traits'
    /// folders in turn.
    std::optional<QString> launch(const EngineProgram& engine, const QString& folder);

    /// The runs started and not yet seen to end, oldest first.
    const std::vector<EngineRun>& runs() const { return m_runs; }

    /// Whether a run of `engine` in `folder` is still going.
    bool isRunning(const EngineProgram& engine, const QString& folder) const;

    /// Looks once at every run's files and announces each run that has ended.
    /// A timer does this twice a second while runs are going.
    void checkRuns();

    /// Replaces the process start (tests record instead of starting). The
    /// launcher does not own `starter`; null restores the real one.
    void setProcessStarter(ProcessStarter* starter);

    /// Fixes the folders looked in instead of the standard ones (tests keep
    /// the build's own engines out of reach this way).
    void setSearchFolders(std::optional<QStringList> folders) {
        m_searchFolders = std::move(folders);
    }

    /// Fixes the terminal emulator instead of detecting it; an empty string
    /// means none, so the engine's output goes to its console file.
    void setTerminal(std::optional<QString> terminal) { m_terminal = std::move(terminal); }

    /// The terminal emulator to show an engine in, or an empty string when
    /// there is no display or no terminal: $TERMINAL, else x-terminal-emulator.
    static QString detectTerminal();

signals:
    /// `end.run` has ended; it is no longer among `runs()`.
    void runEnded(const EngineRunEnd& end);

private:
    std::optional<EngineRun> newRun(const EngineProgram& engine, const QString& folder);
    ProcessStarter::Request requestFor(const QString& enginePath, const EngineRun& run);
    std::optional<EngineRunEnd> endOf(const EngineRun& run) const;

    QtProcessStarter m_qtStarter;
    ProcessStarter* m_starter = &m_qtStarter;
    std::optional<QStringList> m_searchFolders;
    std::optional<QString> m_terminal;
    std::unique_ptr<QTemporaryDir> m_runFolder;
    int m_runsStarted = 0;
    std::vector<EngineRun> m_runs;
    QTimer m_poll;
};
