#include "app/MainFrm.h"

#include "app/AboutDlg.h"
#include "app/LockIndicators.h"
#include "app/MarrowDoc.h"
#include "app/MarrowView.h"
#include "app/MessageBoxes.h"
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
// every other empty prompt (leaving an item, closing a menu) means "Ready".
bool promptlessItemHighlighted() {
    const auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    const QAction* action = menu ? menu->activeAction() : nullptr;
    return action && !action->isSeparator() && action->statusTip().isEmpty();
}

} // namespace

namespace {
// The Markov chain dialog's "..." button yields a title as the core's text.
std::optional<std::string> chooseTitleText() {
    const auto title = chooseFileTitle(QApplication::activeWindow());
    if (!title)
        return std::nullopt;
    return title->toStdString();
}
} // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_markovDialog(MessageBoxes::forwarder(), chooseTitleText, this),
      m_analysisDialog(MessageBoxes::forwarder(), this),
      m_simulationDialog(MessageBoxes::forwarder(), this),
      m_posteriorDialog(MessageBoxes::forwarder(), this) {
    setObjectName(QStringLiteral("mainFrame"));
    m_view = new CMarrowView(this);
    setCentralWidget(m_view);
    m_document = std::make_unique<CMarrowDoc>(*m_view);

    createActions();
    createToolBar();
    createStatusBar();
    readSettings();

    connect(m_document.get(), &CMarrowDoc::pathChanged, this, &CMainFrame::updateTitle);
    connect(m_view->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    connect(m_view, &CMarrowView::fileDropped, this, &CMainFrame::openDocument,
            Qt::QueuedConnection);
    setAcceptDrops(true);
    resize(860, 640);
    m_document->onNewDocument();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createActions() {
    createFileMenu();
    createEditMenu();
    createViewMenu();
    // A plain item on the menu bar: choosing it does nothing.
    QAction* tools = menuBar()->addAction(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("toolsAction"));
    connect(tools, &QAction::triggered, this, &CMainFrame::onTools);
    createAnalysisMenu();
    createSimulationMenu();
    createHelpMenu();
}

QAction* CMainFrame::addCommand(QMenu* menu, const char* objectName, const QString& caption,
                                const QList<QKeySequence>& shortcuts, const QString& prompt,
                                Handler handler) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcuts(shortcuts);
    action->setStatusTip(prompt);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    else
        action->setEnabled(false);
    menu->addAction(action);
    return action;
}

void CMainFrame::createFileMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&File"));
    menu->setObjectName(QStringLiteral("fileMenu"));
    m_fileMenu = menu;
    addCommand(menu, "fileNewAction", QStringLiteral("&New\tCtrl+N"),
               {QKeySequence(Qt::CTRL | Qt::Key_N)}, QStringLiteral("Create a new document"),
               &CMainFrame::onFileNew);
    addCommand(menu, "fileOpenAction", QStringLiteral("&Open...\tCtrl+O"),
               {QKeySequence(Qt::CTRL | Qt::Key_O)}, QStringLiteral("Open an existing document"),
               &CMainFrame::onFileOpen);
    addCommand(menu, "fileSaveAction", QStringLiteral("&Save\tCtrl+S"),
               {QKeySequence(Qt::CTRL | Qt::Key_S)}, QStringLiteral("Save the active document"),
               &CMainFrame::onFileSave);
    addCommand(menu, "fileSaveAsAction", QStringLiteral("Save &As..."), {},
               QStringLiteral("Save the active document with a new name"),
               &CMainFrame::onFileSaveAs);
    menu->addSeparator();
    addCommand(menu, "filePrintAction", QStringLiteral("&Print...\tCtrl+P"),
               {QKeySequence(Qt::CTRL | Qt::Key_P)}, QStringLiteral("Print the active document"),
               &CMainFrame::onFilePrint);
    addCommand(menu, "filePrintPreviewAction", QStringLiteral("Print Pre&view"), {},
               QStringLiteral("Display full pages"), &CMainFrame::onFilePrintPreview);
    addCommand(menu, "filePrintSetupAction", QStringLiteral("P&rint Setup..."), {},
               QStringLiteral("Change the printer and printing options"),
               &CMainFrame::onFilePrintSetup);
    menu->addSeparator();
    // The placeholder stands grey where the list goes while the list is empty.
    m_recentPlaceholder = addCommand(menu, "recentFileAction", QStringLiteral("Recent File"), {},
                                     QStringLiteral("Open this document"), nullptr);
    for (std::size_t index = 0; index < m_recentActions.size(); ++index) {
        QAction* entry = menu->addAction(QString());
        entry->setObjectName(QStringLiteral("recentFileAction%1").arg(index + 1));
        entry->setStatusTip(QStringLiteral("Open this document"));
        connect(entry, &QAction::triggered, this,
                [this, entry] { openDocument(entry->data().toString()); });
        m_recentActions[index] = entry;
    }
    menu->addSeparator();
    addCommand(menu, "appExitAction", QStringLiteral("E&xit"), {},
               QStringLiteral("Quit the application; prompts to save documents"),
               &CMainFrame::onAppExit);
}

