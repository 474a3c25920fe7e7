// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainFrm.h"

#include "app/AboutDlg.h"
#include "app/AllTraitsWindow.h"
#include "app/ImportDlg.h"
#include "app/LockIndicators.h"
#include "app/Marrow.h"
#include "app/MarrowDoc.h"
#include "app/MarrowView.h"
#include "app/MessageBoxes.h"
#include "app/RunReports.h"
#include "app/UsersGuide.h"
#include "widgets/FileChooser.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace {

const QString readyText = QStringLiteral("Ready");

QIcon themeIcon(const char* name, const QIcon& fallback = {}) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

// A highlighted menu item whose prompt is empty empties the message pane;
// every other empty prompt (leaving an item, closing a menu) brings back
// "Ready" or the latest news of a run.
bool promptlessItemHighlighted() {
    const auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    const QAction* action = menu ? menu->activeAction() : nullptr;
    return action && !action->isSeparator() && action->statusTip().isEmpty();
}

// The Markov chain dialog's "..." button yields a title as the core's text.
std::optional<std::string> chooseTitleText() {
    const auto title = chooseFileTitle(QApplication::activeWindow());
    if (!title)
        return std::nullopt;
    return title->toStdString();
}

using Kind = CMainFrame::Command::Kind;

constexpr CMainFrame::Menu fileMenu{"&File", "fileMenu"};
constexpr CMainFrame::Menu editMenu{"&Edit", "editMenu"};
constexpr CMainFrame::Menu viewMenu{"&View", "viewMenu"};
constexpr CMainFrame::Menu toolsItem{"&Tools", nullptr};
constexpr CMainFrame::Menu analysisMenu{"&QTL analysis", "analysisMenu"};
constexpr CMainFrame::Menu simulationMenu{"&Simulation", "simulationMenu"};
constexpr CMainFrame::Menu helpMenu{"&Help", "helpMenu"};

// A separator row of `menu`.
constexpr CMainFrame::Command line(const CMainFrame::Menu& menu) {
    return {&menu, Kind::Separator, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
}

// The toolbar's buttons in order, a null name for a separator; each issues
// the command of the same name, whose row gives its tooltip.
struct ToolButton {
    const char* name;
    const char* themeIcon;
    QStyle::StandardPixmap fallback;
};

constexpr QStyle::StandardPixmap noIcon = QStyle::SP_CustomBase;

constexpr ToolButton toolButtons[] = {
    {"fileNewAction", "document-new", QStyle::SP_FileIcon},
    {"fileOpenAction", "document-open", QStyle::SP_DialogOpenButton},
    {"fileSaveAction", "document-save", QStyle::SP_DialogSaveButton},
    {nullptr, nullptr, noIcon},
    {"editCutAction", "edit-cut", noIcon},
    {"editCopyAction", "edit-copy", noIcon},
    {"editPasteAction", "edit-paste", noIcon},
    {nullptr, nullptr, noIcon},
    {"filePrintAction", "document-print", noIcon},
    {nullptr, nullptr, noIcon},
    {"appAboutAction", "help-about", QStyle::SP_MessageBoxInformation},
};

} // namespace

