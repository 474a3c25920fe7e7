// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/ParDlg.h"

#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFields.h"
#include "analysis/AnalysisFiles.h"
#include "analysis/GenomeTable.h"
#include "analysis/QtlPriorEditor.h"
#include "widgets/FileChooser.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

using V = AnalysisValues;

AnalysisParamDialog::AnalysisParamDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_transfer(*this, messages) {
    setWindowTitle(QStringLiteral("Set parameters for MCMC analysis"));
    setObjectName(QStringLiteral("analysisParamDialog"));
    createFieldControls();
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(createLeftColumn());
    columns->addLayout(createMiddleColumn());
    columns->addLayout(createRightColumn(), 1);
    connectControls();
}

void AnalysisParamDialog::connectControls() {
    const auto onClick = [this](std::string_view id, int option,
                                void (AnalysisParamDialog::*handler)()) {
        connect(choiceButton(id, option), &QAbstractButton::clicked, this, handler);
    };
    onClick("samplingMethod", firstOption, &AnalysisParamDialog::onMetropolisHastings);
    onClick("samplingMethod", secondOption, &AnalysisParamDialog::onGibbs);
    onClick("qtlEffect", firstOption, &AnalysisParamDialog::onRandomEffect);
    onClick("qtlEffect", secondOption, &AnalysisParamDialog::onFixedEffect);
    onClick("qtlNumberMode", firstOption, &AnalysisParamDialog::onVariableQtlNumber);
    onClick("qtlNumberMode", secondOption, &AnalysisParamDialog::onFixedQtlNumber);
    onClick("alleleNumberMode", firstOption, &AnalysisParamDialog::onVariableAlleles);
    onClick("alleleNumberMode", secondOption, &AnalysisParamDialog::onFixedAlleles);

    // Only the user's own edits react; refreshing the controls emits neither
    // textEdited nor activated.
    connect(qobject_cast<QComboBox*>(fieldControl("alleleNumberPriorType")), &QComboBox::activated,
            this, &AnalysisParamDialog::onAllelePriorChosen);
    const auto onEdited = [this](std::string_view id, void (AnalysisParamDialog::*handler)()) {
        connect(qobject_cast<QLineEdit*>(fieldControl(id)), &QLineEdit::textEdited, this, handler);
    };
    onEdited("qtlCount", &AnalysisParamDialog::onQtlCountEdited);
    onEdited("currentQtl", &AnalysisParamDialog::onCurrentQtlEdited);
    onEdited("pedigreeFile", &AnalysisParamDialog::onPedigreeEdited);

    for (std::size_t i = 0; i < m_stepButtons.size(); ++i) {
        const auto step = static_cast<viewer::Step>(i);
        connect(m_stepButtons[i], &QPushButton::clicked, this, [this, step] { qtlStep(step); });
    }
    const std::pair<const char*, std::string V::*> files[] = {
        {"genomeFile", &V::genomeFile},
        {"f1MarkerFile", &V::f1MarkerFile},
        {"progenyMarkerFile", &V::progenyMarkerFile},
        {"traitFile", &V::traitFile},
        {"pedigreeFile", &V::pedigreeFile}};
    for (const auto& [id, member] : files)
        connect(m_browseButtons.find(id)->second, &QPushButton::clicked, this,
                [this, member] { onChooseFile(member); });

    connect(m_confirmButton, &QPushButton::clicked, this, &AnalysisParamDialog::onConfirm);
    connect(m_setDefaultButton, &QPushButton::clicked, this, &AnalysisParamDialog::onSetDefault);
    connect(m_useDefaultButton, &QPushButton::clicked, this, &AnalysisParamDialog::onUseDefault);
    connect(m_okButton, &QPushButton::clicked, this, &AnalysisParamDialog::onOk);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* AnalysisParamDialog::fieldControl(std::string_view id) const {
    return qobject_cast<QWidget*>(m_transfer.control(id));
}

QAbstractButton* AnalysisParamDialog::choiceButton(std::string_view id, int option) const {
    return qobject_cast<QButtonGroup*>(m_transfer.control(id))->button(option);
}

QLabel* AnalysisParamDialog::label(std::string_view id) const {
    return m_labels.find(id)->second;
}

QLabel* AnalysisParamDialog::heading(std::string_view group) const {
    return m_headings.find(group)->second;
}

bool AnalysisParamDialog::transferFromControls() {
    return m_transfer.fromControls(analysisFields(),
                                   [this](const AnalysisField& field, const std::string& text) {
                                       return setFieldText(m_parameters, field, text);
                                   });
}

void AnalysisParamDialog::transferToControls() {
    m_transfer.toControls(analysisFields(), [this](const AnalysisField& field) {
        return fieldText(m_parameters, field);
    });
}

// Enabling ------------------------------------------------------------------

void AnalysisParamDialog::enableFields(std::initializer_list<std::string_view> ids, bool enable) {
    for (std::string_view id : ids) {
        fieldControl(id)->setEnabled(enable);
        if (const auto found = m_labels.find(id); found != m_labels.end())
            found->second->setEnabled(enable);
    }
}

void AnalysisParamDialog::enableNavigation(bool enable) {
    for (QPushButton* button : m_stepButtons)
        button->setEnabled(enable);
    enableFields({"currentQtl"}, enable);
}

void AnalysisParamDialog::enableQtlNumberPrior(bool enable) {
    heading("Prior for QTL number ==>")->setEnabled(enable);
    enableFields({"qtlNumberPriorType", "qtlNumberPoissonMean"}, enable);
}

void AnalysisParamDialog::enableAlleleNumberPrior(bool enable) {
    heading("Prior for allele number ==>")->setEnabled(enable);
    enableFields({"alleleNumberPriorType", "alleleNumberPoissonMean"}, enable);
}

void AnalysisParamDialog::enableAlleleEntry(bool enable) {
    enableFields({"qtlAlleles"}, enable);
}

void AnalysisParamDialog::enableSamplerTuning(bool enable) {
    heading("Radius of change ==>")->setEnabled(enable);
    heading("Maximum Value ==>")->setEnabled(enable);
    enableFields({"qtlPositionRadius", "alleleEffectRadius", "familyMeanRadius",
                  "familyVarianceRadius", "maxFamilyMean", "maxFamilyVariance"},
                 enable);
}

void AnalysisParamDialog::enableQtlVarianceTuning(bool enable) {
    enableFields({"qtlVarianceRadius", "maxQtlVariance"}, enable);
}

void AnalysisParamDialog::enableChromosomeEntry(bool enable) {
    enableFields({"qtlChromosome"}, enable);
}

// What a loaded defaults file implies; the QTL-number and allele-number
// buttons and the QTL-number prior stay as they were.
void AnalysisParamDialog::enableAfterDefaults() {
    const bool severalQtl = m_parameters.qtlCount >= 2;
    enableNavigation(severalQtl);
    enableChromosomeEntry(severalQtl);
    const bool gibbs = m_parameters.samplingMethod == SamplingMethod::Gibbs;
    enableSamplerTuning(!gibbs);
    choiceButton("qtlEffect", secondOption)->setEnabled(!gibbs);
    enableQtlVarianceTuning(!gibbs && m_parameters.qtlEffect == QtlEffectModel::Random);
    const bool variableAlleles = m_parameters.alleleNumberMode == CountMode::Variable;
    enableAlleleNumberPrior(variableAlleles);
    enableAlleleEntry(variableAlleles);
}

// Opening -------------------------------------------------------------------

void AnalysisParamDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        openingSteps();
}