void CMainFrame::createEditMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Edit"));
    menu->setObjectName(QStringLiteral("editMenu"));
    QAction* undo =
        addCommand(menu, "editUndoAction", QStringLiteral("&Undo\tCtrl+Z"),
                   {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)},
                   QStringLiteral("Undo the last action"), &CMainFrame::onEditUndo);
    menu->addSeparator();
    QAction* cut = addCommand(
        menu, "editCutAction", QStringLiteral("Cu&t\tCtrl+X"),
        {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
        QStringLiteral("Cut the selection and put it on the Clipboard"), &CMainFrame::onEditCut);
    QAction* copy = addCommand(
        menu, "editCopyAction", QStringLiteral("&Copy\tCtrl+C"),
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
        QStringLiteral("Copy the selection and put it on the Clipboard"), &CMainFrame::onEditCopy);
    QAction* paste =
        addCommand(menu, "editPasteAction", QStringLiteral("&Paste\tCtrl+V"),
                   {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
                   QStringLiteral("Insert Clipboard contents"), &CMainFrame::onEditPaste);

    // As in any text editor, the edit commands follow the view's state:
    // nothing to undo, no selection or an empty clipboard greys them.
    undo->setEnabled(false);
    cut->setEnabled(false);
    copy->setEnabled(false);
    connect(m_view, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(m_view, &QPlainTextEdit::copyAvailable, cut, &QAction::setEnabled);
    connect(m_view, &QPlainTextEdit::copyAvailable, copy, &QAction::setEnabled);
    const auto updatePaste = [paste, this] { paste->setEnabled(m_view->canPaste()); };
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, updatePaste);
    updatePaste();
}

void CMainFrame::createViewMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&View"));
    menu->setObjectName(QStringLiteral("viewMenu"));
    // The toolbar's own toggle keeps its check mark right when the user
    // closes a floating toolbar; it is added in createToolBar.
    m_statusBarAction =
        addCommand(menu, "viewStatusBarAction", QStringLiteral("&Status Bar"), {},
                   QStringLiteral("Show or hide the status bar"), &CMainFrame::onViewStatusBar);
    m_statusBarAction->setCheckable(true);
    m_statusBarAction->setChecked(true);
}

void CMainFrame::createAnalysisMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&QTL analysis"));
    menu->setObjectName(QStringLiteral("analysisMenu"));
    // Dialog commands: the handler that runs the dialog replaces nullptr when
    // the dialog joins the window.
    addCommand(menu, "analysisParametersAction", QStringLiteral("&Set parameters"), {},
               QStringLiteral("Set parameters for QTL analysis using Markov chain Monte Carlo"),
               &CMainFrame::onAnalysisParameters);
    menu->addSeparator();
    addCommand(menu, "analysisEngineAction", QStringLiteral("&MCMC analysis"), {},
               QStringLiteral("Excute QTL analysis with parameters set in the previous option "),
               &CMainFrame::onAnalysisEngine);
    menu->addSeparator();
    addCommand(menu, "posteriorGraphsAction", QStringLiteral("Posterior &graphs"), {}, QString(),
               &CMainFrame::onPosteriorGraphs);
    menu->addSeparator();
    addCommand(menu, "markovChainsAction", QStringLiteral("Markov chains"), {},
               QStringLiteral("Display graphs of Markov chain values for model parameters "),
               &CMainFrame::onMarkovChains);
}

