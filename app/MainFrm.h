// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/ParDlg.h"
#include "app/RecentFiles.h"
#include "engines/EngineStart.h"
#include "simulation/SimuDlg.h"
#include "viewers/MarkovDlg.h"
#include "viewers/QTLIntDlg.h"
#include "viewers/QtlTableWnd.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>
#include <span>

class AllTraitsWindow;
class CMarrowDoc;
class CMarrowView;
class LockIndicators;
class QPrinter;

/// The main window: the menus, the toolbar, the status bar, the text view
/// with its document, and the dialogs the menu commands run.
///
/// Every command is one row of `commandTable()`, from which the menus and
/// the toolbar are built. A command without a handler is grey and cannot be
/// chosen, so a dialog's command comes alive by giving its row a handler.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    using Handler = void (CMainFrame::*)();

    /// A menu of the menu bar: its caption and its object name.
    struct Menu {
        const char* caption;
        const char* name;
    };

    /// One row of the command table.
    struct Command {
        enum class Kind {
            Plain,       ///< runs its handler
            Toggle,      ///< a check mark, on at the start; the handler reads it
            MenuBarItem, ///< an item of the menu bar itself rather than of a menu
            Separator,   ///< a line between the menu's items
            RecentFiles, ///< the grey placeholder, then the recent-file list
        };
        const Menu* menu;
        Kind kind;
        const char* name;    ///< the action's object name
        const char* caption; ///< "&" marks the access letter, "\t" the shortcut shown
        const char* keys;    ///< shortcuts as portable text, "; " between two
        const char* prompt;  ///< the status bar's message while highlighted
        Handler handler;     ///< null: grey
        const char* button;  ///< the toolbar button's tooltip; null: no button
    };

    /// Every command of the menus, menu by menu in menu-bar order, each
    /// menu's items in order.
    static std::span<const Command> commandTable();

    /// Shown after the document's name in the caption.
    static constexpr const char* windowTitleText = "Corvane V1.10";

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CMarrowDoc& document() { return *m_document; }
    CMarrowView& view() { return *m_view; }
    EngineLauncher& engineLauncher() { return m_engineLauncher; }
    MarkovChainDialog& markovDialog() { return m_markovDialog; }
    AnalysisParamDialog& analysisDialog() { return m_analysisDialog; }
    SimulationParamDialog& simulationDialog() { return m_simulationDialog; }
    PosteriorGraphDialog& posteriorDialog() { return m_posteriorDialog; }
    QtlTableWindow& qtlTableWindow() { return m_qtlTableWindow; }
    /// QTL analysis > All traits' window, made the first time it is asked for.
    AllTraitsWindow& allTraitsWindow();
    const RecentFileList& recentFiles() const { return m_recentFiles; }

    /// Starts "Pellarin.exe" in the working folder (the current directory).
    /// The status bar's message pane follows the run: that it runs, then how
    /// it ended; a failure to start is shown there too. While the same engine
    /// runs in the same folder, asks first.
    void launchAnalysisEngine();
    /// Starts "Tamsin.exe" the same way.
    void launchSimulationEngine();

    /// Shows `text` in the status bar's message pane where "Ready" would
    /// stand, until the next news: what became of an engine run, or of
    /// anything else the user should not miss.
    void showNews(const QString& text);

    /// Makes `folder` the working folder: the current directory, where the
    /// dialogs read and write their files and the engines run. False, with a
    /// message, when it cannot be entered.
    bool setWorkingFolder(const QString& folder);
    /// After an import: the imported folder becomes the working folder, and
    /// the status bar says so. After an import of many traits `folder` is
    /// the first trait's folder, and the status bar names `traitsFolder`,
    /// which holds them all.
    void workInImportedFolder(const QString& folder, const QString& traitsFolder = {});

    /// File > New: after the offer to save, the start page again.
    bool newDocument();
    /// Opens `path` as the document, after the offer to save.
    bool openDocument(const QString& path);
    /// File > Save: asks for a name while untitled.
    bool saveDocument();
    /// File > Save As.
    bool saveDocumentAs();
    /// The offer to save a modified document: true when the caller may go on
    /// (saved, or the user declined), false when the user cancelled or the
    /// save failed.
    bool saveModified();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createToolBar();
    void createStatusBar();
    void readSettings();

    QMenu* menuFor(const Menu& menu);
    QAction* makeAction(const Command& command);
    void addRecentFileEntries(QMenu* menu);
    void followTheView();
    void runCommand(Handler handler);
    QAction* action(const char* name) const;

    void updateTitle();
    void updateRecentFileActions();
    void rememberRecentFile(const QString& path);
    void launchEngine(const EngineProgram& engine);
    void onRunEnded(const EngineRunEnd& end);
    QPrinter& printer();

    void onFileNew();
    void onFileOpen();
    void onFileSave();
    void onFileSaveAs();
    void onSetWorkingFolder();
    void onFilePrint();
    void onFilePrintPreview();
    void onFilePrintSetup();
    void onAppExit();
    void onEditUndo();
    void onEditCut();
    void onEditCopy();
    void onEditPaste();
    void onViewToolbar();
    void onViewStatusBar();
    void onTools();
    void onAnalysisEngine();
    void onSimulationEngine();
    void onAppAbout();
    void onAnalysisParameters();
    void onUsersGuide();
    void onSimulationParameters();
    void onPosteriorGraphs();
    void onQtlTable();
    void onAllTraits();
    void openTraitGraphs(const QString& folder, int chromosome);
    void onImportData();
    void onMarkovChains();

    QStatusBar* m_statusBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    LockIndicators* m_lockIndicators = nullptr;

    // The dialogs are held by value for the window's whole life, constructed
    // in this order and destroyed in the reverse: the Markov chain dialog, the
    // analysis parameter dialog, the simulation parameter dialog, the
    // posterior graph dialog. A dialog's member goes here and its handler
    // into the command table's row that runs it.
    MarkovChainDialog m_markovDialog;
    AnalysisParamDialog m_analysisDialog;
    SimulationParamDialog m_simulationDialog;
    PosteriorGraphDialog m_posteriorDialog;
    // After the posterior dialog, which it opens.
    QtlTableWindow m_qtlTableWindow;

    CMarrowView* m_view = nullptr;
    std::unique_ptr<CMarrowDoc> m_document;
    RecentFileList m_recentFiles;
    EngineLauncher m_engineLauncher;
    std::unique_ptr<QPrinter> m_printer;

    // What the message pane shows when no prompt is shown: "Ready", or the
    // latest news of an engine run, which stays until the next.
    QString m_idleText;

    std::vector<std::pair<const Menu*, QMenu*>> m_menus;
    QAction* m_recentPlaceholder = nullptr;
    std::array<QAction*, RecentFileList::size> m_recentActions{};
    // Follows the engine launcher's runs, so it goes first.
    std::unique_ptr<AllTraitsWindow> m_allTraitsWindow;
};
