// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/MarkovDlg.h"

#include "model/FileError.h"
#include "model/TextFiles.h"
#include "viewers/GraphPalette.h"
#include "viewers/GraphPictures.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include <algorithm>
#include <memory>

using viewer::dialogRect;
using viewer::Step;

namespace {
constexpr int editHeight = 12;
constexpr int maxChainFileName = 10;
// In the order of ChainParameter. "QTL variance" is the random-effects
// variance of a QTL's allele effects, a parameter of the random model only;
// the share of the trait's variance a QTL explains follows the six
// parameters, since it is worked out from them.
constexpr const char* parameterLabels[7] = {
    "Family mean",       "QTL position",      "QTL variance",   "Number of alleles",
    "Effect of alleles", "Residual variance", "Variance share",
};
} // namespace

MarkovChainDialog::MarkovChainDialog(MessageSink& messages, FileChooser chooseFile, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_chooseFile(std::move(chooseFile)) {
    setWindowTitle("Display Markov chains for model parameters");
    createControls();
    connectControls();
    const QSize size = dialogRect(*this, 0, 0, 438, 175).size();
    resize(size);
    // Dialog units follow the font only roughly; the top row must fit.
    setMinimumWidth(placeControls());
    resize(std::max(size.width(), minimumWidth()), size.height());
}

void MarkovChainDialog::createControls() {
    m_okButton = new QPushButton("OK", this);
    m_okButton->setObjectName("okButton");
    m_okButton->setDefault(true);
    m_fileLabel = new QLabel("Specify a Markov chain file:", this);
    m_fileEdit = new QLineEdit(this);
    m_fileEdit->setObjectName("chainFileEdit");
    m_fileEdit->setMaxLength(maxChainFileName);
    m_browseButton = new QPushButton("Browse", this);
    m_browseButton->setObjectName("browseButton");
    m_browseButton->setAutoDefault(false);
    m_chainLabel = new QLabel("Change a chain:", this);
    m_chainEdit = new QLineEdit(this);
    m_chainEdit->setObjectName("chainEdit");
    m_chainEdit->setAlignment(Qt::AlignCenter);
    static constexpr const char* stepNames[4] = {"chainFirst", "chainPrevious", "chainNext",
                                                 "chainLast"};
    for (std::size_t i = 0; i < m_chainButtons.size(); ++i) {
        m_chainButtons[i] = new QPushButton(viewer::stepLabels[i], this);
        m_chainButtons[i]->setObjectName(stepNames[i]);
        m_chainButtons[i]->setAutoDefault(false);
    }
    m_parameterGroup = new QButtonGroup(this);
    for (std::size_t i = 0; i < m_parameterRadios.size(); ++i) {
        m_parameterRadios[i] = new QRadioButton(parameterLabels[i], this);
        m_parameterRadios[i]->setObjectName(QString("parameterRadio%1").arg(i));
        m_parameterGroup->addButton(m_parameterRadios[i], static_cast<int>(i));
    }
    m_highEdit = new QLineEdit(this);
    m_highEdit->setObjectName("highEdit");
    m_lowEdit = new QLineEdit(this);
    m_lowEdit->setObjectName("lowEdit");
    m_samplesEdit = new QLineEdit(this);
    m_samplesEdit->setObjectName("samplesEdit");
    m_samplesEdit->setToolTip("Saved samples");
    for (QLineEdit* edit : {m_highEdit, m_lowEdit, m_samplesEdit}) {
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setAlignment(Qt::AlignRight);
    }
}

void MarkovChainDialog::connectControls() {
    for (std::size_t i = 0; i < m_chainButtons.size(); ++i) {
        const auto step = static_cast<Step>(i);
        connect(m_chainButtons[i], &QPushButton::clicked, this, [this, step] { chainStep(step); });
    }
    for (QRadioButton* radio : m_parameterRadios)
        connect(radio, &QRadioButton::clicked, this, &MarkovChainDialog::onParameterClicked);
    connect(m_browseButton, &QPushButton::clicked, this, &MarkovChainDialog::onBrowse);
    connect(m_okButton, &QPushButton::clicked, this, &MarkovChainDialog::onOk);
}

int MarkovChainDialog::placeControls() {
    const int h = dialogRect(*this, 0, 0, 0, editHeight).height();
    const int margin = dialogRect(*this, 7, 0, 0, 0).width();
    const int button = dialogRect(*this, 0, 0, 20, 0).width();
    const int y = h / 2;
    int x = viewer::placeInRow(*m_okButton, margin, y, h, dialogRect(*this, 0, 0, 40, 0).width());
    x = viewer::placeInRow(*m_fileLabel, x, y, h);
    x = viewer::placeInRow(*m_fileEdit, x, y, h, dialogRect(*this, 0, 0, 52, 0).width());
    x = viewer::placeInRow(*m_browseButton, x, y, h);
    x = viewer::placeInRow(*m_chainLabel, x + margin, y, h);
    for (std::size_t i = 0; i < 2; ++i)
        x = viewer::placeInRow(*m_chainButtons[i], x, y, h, button);
    x = viewer::placeInRow(*m_chainEdit, x, y, h, dialogRect(*this, 0, 0, 26, 0).width());
    for (std::size_t i = 2; i < 4; ++i)
        x = viewer::placeInRow(*m_chainButtons[i], x, y, h, button);
    int right = x + margin;

    // The radios share the bottom edge; the axis numbers follow the axes.
    int radioX = margin;
    for (QRadioButton* radio : m_parameterRadios)
        radioX = viewer::placeInRow(*radio, radioX, height() - h * 3 / 2, h) + margin;
    right = std::max(right, radioX);
    const PlotArea area = chainPlotArea(width(), height(), m_labelRoom);
    const int left = std::max(area.x0 - 4, 20);
    m_highEdit->setGeometry(2, area.yTop - h / 2, left, h);
    m_lowEdit->setGeometry(2, area.y0 - h / 2, left, h);
    m_samplesEdit->setGeometry(area.x1 + 2, area.y0 - h / 2, std::max(width() - area.x1 - 4, 20),
                               h);
    return right;
}

void MarkovChainDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeControls();
}

void MarkovChainDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        openingSteps();
}

void MarkovChainDialog::openingSteps() {
    // Counts that were never read stay out of the chain counts.
    m_layout = loadRunLayout(m_messages, RunLayoutDepth::ModelAndQtl);
    const bool read = m_layout.has_value();
    m_chain = 1;
    m_parameter = static_cast<int>(ChainParameter::FamilyMean);
    m_chainFileName = chainFileTitle(1, true);
    m_parameterRadios[1]->setEnabled(read);
    m_parameterRadios[2]->setEnabled(read && m_layout->qtlModelLetter == 'r');
    m_parameterRadios[3]->setEnabled(read && m_layout->alleleNumberLetter == 'y');
    m_parameterRadios[6]->setEnabled(read);
    recountChains();
    // The file may have been written, rewritten or removed since the last
    // opening, or the folder changed: the first paint reads it afresh.
    m_traceFile.clear();
    transferToControls();
    update();
}

int MarkovChainDialog::chainCountOf(int parameter) const {
    const auto heading = loadChainHeading(titleFile(m_chainFileName));
    return ::chainCount(static_cast<ChainParameter>(parameter), heading ? &*heading : nullptr,
                        m_layout ? &*m_layout : nullptr);
}

void MarkovChainDialog::recountChains() {
    m_chainCount = chainCountOf(m_parameter);
    m_chain = std::clamp(m_chain, 1, std::max(m_chainCount, 1));
    enableChainGroup(m_chainCount > 1);
}

void MarkovChainDialog::enableChainGroup(bool enable) {
    m_chainLabel->setEnabled(enable);
    m_chainEdit->setEnabled(enable);
    for (QPushButton* button : m_chainButtons)
        button->setEnabled(enable);
}

void MarkovChainDialog::transferToControls() {
    viewer::setEditText(*m_chainEdit, QString::number(m_chain));
    if (QAbstractButton* radio = m_parameterGroup->button(m_parameter)) {
        radio->setChecked(true);
    } else if (QAbstractButton* checked = m_parameterGroup->checkedButton()) {
        m_parameterGroup->setExclusive(false);
        checked->setChecked(false);
        m_parameterGroup->setExclusive(true);
    }
    // A longer name from Browse is shown whole rather than cut to a name the
    // user never chose; the length rule refuses it when the edit is taken.
    const QString file = QString::fromStdString(m_chainFileName);
    m_fileEdit->setMaxLength(std::max(maxChainFileName, static_cast<int>(file.size())));
    viewer::setEditText(*m_fileEdit, file);
    showAxisNumbers();
}

void MarkovChainDialog::showAxisNumbers() {
    const bool drawn = m_range.has_value();
    viewer::showAxisNumber(*m_highEdit, drawn ? viewer::axisNumber(m_range->high) : QString());
    viewer::showAxisNumber(*m_lowEdit, drawn ? viewer::axisNumber(m_range->low) : QString());
    viewer::showAxisNumber(*m_samplesEdit,
                           drawn ? QString::number(m_trace.values.size()) : QString());
}

AxisLabelRoom MarkovChainDialog::labelRoom() const {
    if (!m_range)
        return {};
    return {std::max(viewer::editRoom(*m_highEdit, viewer::axisNumber(m_range->high)),
                     viewer::editRoom(*m_lowEdit, viewer::axisNumber(m_range->low))),
            viewer::editRoom(*m_samplesEdit, QString::number(m_trace.values.size()))};
}