void CMainFrame::createSimulationMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Simulation"));
    menu->setObjectName(QStringLiteral("simulationMenu"));
    addCommand(menu, "simulationParametersAction", QStringLiteral("Set &parameters"), {},
               QStringLiteral("Set simulation parameters for QTL effects and positions "),
               &CMainFrame::onSimulationParameters);
    menu->addSeparator();
    addCommand(menu, "simulationEngineAction", QStringLiteral("&Go Simulation"), {},
               QStringLiteral("Simulation markers, QTL and trait values for all progeny"),
               &CMainFrame::onSimulationEngine);
}

void CMainFrame::createHelpMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Help"));
    menu->setObjectName(QStringLiteral("helpMenu"));
    addCommand(menu, "appAboutAction", QStringLiteral("&About Marrow..."), {},
               QStringLiteral("Display program information, version number and copyright"),
               &CMainFrame::onAppAbout);
    addCommand(menu, "usersGuideAction", QStringLiteral("&Users' Guide"), {},
               QStringLiteral("Display users' guide for using this applicaiton"),
               &CMainFrame::onUsersGuide);
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

    struct Button {
        const char* action;
        const char* tip;
        QIcon icon;
    };
    QStyle* look = style();
    const Button buttons[] = {
        {"fileNewAction", "New",
         themeIcon("document-new", look->standardIcon(QStyle::SP_FileIcon))},
        {"fileOpenAction", "Open",
         themeIcon("document-open", look->standardIcon(QStyle::SP_DialogOpenButton))},
        {"fileSaveAction", "Save",
         themeIcon("document-save", look->standardIcon(QStyle::SP_DialogSaveButton))},
        {nullptr, nullptr, {}},
        {"editCutAction", "Cut", themeIcon("edit-cut")},
        {"editCopyAction", "Copy", themeIcon("edit-copy")},
        {"editPasteAction", "Paste", themeIcon("edit-paste")},
        {nullptr, nullptr, {}},
        {"filePrintAction", "Print", themeIcon("document-print")},
        {nullptr, nullptr, {}},
        {"appAboutAction", "About",
         themeIcon("help-about", look->standardIcon(QStyle::SP_MessageBoxInformation))},
    };
    for (const Button& button : buttons) {
        if (!button.action) {
            m_toolBar->addSeparator();
            continue;
        }
        auto* action = findChild<QAction*>(QString::fromLatin1(button.action));
        action->setToolTip(QString::fromLatin1(button.tip));
        action->setIconText(QString::fromLatin1(button.tip));
        action->setIcon(button.icon);
        m_toolBar->addAction(action);
    }

    QAction* toggle = m_toolBar->toggleViewAction();
    toggle->setObjectName(QStringLiteral("viewToolbarAction"));
    toggle->setText(QStringLiteral("&Toolbar"));
    toggle->setStatusTip(QStringLiteral("Show or hide the toolbar"));
    auto* viewMenu = menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
    viewMenu->insertAction(m_statusBarAction, toggle);
}

void CMainFrame::createStatusBar() {
    m_statusBar = statusBar();
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_lockIndicators = new LockIndicators(*m_statusBar);
    m_statusBar->showMessage(readyText);
}

void CMainFrame::readSettings() {
    QSettings settings;
    m_recentFiles.load(settings);
    updateRecentFileActions();
}

void CMainFrame::updateTitle() {
    setWindowTitle(m_document->title() + QStringLiteral("[*] - ") +
                   QString::fromLatin1(windowTitleText));
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
    if (event->type() != QEvent::StatusTip)
        return QMainWindow::event(event);
    QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (tip.isEmpty() && !promptlessItemHighlighted())
        tip = readyText;
    m_statusBar->showMessage(tip);
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
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
    reportLaunch(m_engineLauncher.launch(analysisEngine));
}

void CMainFrame::launchSimulationEngine() {
    reportLaunch(m_engineLauncher.launch(simulationEngine));
}

void CMainFrame::reportLaunch(const std::optional<QString>& failure) {
    if (failure)
        m_statusBar->showMessage(*failure);
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
    m_statusBar->showMessage(readyText);
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

void CMainFrame::onViewStatusBar() {
    m_statusBar->setVisible(m_statusBarAction->isChecked());
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

void CMainFrame::onPosteriorGraphs() {
    m_posteriorDialog.exec();
}

void CMainFrame::onMarkovChains() {
    m_markovDialog.exec();
}
