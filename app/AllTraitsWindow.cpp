// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AllTraitsWindow.h"

#include "app/RunReports.h"
#include "collect/TraitPicture.h"
#include "formats/CsvTable.h"
#include "model/NumberFormat.h"
#include "widgets/FileChooser.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

// What a trait's row says before any run of this window.
QString surveyedStatus(const SurveyedTrait& trait) {
    if (trait.results) {
        const std::size_t regions = trait.results->tableRows.size();
        return QStringLiteral("results: %1 region%2").arg(regions).arg(regions == 1 ? "" : "s");
    }
    if (!trait.problem.empty())
        return QStringLiteral("results cannot be read: ") + qText(trait.problem);
    if (!trait.runnable)
        return QStringLiteral("not set up: no multAl_in.txt (Set parameters, \"Use default\", "
                              "\"Ok\" in its folder)");
    return QStringLiteral("no results yet");
}

QTableWidgetItem* readOnlyItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

// A cell of the merged table as the QTL table window shows numbers, to six
// significant digits; the file's every digit stays in its tooltip.
QTableWidgetItem* tableCell(const std::string& cell) {
    double value = 0.0;
    const char* end = cell.data() + cell.size();
    const auto [stop, error] = std::from_chars(cell.data(), end, value);
    if (cell.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return readOnlyItem(qText(cell));
    QTableWidgetItem* item = readOnlyItem(qText(fmt::generalNumber(value)));
    item->setToolTip(qText(cell));
    return item;
}

int chromosomeOf(const std::vector<std::string>& cells) {
    int chromosome = 1;
    if (!cells.empty())
        std::from_chars(cells[0].data(), cells[0].data() + cells[0].size(), chromosome);
    return chromosome;
}

} // namespace

AllTraitsWindow::AllTraitsWindow(EngineLauncher& launcher, MessageSink& messages,
                                 OpenTrait openTrait, QWidget* parent)
    : QWidget(parent, Qt::Window), m_launcher(launcher), m_messages(messages),
      m_openTrait(std::move(openTrait)) {
    setObjectName(QStringLiteral("allTraitsWindow"));
    setWindowTitle(QStringLiteral("All traits"));
    createControls();
    connect(&m_launcher, &EngineLauncher::runEnded, this, &AllTraitsWindow::onRunEnded);
    resize(1100, 760);
}

void AllTraitsWindow::createControls() {
    m_folderLabel = new QLabel(QStringLiteral("No folder of traits"), this);
    m_folderLabel->setObjectName(QStringLiteral("folderLabel"));
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folderButton = new QPushButton(QStringLiteral("Folder..."), this);
    m_folderButton->setObjectName(QStringLiteral("folderButton"));
    m_runButton = new QPushButton(QStringLiteral("Run traits without results"), this);
    m_runButton->setObjectName(QStringLiteral("runButton"));
    for (QPushButton* button : {m_folderButton, m_runButton}) {
        button->setAccessibleName(button->text());
        button->setAutoDefault(false);
    }
    auto* top = new QHBoxLayout;
    top->addWidget(m_folderLabel, 1);
    top->addWidget(m_folderButton);
    top->addWidget(m_runButton);

    m_traitTable = new QTableWidget(0, 2, this);
    m_traitTable->setObjectName(QStringLiteral("traitTable"));
    m_traitTable->setAccessibleName(QStringLiteral("Traits"));
    m_traitTable->setHorizontalHeaderLabels({QStringLiteral("trait"), QStringLiteral("analysis")});
    m_traitTable->horizontalHeader()->setStretchLastSection(true);
    m_traitTable->verticalHeader()->hide();
    m_traitTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_traitTable->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_pictureLabel = new QLabel(this);
    m_pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    m_pictureLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pictureArea = new QScrollArea(this);
    m_pictureArea->setObjectName(QStringLiteral("pictureArea"));
    m_pictureArea->setWidget(m_pictureLabel);
    m_pictureArea->setWidgetResizable(true);
    m_pictureArea->viewport()->installEventFilter(this);

    m_qtlTable = new QTableWidget(this);
    m_qtlTable->setObjectName(QStringLiteral("qtlTable"));
    m_qtlTable->setAccessibleName(QStringLiteral("QTL table of every trait"));
    m_qtlTable->verticalHeader()->hide();
    m_qtlTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_qtlTable->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* parts = new QSplitter(Qt::Vertical, this);
    parts->addWidget(m_traitTable);
    parts->addWidget(m_pictureArea);
    parts->addWidget(m_qtlTable);
    parts->setSizes({130, 230, 300});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(parts, 1);

    connect(m_folderButton, &QPushButton::clicked, this, &AllTraitsWindow::onChooseFolder);
    connect(m_runButton, &QPushButton::clicked, this, [this] {
        if (!runTraitsWithoutResults())
            m_messages.error("Every trait of this folder has its results, or has no "
                             "multAl_in.txt to run.");
    });
    connect(m_traitTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { openTraitRow(row); });
    connect(m_qtlTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { openTableRow(row); });
    showTraits();
}

