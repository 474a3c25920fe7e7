#pragma once

#include "analysis/ParDlg.h"
#include "app/RecentFiles.h"
#include "engines/EngineStart.h"
#include "simulation/SimuDlg.h"
#include "viewers/MarkovDlg.h"
#include "viewers/QTLIntDlg.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>

class CMarrowDoc;
class CMarrowView;
class LockIndicators;
class QPrinter;

/// The main window: the menus, the toolbar, the status bar, the text view
/// with its document, and the dialogs the menu commands run.
///
/// Every command is a QAction made the same way (caption, shortcuts,
/// status-bar prompt, handler). A command without a handler is grey and
/// cannot be chosen, so a dialog's command comes alive by adding its handler.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
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
    const RecentFileList& recentFiles() const { return m_recentFiles; }

    /// Starts "Pellarin.exe" in the current directory. A failure to start is
    /// shown in the status bar's message pane and changes nothing else.
    void launchAnalysisEngine();
    /// Starts "Tamsin.exe" the same way.
    void launchSimulationEngine();

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
    using Handler = void (CMainFrame::*)();

    void createActions();
    void createFileMenu();
    void createEditMenu();
    void createViewMenu();
    void createAnalysisMenu();
    void createSimulationMenu();
    void createHelpMenu();
    void createToolBar();
    void createStatusBar();
    void readSettings();

    QAction* addCommand(QMenu* menu, const char* objectName, const QString& caption,
                        const QList<QKeySequence>& shortcuts, const QString& prompt,
                        Handler handler);
    void updateTitle();
    void updateRecentFileActions();
    void rememberRecentFile(const QString& path);
    void reportLaunch(const std::optional<QString>& failure);
    QPrinter& printer();

    void onFileNew();
    void onFileOpen();
    void onFileSave();
    void onFileSaveAs();
    void onFilePrint();
    void onFilePrintPreview();
    void onFilePrintSetup();
    void onAppExit();
    void onEditUndo();
    void onEditCut();
    void onEditCopy();
    void onEditPaste();
    void onViewStatusBar();
    void onTools();
    void onAnalysisEngine();
    void onSimulationEngine();
    void onAppAbout();
    void onAnalysisParameters();
    void onUsersGuide();
    void onSimulationParameters();
    void onPosteriorGraphs();
    void onMarkovChains();

    QStatusBar* m_statusBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    LockIndicators* m_lockIndicators = nullptr;

    // The dialogs are held by value for the window's whole life, constructed
    // in this order and destroyed in the reverse: the Markov chain dialog, the
    // analysis parameter dialog, the simulation parameter dialog, the
    // posterior graph dialog. A dialog's member goes here and its handler
    // into the command that runs it (see createAnalysisMenu and
    // createSimulationMenu).
    MarkovChainDialog m_markovDialog;
    AnalysisParamDialog m_analysisDialog;
    SimulationParamDialog m_simulationDialog;
    PosteriorGraphDialog m_posteriorDialog;

    CMarrowView* m_view = nullptr;
    std::unique_ptr<CMarrowDoc> m_document;
    RecentFileList m_recentFiles;
    EngineLauncher m_engineLauncher;
    std::unique_ptr<QPrinter> m_printer;

    QMenu* m_fileMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    std::array<QAction*, RecentFileList::size> m_recentActions{};
    QAction* m_statusBarAction = nullptr;
};