std::span<const CMainFrame::Command> CMainFrame::commandTable() {
    // A new command is a row here, in its menu's place, and its handler, a
    // member of CMainFrame. The first row of a menu puts the menu on the menu
    // bar, so the menus stand in the order of their first rows.
    //
    // menu, kind, name, caption, keys, prompt, handler, toolbar button
    static const Command table[] = {
        {&fileMenu, Kind::Plain, "fileNewAction", "&New\tCtrl+N", "Ctrl+N", "Create a new document",
         &CMainFrame::onFileNew, "New"},
        {&fileMenu, Kind::Plain, "fileOpenAction", "&Open...\tCtrl+O", "Ctrl+O",
         "Open an existing document", &CMainFrame::onFileOpen, "Open"},
        {&fileMenu, Kind::Plain, "fileSaveAction", "&Save\tCtrl+S", "Ctrl+S",
         "Save the active document", &CMainFrame::onFileSave, "Save"},
        {&fileMenu, Kind::Plain, "fileSaveAsAction", "Save &As...", "",
         "Save the active document with a new name", &CMainFrame::onFileSaveAs, nullptr},
        line(fileMenu),
        {&fileMenu, Kind::Plain, "setWorkingFolderAction", "Set &working folder...", "",
         "Choose the folder where the dialogs read and write their files and the engines run",
         &CMainFrame::onSetWorkingFolder, nullptr},
        line(fileMenu),
        {&fileMenu, Kind::Plain, "filePrintAction", "&Print...\tCtrl+P", "Ctrl+P",
         "Print the active document", &CMainFrame::onFilePrint, "Print"},
        {&fileMenu, Kind::Plain, "filePrintPreviewAction", "Print Pre&view", "",
         "Display full pages", &CMainFrame::onFilePrintPreview, nullptr},
        {&fileMenu, Kind::Plain, "filePrintSetupAction", "P&rint Setup...", "",
         "Change the printer and printing options", &CMainFrame::onFilePrintSetup, nullptr},
        line(fileMenu),
        {&fileMenu, Kind::RecentFiles, "recentFileAction", "Recent File", "", "Open this document",
         nullptr, nullptr},
        line(fileMenu),
        {&fileMenu, Kind::Plain, "appExitAction", "E&xit", "",
         "Quit the application; prompts to save documents", &CMainFrame::onAppExit, nullptr},

        {&editMenu, Kind::Plain, "editUndoAction", "&Undo\tCtrl+Z", "Ctrl+Z; Alt+Backspace",
         "Undo the last action", &CMainFrame::onEditUndo, nullptr},
        line(editMenu),
        {&editMenu, Kind::Plain, "editCutAction", "Cu&t\tCtrl+X", "Ctrl+X; Shift+Del",
         "Cut the selection and put it on the Clipboard", &CMainFrame::onEditCut, "Cut"},
        {&editMenu, Kind::Plain, "editCopyAction", "&Copy\tCtrl+C", "Ctrl+C; Ctrl+Ins",
         "Copy the selection and put it on the Clipboard", &CMainFrame::onEditCopy, "Copy"},
        {&editMenu, Kind::Plain, "editPasteAction", "&Paste\tCtrl+V", "Ctrl+V; Shift+Ins",
         "Insert Clipboard contents", &CMainFrame::onEditPaste, "Paste"},

        {&viewMenu, Kind::Toggle, "viewToolbarAction", "&Toolbar", "", "Show or hide the toolbar",
         &CMainFrame::onViewToolbar, nullptr},
        {&viewMenu, Kind::Toggle, "viewStatusBarAction", "&Status Bar", "",
         "Show or hide the status bar", &CMainFrame::onViewStatusBar, nullptr},

        {&toolsItem, Kind::MenuBarItem, "toolsAction", "&Tools", "", "", &CMainFrame::onTools,
         nullptr},

        {&analysisMenu, Kind::Plain, "importDataAction", "&Import data...", "",
         "Convert comma-separated tables or a VCF into Marrow's data files in a folder, and work "
         "there",
         &CMainFrame::onImportData, nullptr},
        line(analysisMenu),
        {&analysisMenu, Kind::Plain, "analysisParametersAction", "&Set parameters", "",
         "Set parameters for QTL analysis using Markov chain Monte Carlo",
         &CMainFrame::onAnalysisParameters, nullptr},
        line(analysisMenu),
        {&analysisMenu, Kind::Plain, "analysisEngineAction", "&MCMC analysis", "",
         "Excute QTL analysis with parameters set in the previous option ",
         &CMainFrame::onAnalysisEngine, nullptr},
        line(analysisMenu),
        {&analysisMenu, Kind::Plain, "posteriorGraphsAction", "Posterior &graphs", "", "",
         &CMainFrame::onPosteriorGraphs, nullptr},
        {&analysisMenu, Kind::Plain, "qtlTableAction", "QTL &table", "",
         "Show the QTL table of the working folder beside the graphs", &CMainFrame::onQtlTable,
         nullptr},
        {&analysisMenu, Kind::Plain, "allTraitsAction", "&All traits", "",
         "Show every trait of a folder of trait folders, run those without results and compare "
         "their QTL",
         &CMainFrame::onAllTraits, nullptr},
        line(analysisMenu),
        {&analysisMenu, Kind::Plain, "markovChainsAction", "Markov chains", "",
         "Display graphs of Markov chain values for model parameters ", &CMainFrame::onMarkovChains,
         nullptr},

        {&simulationMenu, Kind::Plain, "simulationParametersAction", "Set &parameters", "",
         "Set simulation parameters for QTL effects and positions ",
         &CMainFrame::onSimulationParameters, nullptr},
        line(simulationMenu),
        {&simulationMenu, Kind::Plain, "simulationEngineAction", "&Go Simulation", "",
         "Simulation markers, QTL and trait values for all progeny",
         &CMainFrame::onSimulationEngine, nullptr},

        {&helpMenu, Kind::Plain, "appAboutAction", "&About Marrow...", "",
         "Display program information, version number and copyright", &CMainFrame::onAppAbout,
         "About"},
        {&helpMenu, Kind::Plain, "usersGuideAction", "&Users' Guide", "",
         "Display users' guide for using this applicaiton", &CMainFrame::onUsersGuide, nullptr},
    };
    return table;
}

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_markovDialog(MessageBoxes::forwarder(), chooseTitleText, this),
      m_analysisDialog(MessageBoxes::forwarder(), this),
      m_simulationDialog(MessageBoxes::forwarder(), this),
      m_posteriorDialog(MessageBoxes::forwarder(), this), m_qtlTableWindow(m_posteriorDialog, this),
      m_idleText(readyText) {
    setObjectName(QStringLiteral("mainFrame"));
    m_view = new CMarrowView(this);
    setCentralWidget(m_view);
    m_document = std::make_unique<CMarrowDoc>(*m_view);

    createToolBar();
    createActions();
    createStatusBar();
    readSettings();

    connect(m_document.get(), &CMarrowDoc::pathChanged, this, &CMainFrame::updateTitle);
    connect(m_view->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    connect(m_view, &CMarrowView::fileDropped, this, &CMainFrame::openDocument,
            Qt::QueuedConnection);
    connect(&m_engineLauncher, &EngineLauncher::runEnded, this, &CMainFrame::onRunEnded);
    setAcceptDrops(true);
    resize(860, 640);
    m_document->onNewDocument();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createActions() {
    for (const Command& command : commandTable()) {
        if (command.kind == Kind::MenuBarItem) {
            menuBar()->addAction(makeAction(command));
            continue;
        }
        QMenu* menu = menuFor(*command.menu);
        if (command.kind == Kind::Separator) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(makeAction(command));
        if (command.kind == Kind::RecentFiles)
            addRecentFileEntries(menu);
    }
    followTheView();
    for (const ToolButton& button : toolButtons) {
        if (!button.name) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* command = action(button.name);
        const QIcon fallback =
            button.fallback == noIcon ? QIcon() : style()->standardIcon(button.fallback);
        command->setIcon(themeIcon(button.themeIcon, fallback));
        m_toolBar->addAction(command);
    }
}

QMenu* CMainFrame::menuFor(const Menu& menu) {
    for (const auto& [made, widget] : m_menus) {
        if (made == &menu)
            return widget;
    }
    QMenu* widget = menuBar()->addMenu(QString::fromLatin1(menu.caption));
    widget->setObjectName(QString::fromLatin1(menu.name));
    m_menus.emplace_back(&menu, widget);
    return widget;
}

QAction* CMainFrame::makeAction(const Command& command) {
    auto* made = new QAction(QString::fromUtf8(command.caption), this);
    made->setObjectName(QString::fromLatin1(command.name));
    if (*command.keys)
        made->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(command.keys)));
    made->setStatusTip(QString::fromUtf8(command.prompt));
    if (command.button) {
        made->setToolTip(QString::fromUtf8(command.button));
        made->setIconText(QString::fromUtf8(command.button));
    }
    if (command.kind == Kind::Toggle) {
        made->setCheckable(true);
        made->setChecked(true);
    }
    if (const Handler handler = command.handler)
        connect(made, &QAction::triggered, this, [this, handler] { runCommand(handler); });
    else
        made->setEnabled(false);
    if (command.kind == Kind::RecentFiles)
        m_recentPlaceholder = made;
    return made;
}