bool AllTraitsWindow::openFolder(const QString& folder) {
    if (running()) {
        m_messages.error("The traits of " + shownPath(m_folder).toStdString() +
                         " are still being run; another folder can be shown when they end.");
        return false;
    }
    std::string refusal;
    auto traits = surveyTraitFolders(folder.toStdString(), refusal);
    if (!traits) {
        m_messages.error(refusal);
        return false;
    }
    m_folder = QDir(folder).absolutePath();
    m_traits = std::move(*traits);
    m_status.clear();
    for (const SurveyedTrait& trait : m_traits)
        m_status.push_back(runElsewhere(trait) ? QStringLiteral("Pellarin.exe is running there")
                                               : surveyedStatus(trait));
    showTraits();
    showResults();
    return true;
}

void AllTraitsWindow::showAndRaise() {
    show();
    raise();
    activateWindow();
}

void AllTraitsWindow::onChooseFolder() {
    const QString start = m_folder.isEmpty() ? QDir::currentPath() : m_folder;
    if (const auto chosen = FileChooser::current().chooseFolder(
            this, QStringLiteral("Folder of trait folders"), start))
        openFolder(*chosen);
}

bool AllTraitsWindow::runTraitsWithoutResults() {
    if (running())
        return false;
    for (std::size_t row = 0; row < m_traits.size(); ++row) {
        if (m_traits[row].awaitingRun() && m_traits[row].runnable && !runElsewhere(m_traits[row])) {
            m_queue.push_back(static_cast<int>(row));
            setStatus(static_cast<int>(row), QStringLiteral("waiting to run"));
        }
    }
    if (m_queue.empty())
        return false;
    m_folderButton->setEnabled(false);
    m_runButton->setEnabled(false);
    startNextRun();
    return true;
}

// One run at a time: every run takes all cores, and the traits share their
// data files.
void AllTraitsWindow::startNextRun() {
    while (m_current < 0 && !m_queue.empty()) {
        const int row = m_queue.front();
        m_queue.pop_front();
        const QString folder = QString::fromStdString(m_traits[row].folder.string());
        if (const auto failure = m_launcher.launch(analysisEngine, folder)) {
            setStatus(row, *failure);
            // The same failure would meet every other trait.
            for (const int waiting : m_queue)
                setStatus(waiting, QStringLiteral("not run: ") + *failure);
            m_queue.clear();
            break;
        }
        m_current = row;
        setStatus(row, runningText(m_launcher.runs().back()));
    }
    if (!running()) {
        m_folderButton->setEnabled(true);
        m_runButton->setEnabled(true);
    }
}

// The window's own runs, and any other run of the analysis in a trait's
// folder (started from the main window there), bring that trait's results.
void AllTraitsWindow::onRunEnded(const EngineRunEnd& end) {
    if (std::string(end.run.engine.name) != analysisEngine.name)
        return;
    const QString ended = QDir(end.run.folder).canonicalPath();
    for (std::size_t row = 0; row < m_traits.size(); ++row) {
        if (QDir(QString::fromStdString(m_traits[row].folder.string())).canonicalPath() != ended)
            continue;
        m_traits[row] = surveyTrait(m_traits[row].folder);
        setStatus(static_cast<int>(row), runEndText(end));
        showResults();
        if (static_cast<int>(row) == m_current) {
            m_current = -1;
            startNextRun();
        }
        return;
    }
}

bool AllTraitsWindow::runElsewhere(const SurveyedTrait& trait) const {
    return m_launcher.isRunning(analysisEngine, QString::fromStdString(trait.folder.string()));
}

void AllTraitsWindow::setStatus(int row, const QString& text) {
    m_status[row] = text;
    m_traitTable->setItem(row, 1, readOnlyItem(text));
}