void AnalysisParamDialog::openingSteps() {
    m_parameters.chromosomeTable.clear();
    m_parameters.qtlTable.clear();
    startAnalysisParameters(m_parameters);
    for (QWidget* child : findChildren<QWidget*>())
        child->setEnabled(true);
    // The QTL-variance tuning and "Gibbs sampling" stay enabled: the start
    // values (Metropolis-Hastings, Random effect) are exactly when the tuning
    // values are written, and Gibbs sampling is a choice the engine offers.
    enableNavigation(false);
    enableAlleleNumberPrior(false);
    choiceButton("alleleNumberMode", firstOption)->setEnabled(false);
    transferToControls();
}

// Choices -------------------------------------------------------------------

void AnalysisParamDialog::onMetropolisHastings() {
    transferFromControls();
    enableSamplerTuning(true);
    choiceButton("qtlEffect", secondOption)->setEnabled(true);
    enableQtlVarianceTuning(m_parameters.qtlEffect == QtlEffectModel::Random);
}

void AnalysisParamDialog::onGibbs() {
    m_parameters.samplingMethod = SamplingMethod::Gibbs;
    m_parameters.qtlEffect = QtlEffectModel::Random;
    enableSamplerTuning(false);
    enableQtlVarianceTuning(false);
    choiceButton("qtlEffect", secondOption)->setEnabled(false);
    transferToControls();
}

void AnalysisParamDialog::onRandomEffect() {
    m_parameters.qtlEffect = QtlEffectModel::Random;
    enableQtlVarianceTuning(m_parameters.samplingMethod == SamplingMethod::MetropolisHastings);
    enableFields({"qtlVariance"}, true);
}

void AnalysisParamDialog::onFixedEffect() {
    m_parameters.qtlEffect = QtlEffectModel::Fixed;
    enableQtlVarianceTuning(false);
}

void AnalysisParamDialog::onVariableQtlNumber() {
    m_parameters.qtlNumberMode = CountMode::Variable;
    choiceButton("alleleNumberMode", firstOption)->setEnabled(false);
    enableQtlNumberPrior(true);
    transferToControls();
}

void AnalysisParamDialog::onFixedQtlNumber() {
    m_parameters.qtlNumberMode = CountMode::Fixed;
    choiceButton("alleleNumberMode", firstOption)->setEnabled(true);
    enableQtlNumberPrior(false);
    transferToControls();
}

