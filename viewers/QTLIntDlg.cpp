// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/QTLIntDlg.h"

#include "formats/AnalysisInputFile.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "viewers/GenomePicture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
#include <memory>

using viewer::dialogRect;
using viewer::Step;

namespace {
constexpr int editHeight = 12;

// Curves of a few hundred cM need room to be read: the dialog opens at
// least this large, within nine tenths of the screen.
constexpr QSize readableSize(900, 600);

QSize openingSize(const QWidget& dialog, QSize least) {
    QSize size = least.expandedTo(readableSize);
    const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QSize available = screen->availableGeometry().size();
        size = size.boundedTo(QSize(available.width() * 9 / 10, available.height() * 9 / 10));
    }
    return size.expandedTo(dialog.minimumSize());
}
} // namespace

PosteriorGraphDialog::PosteriorGraphDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages) {
    setWindowTitle(
        "Graph for Location-wise Posterior QTL Intensity, QTL variance, and allele number");
    createControls();
    connectControls();
    const QSize size = dialogRect(*this, 0, 0, 467, 182).size();
    resize(size);
    // Dialog units follow the font only roughly; the top strip must fit.
    setMinimumWidth(placeControls());
    setMinimumHeight(size.height() * 2 / 3);
    resize(openingSize(*this, size));
    // The plot and the controls beside it follow the size (resizeEvent).
    setSizeGripEnabled(true);
}

void PosteriorGraphDialog::createControls() {
    m_kindGroup = new QButtonGroup(this);
    const std::pair<QRadioButton**, const char*> radios[] = {
        {&m_intensityRadio, "Posterior QTL intensity"},
        {&m_varianceRadio, "Posterior QTL variance"},
        {&m_alleleRadio, "Posterior allele number"},
    };
    int id = 0;
    for (const auto& [radio, text] : radios) {
        *radio = new QRadioButton(text, this);
        m_kindGroup->addButton(*radio, id++);
    }
    m_intensityRadio->setObjectName("intensityRadio");
    m_varianceRadio->setObjectName("varianceRadio");
    m_alleleRadio->setObjectName("alleleRadio");

    createNavigation(m_chromosomeLabel, m_chromosomeEdit, m_chromosomeButtons, "chromosome");
    m_chromosomeLabel->setText("Choose a chromosome:");
    createNavigation(m_replicationLabel, m_replicationEdit, m_replicationButtons, "replication");
    m_replicationLabel->setText("Choose a replication:");

    m_showAllCheck = new QCheckBox("Show all graphs", this);
    m_showAllCheck->setObjectName("showAllCheck");
    m_showAverageCheck = new QCheckBox("Show average graph", this);
    m_showAverageCheck->setObjectName("showAverageCheck");
    m_okButton = new QPushButton("OK", this);
    m_okButton->setObjectName("okButton");
    m_okButton->setDefault(true);

    m_yAxisEdit = new QLineEdit(this);
    m_yAxisEdit->setObjectName("yAxisEdit");
    m_yAxisEdit->setAlignment(Qt::AlignRight);
    m_xAxisEdit = new QLineEdit(this);
    m_xAxisEdit->setObjectName("xAxisEdit");
    for (QLineEdit* edit : {m_yAxisEdit, m_xAxisEdit}) {
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
    }
    m_distanceLabel = new QLabel("Linkage distance, cM", this);
    m_distanceLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void PosteriorGraphDialog::createNavigation(QLabel*& label, QLineEdit*& edit,
                                            std::array<QPushButton*, 4>& buttons,
                                            const char* name) {
    label = new QLabel(this);
    edit = new QLineEdit(this);
    edit->setObjectName(QString(name) + "Edit");
    edit->setAlignment(Qt::AlignCenter);
    static constexpr const char* stepNames[4] = {"First", "Previous", "Next", "Last"};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QPushButton(viewer::stepLabels[i], this);
        buttons[i]->setObjectName(QString(name) + stepNames[i]);
        buttons[i]->setAutoDefault(false);
    }
}