void CMainFrame::addRecentFileEntries(QMenu* menu) {
    for (std::size_t index = 0; index < m_recentActions.size(); ++index) {
        QAction* entry = menu->addAction(QString());
        entry->setObjectName(QStringLiteral("recentFileAction%1").arg(index + 1));
        entry->setStatusTip(m_recentPlaceholder->statusTip());
        connect(entry, &QAction::triggered, this,
                [this, entry] { openDocument(entry->data().toString()); });
        m_recentActions[index] = entry;
    }
}

void CMainFrame::followTheView() {
    // As in any text editor, the edit commands follow the view's state:
    // nothing to undo, no selection or an empty clipboard greys them.
    QAction* undo = action("editUndoAction");
    QAction* cut = action("editCutAction");
    QAction* copy = action("editCopyAction");
    QAction* paste = action("editPasteAction");
    undo->setEnabled(false);
    cut->setEnabled(false);
    copy->setEnabled(false);
    connect(m_view, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(m_view, &QPlainTextEdit::copyAvailable, cut, &QAction::setEnabled);
    connect(m_view, &QPlainTextEdit::copyAvailable, copy, &QAction::setEnabled);
    const auto updatePaste = [paste, this] { paste->setEnabled(m_view->canPaste()); };
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, updatePaste);
    updatePaste();

    // The toolbar's check mark follows the toolbar when something else hides
    // or shows it.
    connect(m_toolBar, &QToolBar::visibilityChanged, action("viewToolbarAction"),
            &QAction::setChecked);
}