QString AllTraitsWindow::statusOf(int row) const {
    return row >= 0 && row < static_cast<int>(m_status.size()) ? m_status[row] : QString();
}

void AllTraitsWindow::showTraits() {
    m_folderLabel->setText(m_folder.isEmpty()
                               ? QStringLiteral("No folder of traits")
                               : QStringLiteral("Traits in %1").arg(shownPath(m_folder)));
    m_traitTable->setRowCount(static_cast<int>(m_traits.size()));
    for (std::size_t row = 0; row < m_traits.size(); ++row) {
        m_traitTable->setItem(static_cast<int>(row), 0, readOnlyItem(qText(m_traits[row].trait)));
        m_traitTable->setItem(static_cast<int>(row), 1, readOnlyItem(m_status[row]));
    }
    m_traitTable->resizeColumnToContents(0);
    m_runButton->setEnabled(!m_traits.empty() && !running());
}

// The picture and the table of marrow-collect, of the traits with results.
void AllTraitsWindow::showResults() {
    const std::vector<TraitResults> results = resultsOf(m_traits);
    m_tableTraits.clear();
    m_tableChromosomes.clear();
    if (results.empty()) {
        m_picture = QPixmap();
        m_pictureLabel->setPixmap(QPixmap());
        m_pictureLabel->setText(QStringLiteral("No trait has results yet."));
        m_qtlTable->clear();
        m_qtlTable->setRowCount(0);
        m_qtlTable->setColumnCount(0);
        return;
    }
    // A run may bring results on other chromosomes than the rest (its
    // multAl_in.txt was changed): the table still stands, the picture not.
    if (const auto mismatch = genomeMismatch(results)) {
        m_picture = QPixmap();
        m_pictureLabel->setPixmap(QPixmap());
        m_pictureLabel->setText(QStringLiteral("No picture: ") + qText(*mismatch) +
                                QStringLiteral("."));
    } else {
        m_picture.loadFromData(drawTraitPictures(intensityGrid(results)).png, "PNG");
        fitPicture();
    }

    const std::vector<CsvRow> rows = parseCsv(mergedQtlTable(results));
    m_qtlTable->clear();
    m_qtlTable->setColumnCount(rows.empty() ? 0 : static_cast<int>(rows.front().cells.size()));
    m_qtlTable->setRowCount(rows.empty() ? 0 : static_cast<int>(rows.size()) - 1);
    if (!rows.empty()) {
        QStringList heading;
        for (const std::string& cell : rows.front().cells)
            heading << qText(cell);
        m_qtlTable->setHorizontalHeaderLabels(heading);
    }
    for (std::size_t row = 1; row < rows.size(); ++row)
        for (std::size_t column = 0; column < rows[row].cells.size(); ++column)
            m_qtlTable->setItem(static_cast<int>(row - 1), static_cast<int>(column),
                                tableCell(rows[row].cells[column]));
    // The merged table holds each trait's rows in turn, in the traits' order.
    for (std::size_t t = 0; t < m_traits.size(); ++t)
        if (m_traits[t].results)
            for (const auto& cells : m_traits[t].results->tableRows) {
                m_tableTraits.push_back(static_cast<int>(t));
                m_tableChromosomes.push_back(chromosomeOf(cells));
            }
    m_qtlTable->resizeColumnsToContents();
}

// The picture is drawn 1200 units wide, as marrow-collect writes it; the
// window shows it as wide as there is room for, never wider.
void AllTraitsWindow::fitPicture() {
    if (m_picture.isNull())
        return;
    const int room = m_pictureArea->viewport()->width();
    m_pictureLabel->setPixmap(room < m_picture.width()
                                  ? m_picture.scaledToWidth(room, Qt::SmoothTransformation)
                                  : m_picture);
}

bool AllTraitsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pictureArea->viewport() && event->type() == QEvent::Resize)
        fitPicture();
    return QWidget::eventFilter(watched, event);
}

void AllTraitsWindow::openTraitRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_traits.size()))
        return;
    if (!m_traits[row].results) {
        m_messages.error("The trait " + m_traits[row].trait +
                         " has no results to show yet: " + statusOf(row).toStdString() + ".");
        return;
    }
    m_openTrait(QString::fromStdString(m_traits[row].folder.string()), 1);
}

void AllTraitsWindow::openTableRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_tableTraits.size()))
        return;
    m_openTrait(QString::fromStdString(m_traits[m_tableTraits[row]].folder.string()),
                m_tableChromosomes[row]);
}