bool MarkovChainDialog::transferFromControls() {
    const auto chain = viewer::takeInteger(*m_chainEdit, 1, 100, m_messages);
    if (!chain)
        return false;
    m_chain = *chain;
    m_parameter = m_parameterGroup->checkedId();
    const QString file = m_fileEdit->text();
    if (file.size() > maxChainFileName) {
        m_messages.error("Please enter no more than " + std::to_string(maxChainFileName) +
                         " characters.");
        return false;
    }
    m_chainFileName = file.toStdString();
    return true;
}

void MarkovChainDialog::chainStep(Step step) {
    m_chain = viewer::stepped(m_chain, step, std::max(m_chainCount, 1));
    transferToControls();
    update();
}

void MarkovChainDialog::onParameterClicked() {
    transferFromControls();
    m_chain = 1;
    recountChains();
    transferToControls();
    update();
}

void MarkovChainDialog::onBrowse() {
    if (!m_chooseFile)
        return;
    if (const auto title = m_chooseFile()) {
        m_chainFileName = *title;
        // Another run may have other families or QTL slots.
        recountChains();
        transferToControls();
        update();
    }
}

void MarkovChainDialog::onOk() {
    if (transferFromControls())
        accept();
}

void MarkovChainDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    {
        refreshTrace();
        // A wider number moves the axis in, and its edit with it.
        if (const AxisLabelRoom room = labelRoom(); room != m_labelRoom) {
            m_labelRoom = room;
            placeControls();
        }
        QPainter painter(this);
        drawChainGraph(painter, size(), m_trace.values, m_range, m_note, m_labelRoom);
    }
    showAxisNumbers();
}

void MarkovChainDialog::refreshTrace() {
    if (m_parameter < 0)
        return;
    const std::string file = titleFile(m_chainFileName);
    const std::string column = chainColumnName(static_cast<ChainParameter>(m_parameter), m_chain);
    const FileStamp stamp = fileStampOf(file);
    if (file == m_traceFile && column == m_traceColumn && stamp == m_traceStamp)
        return;
    m_traceFile = file;
    m_traceColumn = column;
    m_traceStamp = stamp;
    m_range.reset();
    try {
        m_trace = loadChainColumn(file, column);
    } catch (const FileError& error) {
        m_trace = {};
        m_note = QString("The chain file is not in correct format: %1, line %2")
                     .arg(QString::fromStdString(file))
                     .arg(error.place().number);
        return;
    }
    if (m_trace.status == ChainStatus::Loaded)
        m_range = valueRange(m_trace.values);
    m_note = traceNote(QString::fromStdString(file), stamp.exists);
}

QString MarkovChainDialog::traceNote(const QString& file, bool exists) const {
    if (m_trace.status == ChainStatus::NotFound)
        return exists ? QString("The chain file cannot be read: %1").arg(file)
                      : QString("The chain file is not found: %1").arg(file);
    return m_range ? QString() : QString("No values for this chain in %1").arg(file);
}

void MarkovChainDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (!nearPlot(chainPlotArea(width(), height(), m_labelRoom), event->pos())) {
        QDialog::contextMenuEvent(event);
        return;
    }
    std::unique_ptr<QMenu> menu(createPlotMenu());
    menu->exec(event->globalPos());
}

QMenu* MarkovChainDialog::createPlotMenu() {
    // Only a trace that was read has anything to save.
    return ::createPlotMenu(
        this, m_range.has_value(), [this] { savePicture(); }, [this] { saveValues(); });
}

QString MarkovChainDialog::suggestedName(const char* extension) const {
    return QStringLiteral("%1_%2.%3")
        .arg(QString::fromStdString(m_traceFile).section('.', 0, 0),
             QString::fromStdString(m_traceColumn), QString::fromLatin1(extension));
}

bool MarkovChainDialog::savePicture() {
    if (!m_range)
        return false;
    const QString caption =
        QStringLiteral("%1 in %2")
            .arg(QString::fromStdString(m_traceColumn), QString::fromStdString(m_traceFile));
    return exportPicture(this, m_messages, suggestedName("png"), size(), caption,
                         [this, &caption](QPainter& painter) {
                             paintChainPicture(painter, size(), m_trace.values, m_range, m_note,
                                               caption);
                         });
}

bool MarkovChainDialog::saveValues() {
    if (!m_range)
        return false;
    std::vector<ValueColumn> columns(2);
    columns[0].heading = "sample";
    for (std::size_t i = 1; i <= m_trace.values.size(); ++i)
        columns[0].values.push_back(static_cast<double>(i));
    columns[1] = {m_traceColumn, m_trace.values};
    return exportValues(this, m_messages, suggestedName("csv"), columns);
}