void PosteriorGraphDialog::connectControls() {
    for (std::size_t i = 0; i < 4; ++i) {
        const auto step = static_cast<Step>(i);
        connect(m_chromosomeButtons[i], &QPushButton::clicked, this,
                [this, step] { chromosomeStep(step); });
        connect(m_replicationButtons[i], &QPushButton::clicked, this,
                [this, step] { replicationStep(step); });
    }
    connect(m_chromosomeEdit, &QLineEdit::textEdited, this, &PosteriorGraphDialog::onEditChanged);
    connect(m_replicationEdit, &QLineEdit::textEdited, this, &PosteriorGraphDialog::onEditChanged);
    connect(m_intensityRadio, &QRadioButton::clicked, this, &PosteriorGraphDialog::onKindClicked);
    connect(m_varianceRadio, &QRadioButton::clicked, this, &PosteriorGraphDialog::onKindClicked);
    connect(m_showAllCheck, &QCheckBox::clicked, this, &PosteriorGraphDialog::onShowAllClicked);
    connect(m_showAverageCheck, &QCheckBox::clicked, this,
            &PosteriorGraphDialog::onShowAverageClicked);
    connect(m_okButton, &QPushButton::clicked, this, &PosteriorGraphDialog::onOk);
}

int PosteriorGraphDialog::placeControls() {
    const int h = dialogRect(*this, 0, 0, 0, editHeight).height();
    const int edit = dialogRect(*this, 0, 0, 30, 0).width();
    const int button = dialogRect(*this, 0, 0, 22, 0).width();
    const int margin = dialogRect(*this, 7, 0, 0, 0).width();
    const int rowY[3] = {h / 3, h * 3 / 2, h * 8 / 3};
    QRadioButton* radios[3] = {m_intensityRadio, m_varianceRadio, m_alleleRadio};
    int column = 0;
    for (int row = 0; row < 3; ++row)
        column = std::max(column, viewer::placeInRow(*radios[row], margin, rowY[row], h));
    const int labelWidth =
        std::max(m_chromosomeLabel->sizeHint().width(), m_replicationLabel->sizeHint().width());
    int right = 0;
    const auto placeRow = [&](QLabel* label, QLineEdit* rowEdit,
                              const std::array<QPushButton*, 4>& buttons, int y) {
        int x = viewer::placeInRow(*label, column, y, h, labelWidth);
        x = viewer::placeInRow(*rowEdit, x, y, h, edit);
        for (QPushButton* step : buttons)
            x = viewer::placeInRow(*step, x, y, h, button);
        right = std::max(right, x);
    };
    placeRow(m_chromosomeLabel, m_chromosomeEdit, m_chromosomeButtons, rowY[0]);
    placeRow(m_replicationLabel, m_replicationEdit, m_replicationButtons, rowY[1]);
    const int x = viewer::placeInRow(*m_showAllCheck, column, rowY[2], h);
    viewer::placeInRow(*m_showAverageCheck, x, rowY[2], h);

    const QRect ok = dialogRect(*this, 0, 0, 50, 14);
    m_okButton->setGeometry(width() - ok.width() - margin, rowY[0], ok.width(), ok.height());
    right += ok.width() + margin;

    // The axis numbers sit at the ends of the axes, which follow the size.
    const PlotArea area = posteriorPlotArea(width(), height(), m_labelRoom);
    m_yAxisEdit->setGeometry(2, area.yTop - h / 2, std::max(area.x0 - 4, 20), h);
    m_xAxisEdit->setGeometry(area.x1 + 2, area.y0 - h / 2, std::max(width() - area.x1 - 4, 20), h);
    const int distance = m_distanceLabel->sizeHint().width();
    m_distanceLabel->setGeometry(width() - distance - 2, area.y0 + h / 2 + 1, distance,
                                 std::max(height() - area.y0 - h / 2 - 1, 1));
    return right;
}

void PosteriorGraphDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeControls();
}

void PosteriorGraphDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        openingSteps();
}