void CMainFrame::runCommand(Handler handler) {
    (this->*handler)();
    // Any dialog's "..." button may have changed the working folder.
    updateTitle();
}

QAction* CMainFrame::action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void CMainFrame::createToolBar() {
    m_toolBar = new QToolBar(QStringLiteral("Standard"), this);
    m_toolBar->setObjectName(QStringLiteral("standardToolBar"));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    setDockOptions(dockOptions() | QMainWindow::AnimatedDocks);
}

void CMainFrame::createStatusBar() {
    m_statusBar = statusBar();
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_lockIndicators = new LockIndicators(*m_statusBar);
    m_statusBar->showMessage(m_idleText);
}

void CMainFrame::readSettings() {
    QSettings settings;
    m_recentFiles.load(settings);
    updateRecentFileActions();
}

void CMainFrame::updateTitle() {
    // The working folder is where every dialog reads and writes and every
    // engine runs, so it is always in sight.
    setWindowTitle(m_document->title() + QStringLiteral("[*] - ") +
                   QString::fromLatin1(windowTitleText) + QStringLiteral(" - ") +
                   QDir::toNativeSeparators(QDir::currentPath()));
}

void CMainFrame::updateRecentFileActions() {
    const QStringList& entries = m_recentFiles.entries();
    m_recentPlaceholder->setVisible(entries.isEmpty());
    for (std::size_t index = 0; index < m_recentActions.size(); ++index) {
        QAction* entry = m_recentActions[index];
        const bool used = static_cast<qsizetype>(index) < entries.size();
        entry->setVisible(used);
        if (!used)
            continue;
        const QString path = entries[static_cast<qsizetype>(index)];
        entry->setText(QStringLiteral("&%1 %2").arg(index + 1).arg(QDir::toNativeSeparators(path)));
        entry->setData(path);
    }
}

void CMainFrame::rememberRecentFile(const QString& path) {
    m_recentFiles.add(QFileInfo(path).absoluteFilePath());
    QSettings settings;
    m_recentFiles.save(settings);
    updateRecentFileActions();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        updateTitle(); // a window of its own may have changed the working folder
    if (event->type() != QEvent::StatusTip)
        return QMainWindow::event(event);
    QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (tip.isEmpty() && !promptlessItemHighlighted())
        tip = m_idleText;
    m_statusBar->showMessage(tip);
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A run outlives the window; the question only makes sure that closing
    // is meant, and says where the results will be.
    if (!m_engineLauncher.runs().empty() &&
        MessageBoxes::current().askYesNo(
            CMarrowApp::appTitle,
            closeWhileRunningQuestion(m_engineLauncher.runs(),
                                      m_allTraitsWindow ? m_allTraitsWindow->waitingTraits() : 0)
                .toStdString()) != MessageBoxes::Answer::Yes) {
        event->ignore();
        return;
    }
    if (saveModified())
        event->accept();
    else
        event->ignore();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over: the offer to save is a modal box, which
    // must not run inside the drag and drop loop.
    QTimer::singleShot(0, this, [this, path] { openDocument(path); });
}

