#pragma once

#include <QString>
#include <QStringList>

#include <optional>

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

/// Starts the engines the way a user expects to see them run.
///
/// An engine is started with no arguments in the current directory, and
/// forgotten: nothing waits for it or reads its exit status. Where a display
/// and a terminal emulator exist it runs inside a terminal window so the user
/// can follow its progress; otherwise its output is appended to its console
/// file in the working folder, so a run started without a window still leaves
/// a trace.
class EngineLauncher {
public:
    EngineLauncher();

    /// Starts `engine`. Returns nothing on success, else the sentence for the
    /// status bar: "Could not start Pellarin.exe: <reason>".
    std::optional<QString> launch(const EngineProgram& engine);

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

private:
    ProcessStarter::Request requestFor(const QString& enginePath, const EngineProgram& engine);

    QtProcessStarter m_qtStarter;
    ProcessStarter* m_starter = &m_qtStarter;
    std::optional<QStringList> m_searchFolders;
    std::optional<QString> m_terminal;
};