bool PosteriorGraphDialog::openAtChromosome(int chromosome) {
    if (!isVisible())
        show();
    raise();
    activateWindow();
    if (!m_layout)
        return false;
    if (chromosome < 1 || chromosome > m_layout->chromosomeCount) {
        // A table from another analysis than the one in multAl_in.txt: the
        // graph of some other chromosome would read as this one's.
        m_messages.error("The QTL table names chromosome " + std::to_string(chromosome) + ", but " +
                         std::string(analysisInputFileName) + " has " +
                         fmt::counted(m_layout->chromosomeCount, "chromosome") + ".");
        return false;
    }
    m_chromosome = chromosome;
    transferToControls();
    update();
    return true;
}

void PosteriorGraphDialog::openingSteps() {
    m_layout = loadRunLayout(m_messages, RunLayoutDepth::Whole);
    m_chromosome = 1;
    m_replication = 1;
    m_kind = PosteriorKind::Intensity;
    m_xLabelValue = 150;
    m_yLabelValue = 50;
    m_showAll = false;
    m_showAverage = false;
    m_reported.reset();
    m_note.clear();
    // The table may have been rewritten unseen since the last opening, or
    // the folder changed: the first drawing reads it afresh.
    m_regionStamp.reset();
    m_drawn = {};
    enableNavigation();
    transferToControls();
    update();
}

void PosteriorGraphDialog::enableNavigation() {
    const bool loaded = m_layout.has_value();
    m_alleleRadio->setEnabled(false);
    m_intensityRadio->setEnabled(loaded);
    m_varianceRadio->setEnabled(loaded && m_layout->qtlModelLetter != 'f' &&
                                m_layout->qtlModelLetter != 'F');
    const bool chromosomes = loaded && m_layout->chromosomeCount >= 2;
    m_chromosomeLabel->setEnabled(chromosomes);
    m_chromosomeEdit->setEnabled(chromosomes);
    for (QPushButton* button : m_chromosomeButtons)
        button->setEnabled(chromosomes);
    m_replicationLabel->setEnabled(loaded && m_layout->replicationCount >= 2);
    enableReplicationControls(true);
    m_showAllCheck->setEnabled(loaded);
    m_showAverageCheck->setEnabled(loaded);
}

void PosteriorGraphDialog::enableReplicationControls(bool enable) {
    const bool several = m_layout && m_layout->replicationCount > 1;
    m_replicationEdit->setEnabled(enable && several);
    for (QPushButton* button : m_replicationButtons)
        button->setEnabled(enable && several);
}

void PosteriorGraphDialog::transferToControls() {
    showNavigation();
    if (QAbstractButton* radio = m_kindGroup->button(static_cast<int>(m_kind)))
        radio->setChecked(true);
    m_showAllCheck->setChecked(m_showAll);
    m_showAverageCheck->setChecked(m_showAverage);
    showAxisNumbers();
}

void PosteriorGraphDialog::showNavigation() {
    viewer::setEditText(*m_chromosomeEdit, QString::number(m_chromosome));
    viewer::setEditText(*m_replicationEdit, QString::number(m_replication));
}

void PosteriorGraphDialog::showAxisNumbers() {
    viewer::showAxisNumber(*m_xAxisEdit, QString::number(m_xLabelValue));
    viewer::showAxisNumber(*m_yAxisEdit, QString::number(m_yLabelValue));
}

bool PosteriorGraphDialog::transferFromControls() {
    const auto chromosome = viewer::takeInteger(*m_chromosomeEdit, 1, 100, m_messages);
    if (!chromosome)
        return false;
    // A number past the loaded layout would name data that was never read.
    m_chromosome = std::min(*chromosome, m_layout ? m_layout->chromosomeCount : 1);
    m_kind = static_cast<PosteriorKind>(std::max(m_kindGroup->checkedId(), 0));
    const auto replication = viewer::takeInteger(*m_replicationEdit, 1, 100, m_messages);
    if (!replication)
        return false;
    m_replication = std::min(*replication, m_layout ? m_layout->replicationCount : 1);
    m_showAll = m_showAllCheck->isChecked();
    // The axis number is a chromosome's length, which may be 0 cM and may
    // be as long as the viewer draws: OK must not refuse a number it set.
    const auto xLabel = viewer::takeInteger(*m_xAxisEdit, 0, maxLayoutLength, m_messages);
    if (!xLabel)
        return false;
    m_xLabelValue = *xLabel;
    const auto yLabel = viewer::takeInteger(*m_yAxisEdit, 15, 100, m_messages);
    if (!yLabel)
        return false;
    m_yLabelValue = *yLabel;
    m_showAverage = m_showAverageCheck->isChecked();
    return true;
}