bool CMainFrame::saveModified() {
    if (!m_document->isModified())
        return true;
    const auto answer = MessageBoxes::current().askYesNoCancel(
        "Marrow", "Save changes to " + m_document->title().toStdString() + "?");
    if (answer == MessageBoxes::Answer::Yes)
        return saveDocument();
    return answer == MessageBoxes::Answer::No;
}

bool CMainFrame::newDocument() {
    if (!saveModified())
        return false;
    return m_document->onNewDocument();
}

bool CMainFrame::openDocument(const QString& path) {
    if (!saveModified())
        return false;
    if (!m_document->onOpenDocument(path, MessageBoxes::current())) {
        if (!QFileInfo::exists(path) && m_recentFiles.entries().contains(path)) {
            m_recentFiles.remove(path);
            QSettings settings;
            m_recentFiles.save(settings);
            updateRecentFileActions();
        }
        return false;
    }
    rememberRecentFile(path);
    return true;
}

bool CMainFrame::saveDocument() {
    if (m_document->path().isEmpty())
        return saveDocumentAs();
    return m_document->onSaveDocument(m_document->path(), MessageBoxes::current());
}

bool CMainFrame::saveDocumentAs() {
    const QString suggested =
        m_document->path().isEmpty() ? m_document->title() + ".txt" : m_document->path();
    const std::optional<QString> path =
        FileChooser::current().chooseDocumentSaveName(this, suggested);
    if (!path || !m_document->onSaveDocument(*path, MessageBoxes::current()))
        return false;
    rememberRecentFile(*path);
    return true;
}

void CMainFrame::launchAnalysisEngine() {
    launchEngine(analysisEngine);
}

void CMainFrame::launchSimulationEngine() {
    launchEngine(simulationEngine);
}

void CMainFrame::launchEngine(const EngineProgram& engine) {
    const QString folder = QDir::currentPath();
    // Two runs in one folder write the same files at once; the user may
    // still mean it (a run they know has hung), so it is a question.
    if (m_engineLauncher.isRunning(engine, folder) &&
        MessageBoxes::current().askYesNo(CMarrowApp::appTitle,
                                         secondRunQuestion(engine, folder).toStdString()) !=
            MessageBoxes::Answer::Yes)
        return;
    if (const auto failure = m_engineLauncher.launch(engine))
        showNews(*failure);
    else
        showNews(runningText(m_engineLauncher.runs().back()));
}

void CMainFrame::onRunEnded(const EngineRunEnd& end) {
    showNews(runEndText(end));
}

void CMainFrame::showNews(const QString& text) {
    m_idleText = text;
    m_statusBar->showMessage(text);
}

bool CMainFrame::setWorkingFolder(const QString& folder) {
    if (!QDir::setCurrent(folder)) {
        MessageBoxes::current().showMessage(
            CMarrowApp::appTitle,
            QStringLiteral("%1 cannot be the working folder: it cannot be entered.")
                .arg(QDir::toNativeSeparators(folder))
                .toStdString());
        return false;
    }
    updateTitle();
    return true;
}

QPrinter& CMainFrame::printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CMainFrame::onFileNew() {
    newDocument();
}

void CMainFrame::onFileOpen() {
    if (const auto path = FileChooser::current().chooseDocumentToOpen(this))
        openDocument(*path);
}

void CMainFrame::onFileSave() {
    saveDocument();
}

void CMainFrame::onFileSaveAs() {
    saveDocumentAs();
}