// Variable numbers of QTL and of alleles are never chosen together.
void AnalysisParamDialog::onVariableAlleles() {
    m_parameters.alleleNumberMode = CountMode::Variable;
    enableAlleleNumberPrior(true);
    enableAlleleEntry(true);
    m_parameters.qtlNumberMode = CountMode::Fixed;
    choiceButton("qtlNumberMode", firstOption)->setEnabled(false);
    enableQtlNumberPrior(false);
    transferToControls();
}

void AnalysisParamDialog::onFixedAlleles() {
    enableAlleleNumberPrior(false);
    resetAlleleNumbers(m_parameters);
    m_parameters.alleleNumberMode = CountMode::Fixed;
    m_parameters.qtlNumberMode = CountMode::Variable;
    choiceButton("qtlNumberMode", firstOption)->setEnabled(true);
    enableQtlNumberPrior(true);
    transferToControls();
}

// Reactions to edits ----------------------------------------------------------

void AnalysisParamDialog::onAllelePriorChosen() {
    transferFromControls();
    enableFields({"alleleNumberPoissonMean"}, m_parameters.alleleNumberPriorType != "UNIFORM");
}

// Every edit of the count, even a half-typed one, rebuilds the table: a text
// that fails its check leaves the previous count, and the table is rebuilt
// with that.
void AnalysisParamDialog::onQtlCountEdited() {
    transferFromControls();
    rebuildQtlTable(m_parameters);
    loadEditorFromRecord(m_parameters);
    transferToControls();
    const bool severalQtl = m_parameters.qtlCount >= 2;
    if (!severalQtl) {
        m_parameters.currentQtl = 1;
        m_parameters.qtlChromosome = 0;
        transferToControls();
    }
    enableNavigation(severalQtl);
    // The single QTL's chromosome must be typed before Confirm takes it.
    enableChromosomeEntry(true);
}

void AnalysisParamDialog::onCurrentQtlEdited() {
    const int shown = m_parameters.currentQtl;
    transferFromControls();
    if (!currentQtlInTable(m_parameters)) {
        m_parameters.currentQtl = shown;
        showError(currentQtlRangeMessage);
        m_transfer.setText(*m_transfer.control("currentQtl"), QString::number(shown));
        return;
    }
    loadEditorFromRecord(m_parameters);
    transferToControls();
}

void AnalysisParamDialog::onPedigreeEdited() {
    transferFromControls();
    if (readPedigreeType(m_parameters))
        transferToControls();
}

void AnalysisParamDialog::qtlStep(viewer::Step step) {
    m_parameters.currentQtl = viewer::stepped(m_parameters.currentQtl, step, m_parameters.qtlCount);
    loadEditorFromRecord(m_parameters);
    transferToControls();
}

// Buttons -------------------------------------------------------------------

void AnalysisParamDialog::onConfirm() {
    transferFromControls();
    if (!m_parameters.genomeLoaded())
        readGenomeFile(m_parameters, m_messages);
    if (const auto refusal = editorRefusal(m_parameters)) {
        showError(*refusal);
        return;
    }
    storeEditor(m_parameters);
    if (qtlVarianceExceeded(m_parameters))
        showError(qtlVarianceSumMessage);
}

void AnalysisParamDialog::onChooseFile(std::string AnalysisValues::*field) {
    if (const auto title = chooseFileTitle(this)) {
        m_parameters.*field = title->toStdString();
        transferToControls();
    }
    if (field == &V::pedigreeFile && readPedigreeType(m_parameters))
        transferToControls();
}

// A field that fails its check stops the save: the file would otherwise hold
// the earlier values of that field and every later one, values the dialog
// does not show.
void AnalysisParamDialog::onSetDefault() {
    if (!transferFromControls())
        return;
    if (const auto refusal = defaultsRefusal(m_parameters)) {
        showError(*refusal);
        return;
    }
    if (!writeAnalysisDefaults(m_parameters))
        showError(defaultsNotWrittenMessage);
}

// The file names used are those last read or refreshed: the fields are not
// read first.
void AnalysisParamDialog::onUseDefault() {
    readGenomeFile(m_parameters, m_messages);
    if (m_parameters.chromosomeCount == -1)
        return;
    if (!readPedigreeType(m_parameters)) {
        showError(analysisPedigreeNotFoundMessage);
        return;
    }
    if (readAnalysisDefaults(m_parameters, m_messages) != DefaultsOutcome::Loaded)
        return;
    enableAfterDefaults();
    transferToControls();
}

// A field that fails its check stops Ok before anything is written, with
// what the user typed still in the controls: writing would put the earlier
// values of that field and every later one into the file.
void AnalysisParamDialog::onOk() {
    if (!transferFromControls())
        return;
    if (!readPedigreeType(m_parameters)) {
        showError(analysisPedigreeNotFoundMessage);
        return;
    }
    if (const auto refusal = inputRefusal(m_parameters)) {
        showError(*refusal);
        return;
    }
    if (!writeAnalysisInput(m_parameters)) {
        showError(inputNotWrittenMessage);
        return;
    }
    accept();
}

void AnalysisParamDialog::showError(const std::string& text) {
    m_messages.error(text);
}