void PosteriorGraphDialog::chromosomeStep(Step step) {
    if (!m_layout)
        return;
    m_chromosome = viewer::stepped(m_chromosome, step, m_layout->chromosomeCount);
    transferToControls();
    update();
}

void PosteriorGraphDialog::replicationStep(Step step) {
    if (!m_layout)
        return;
    m_replication = viewer::stepped(m_replication, step, m_layout->replicationCount);
    transferToControls();
    update();
}

void PosteriorGraphDialog::onEditChanged() {
    transferFromControls();
    // A number past the layout shows as the one taken.
    showNavigation();
    update();
}

void PosteriorGraphDialog::onKindClicked() {
    transferFromControls();
    update();
}

void PosteriorGraphDialog::onShowAllClicked() {
    transferFromControls();
    enableReplicationControls(!m_showAll);
    m_showAverageCheck->setEnabled(!m_showAll);
    update();
}

void PosteriorGraphDialog::onShowAverageClicked() {
    transferFromControls();
    enableReplicationControls(!m_showAverage);
    m_showAllCheck->setEnabled(!m_showAverage);
    update();
}

void PosteriorGraphDialog::onOk() {
    if (transferFromControls())
        accept();
}

void PosteriorGraphDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    {
        QPainter painter(this);
        drawGraph(painter);
    }
    // The axis numbers alone: a mouse press repaints the dialog before its
    // click is sent, so copying the stored choices into the boxes here
    // would undo every click.
    showAxisNumbers();
}

void PosteriorGraphDialog::drawGraph(QPainter& painter) {
    m_drawn = {};
    m_note.clear();
    // Without a layout there is nothing whose length or count is known.
    if (!m_layout)
        return;
    const int length = m_layout->lengthOf(m_chromosome);
    fitLabelRoom(length);
    const PosteriorStatus status = loadPosteriorFile(*m_layout, m_kind, m_chromosome, m_rows);
    noteLoad(status);
    refreshRegions();
    m_xLabelValue = length;
    if (status != PosteriorStatus::Loaded) {
        // The rows still hold the chromosome read before: nothing of them,
        // nor this chromosome's regions over them, may pass for its graph.
        m_note = unreadNote(status);
        drawPosteriorNote(painter, size(), m_note, m_labelRoom);
        return;
    }
    m_drawn =
        drawPosteriorGraph(painter, size(), *m_layout, m_rows, selection(), m_regions, m_labelRoom);
    m_yLabelValue = m_drawn.yLabelValue;
}

void PosteriorGraphDialog::fitLabelRoom(int length) {
    const AxisLabelRoom room{viewer::editRoom(*m_yAxisEdit, QStringLiteral("100")),
                             viewer::editRoom(*m_xAxisEdit, QString::number(length))};
    if (room == m_labelRoom)
        return;
    m_labelRoom = room;
    placeControls();
}

QString PosteriorGraphDialog::unreadNote(PosteriorStatus status) const {
    const QString file = QString::fromStdString(posteriorFileName(m_kind, m_chromosome));
    return QStringLiteral("Chromosome %1 is not drawn: the posterior file %2 %3.")
        .arg(m_chromosome)
        .arg(file, status == PosteriorStatus::NotFound
                       ? QStringLiteral("cannot be opened")
                       : QStringLiteral("is not in correct format"));
}

void PosteriorGraphDialog::refreshRegions() {
    const FileStamp stamp = fileStampOf(qtlSummaryCsvName);
    if (m_regionStamp == stamp)
        return;
    m_regionStamp = stamp;
    m_regions.clear();
    try {
        if (const auto table = loadQtlSummaryCsv(qtlSummaryCsvName))
            m_regions = table->rows;
    } catch (const FileError& error) {
        // Shown once the drawing has finished, as a missing posterior file is.
        const std::string text = error.message();
        QMetaObject::invokeMethod(
            this, [this, text] { m_messages.error(text); }, Qt::QueuedConnection);
    }
}