void CMainFrame::onFilePrint() {
    QPrintDialog dialog(&printer(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_view->print(&printer());
}

void CMainFrame::onFilePrintPreview() {
    QPrintPreviewDialog preview(&printer(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, m_view, &QPlainTextEdit::print);
    m_statusBar->showMessage(QStringLiteral("Close print preview mode"));
    preview.exec();
    m_statusBar->showMessage(m_idleText);
}

void CMainFrame::onFilePrintSetup() {
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

void CMainFrame::onAppExit() {
    close();
}

void CMainFrame::onEditUndo() {
    m_view->undo();
}

void CMainFrame::onEditCut() {
    m_view->cut();
}

void CMainFrame::onEditCopy() {
    m_view->copy();
}

void CMainFrame::onEditPaste() {
    m_view->paste();
}

void CMainFrame::onSetWorkingFolder() {
    const auto folder = FileChooser::current().chooseFolder(
        this, QStringLiteral("Set working folder"), QDir::currentPath());
    if (folder)
        setWorkingFolder(*folder);
}

void CMainFrame::onViewToolbar() {
    m_toolBar->setVisible(action("viewToolbarAction")->isChecked());
}

void CMainFrame::onViewStatusBar() {
    m_statusBar->setVisible(action("viewStatusBarAction")->isChecked());
}

void CMainFrame::onTools() {
    // A plain item of the menu bar with nothing behind it yet.
}

void CMainFrame::onAnalysisEngine() {
    launchAnalysisEngine();
}

void CMainFrame::onSimulationEngine() {
    launchSimulationEngine();
}

void CMainFrame::onAppAbout() {
    AboutDialog about(this);
    about.exec();
}

void CMainFrame::onAnalysisParameters() {
    m_analysisDialog.exec();
}

void CMainFrame::onUsersGuide() {
    UsersGuideDialog guide(this);
    guide.exec();
}

void CMainFrame::onSimulationParameters() {
    m_simulationDialog.exec();
}

// The working folder follows an import the moment it is written, since
// the dialog's summary already says that Marrow works there.
void CMainFrame::onImportData() {
    ImportDialog dialog(MessageBoxes::current(), this);
    connect(&dialog, &ImportDialog::folderImported, this, [this, &dialog](const QString& folder) {
        workInImportedFolder(folder, dialog.importedTraitsFolder());
    });
    dialog.exec();
}

void CMainFrame::workInImportedFolder(const QString& folder, const QString& traitsFolder) {
    if (!setWorkingFolder(folder))
        return;
    if (traitsFolder.isEmpty())
        showNews(QStringLiteral("Data imported: the working folder is now %1")
                     .arg(QDir::toNativeSeparators(folder)));
    else
        showNews(
            QStringLiteral("Data imported: the trait folders are in %1; the working folder is "
                           "now the first, %2 (QTL analysis > All traits shows them all)")
                .arg(QDir::toNativeSeparators(traitsFolder), QDir::toNativeSeparators(folder)));
}

// Not modal: the table stays open beside the posterior graph, which its
// rows open at their chromosome.
void CMainFrame::onQtlTable() {
    m_qtlTableWindow.showAndRaise();
}

AllTraitsWindow& CMainFrame::allTraitsWindow() {
    if (!m_allTraitsWindow)
        m_allTraitsWindow = std::make_unique<AllTraitsWindow>(
            m_engineLauncher, MessageBoxes::forwarder(),
            [this](const QString& folder, int chromosome) { openTraitGraphs(folder, chromosome); },
            this);
    return *m_allTraitsWindow;
}

// Not modal, like the QTL table. It opens on the folder above the working
// folder, where an import of many traits leaves the user; a refusal leaves
// the window open for another folder.
void CMainFrame::onAllTraits() {
    AllTraitsWindow& window = allTraitsWindow();
    if (window.folder().isEmpty() || !window.running()) {
        QDir above = QDir::current();
        if (above.cdUp())
            window.openFolder(above.absolutePath());
    }
    window.showAndRaise();
}

// A trait's graphs are those of its folder, which becomes the working
// folder as if chosen with File > Set working folder.
void CMainFrame::openTraitGraphs(const QString& folder, int chromosome) {
    if (!setWorkingFolder(folder))
        return;
    m_posteriorDialog.openAtChromosome(chromosome);
}

void CMainFrame::onPosteriorGraphs() {
    m_posteriorDialog.exec();
}

void CMainFrame::onMarkovChains() {
    m_markovDialog.exec();
}