PosteriorSelection PosteriorGraphDialog::selection() const {
    const PosteriorView view = m_showAll       ? PosteriorView::All
                               : m_showAverage ? PosteriorView::Average
                                               : PosteriorView::Single;
    return {m_chromosome, view, m_replication};
}

QString PosteriorGraphDialog::description() const {
    const QString kind = m_kind == PosteriorKind::Variance ? QStringLiteral("QTL variance")
                                                           : QStringLiteral("QTL intensity");
    QString view;
    if (m_showAll)
        view = QStringLiteral("all replications");
    else if (m_showAverage)
        view = QStringLiteral("average of the replications");
    else
        view = QStringLiteral("replication %1").arg(m_replication);
    return QStringLiteral("Chromosome %1: posterior %2, %3").arg(m_chromosome).arg(kind, view);
}

void PosteriorGraphDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (!nearPlot(posteriorPlotArea(width(), height(), m_labelRoom), event->pos())) {
        QDialog::contextMenuEvent(event);
        return;
    }
    std::unique_ptr<QMenu> menu(createPlotMenu());
    menu->exec(event->globalPos());
}

QMenu* PosteriorGraphDialog::createPlotMenu() {
    // Nothing is drawn before a layout is read, so there is nothing to save.
    QMenu* menu = ::createPlotMenu(
        this, m_layout && !m_drawn.curves.empty(), [this] { savePicture(); },
        [this] { saveValues(); });
    menu->addAction(QStringLiteral("Save genome picture..."), this, [this] { saveGenomePicture(); })
        ->setEnabled(m_layout.has_value());
    return menu;
}

QString PosteriorGraphDialog::suggestedName(const char* extension) const {
    return QStringLiteral("%1_%2.%3")
        .arg(m_kind == PosteriorKind::Variance ? "variance" : "intensity")
        .arg(m_chromosome, 2, 10, QLatin1Char('0'))
        .arg(extension);
}

bool PosteriorGraphDialog::savePicture() {
    // A chromosome whose file was not read has only the rows of another.
    if (!m_layout || m_drawn.curves.empty())
        return false;
    const QString caption = description();
    return exportPicture(this, m_messages, suggestedName("png"), size(), caption,
                         [this, &caption](QPainter& painter) {
                             paintPosteriorPicture(painter, size(), *m_layout, m_rows, selection(),
                                                   m_regions, caption);
                         });
}

bool PosteriorGraphDialog::saveGenomePicture() {
    if (!m_layout)
        return false;
    // Every file is read before the name is asked, so that a missing one is
    // told before the user chooses where the picture goes.
    std::string problem;
    const std::optional<GenomeIntensities> data = loadGenomeIntensities(*m_layout, problem);
    if (!data) {
        m_messages.error("The genome picture cannot be drawn: " + problem);
        return false;
    }
    const QString caption = genomeCaption(m_layout->replicationCount, !data->regions.empty());
    return exportPicture(this, m_messages, QStringLiteral("genome.png"), genomePictureSize, caption,
                         [&data, &caption](QPainter& painter) {
                             paintGenomePicture(painter, genomePictureSize, *data, caption);
                         });
}

bool PosteriorGraphDialog::saveValues() {
    if (!m_layout || m_drawn.curves.empty())
        return false;
    return exportValues(this, m_messages, suggestedName("csv"),
                        posteriorValueColumns(m_drawn, m_layout->replicationCount));
}

void PosteriorGraphDialog::noteLoad(PosteriorStatus status) {
    if (status == PosteriorStatus::Loaded) {
        m_reported.reset();
        return;
    }
    const std::pair<int, PosteriorKind> file{m_chromosome, m_kind};
    if (m_reported == file)
        return;
    m_reported = file;
    // A message box must not open inside a paint: it is shown once the
    // drawing has finished.
    const char* text =
        status == PosteriorStatus::NotFound ? posteriorMissingMessage : posteriorFormatMessage;
    QMetaObject::invokeMethod(
        this, [this, text] { m_messages.error(text); }, Qt::QueuedConnection);
}
