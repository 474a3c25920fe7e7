#include "analysis/ParDlg.h"

#include "analysis/AnalysisDefaults.h"
#include "analysis/AnalysisFields.h"
#include "analysis/AnalysisInputFile.h"
#include "analysis/GenomeFile.h"
#include "analysis/QtlPriorEditor.h"
#include "app/FileChooser.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

using V = AnalysisValues;

namespace {

constexpr int choiceFirst = 0;
constexpr int choiceSecond = 1;

QString controlName(std::string_view id, const char* suffix) {
    return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())) + QLatin1String(suffix);
}

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* makeButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    // Enter must not press anything: the dialog has no default button.
    button->setAutoDefault(false);
    return button;
}

bool isPriorType(const AnalysisField& field) {
    return field.id.ends_with("PriorType");
}

} // namespace

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

// Every field but the choices gets its control and label here; the columns
// then place them by id.
void AnalysisParamDialog::createFieldControls() {
    for (const AnalysisField& field : analysisFields()) {
        if (!field.group.empty() && !m_headings.contains(field.group))
            m_headings.emplace(field.group, new QLabel(qText(field.group), this));
        switch (field.kind) {
        case FieldKind::Choice:
            break;
        case FieldKind::Flag: {
            auto* check = new QCheckBox(qText(field.label), this);
            check->setObjectName(controlName(field.id, "Check"));
            break;
        }
        default: {
            auto* label = new QLabel(qText(field.label), this);
            label->setObjectName(controlName(field.id, "Label"));
            m_labels.emplace(field.id, label);
            if (isPriorType(field)) {
                auto* list = new QComboBox(this);
                list->setObjectName(controlName(field.id, "Combo"));
                list->setEditable(true);
                list->setInsertPolicy(QComboBox::NoInsert);
                list->addItems({QStringLiteral("POISSON"), QStringLiteral("UNIFORM")});
                label->setBuddy(list);
                break;
            }
            auto* edit = new QLineEdit(this);
            edit->setObjectName(controlName(field.id, "Edit"));
            if (field.kind == FieldKind::Text && field.maxLength > 0)
                FieldTransfer::limitTyping(*edit, field.maxLength);
            const int characters = fontMetrics().averageCharWidth();
            if (field.kind != FieldKind::Text) {
                edit->setAlignment(Qt::AlignRight);
                edit->setMinimumWidth(characters * 10);
            } else {
                edit->setMaximumWidth(characters * 16);
            }
            label->setBuddy(edit);
        }
        }
    }
    auto* type = findChild<QLineEdit*>(QStringLiteral("progenyTypeEdit"));
    type->setReadOnly(true);
    findChild<QLineEdit*>(QStringLiteral("currentQtlEdit"))->setAlignment(Qt::AlignCenter);
}

QLayout* AnalysisParamDialog::createLeftColumn() {
    auto* column = new QVBoxLayout;
    m_okButton = makeButton(QStringLiteral("Ok"), "okButton", this);
    m_cancelButton = makeButton(QStringLiteral("Cancel"), "cancelButton", this);
    column->addWidget(m_okButton);
    column->addWidget(m_cancelButton);

    auto* defaults = new QGroupBox(QStringLiteral("Default"), this);
    auto* defaultsLayout = new QVBoxLayout(defaults);
    m_useDefaultButton = makeButton(QStringLiteral("Use default"), "useDefaultButton", defaults);
    m_setDefaultButton = makeButton(QStringLiteral("Set as default"), "setDefaultButton", defaults);
    defaultsLayout->addWidget(m_useDefaultButton);
    defaultsLayout->addWidget(m_setDefaultButton);
    column->addWidget(defaults);

    for (std::string_view id :
         {"samplingMethod", "qtlNumberMode", "qtlEffect", "alleleNumberMode"}) {
        const AnalysisField& field = *findAnalysisField(id);
        auto* box = new QGroupBox(qText(field.label), this);
        auto* boxLayout = new QVBoxLayout(box);
        auto* group = new QButtonGroup(this);
        group->setObjectName(controlName(id, "Group"));
        for (int option : {choiceFirst, choiceSecond}) {
            auto* radio =
                new QRadioButton(qText(field.options[static_cast<std::size_t>(option)]), box);
            radio->setObjectName(controlName(id, "Radio") + QString::number(option));
            group->addButton(radio, option);
            boxLayout->addWidget(radio);
        }
        column->addWidget(box);
    }
    column->addStretch(1);
    return column;
}

QLayout* AnalysisParamDialog::createMiddleColumn() {
    auto* column = new QVBoxLayout;
    column->addWidget(createFilesGroup());
    column->addWidget(createRunsGroup());
    column->addStretch(1);
    return column;
}

QLayout* AnalysisParamDialog::createRightColumn() {
    auto* column = new QVBoxLayout;
    column->addWidget(createQtlPriorGroup());
    column->addWidget(createOtherPriorsGroup());
    column->addStretch(1);
    return column;
}

QGroupBox* AnalysisParamDialog::createFilesGroup() {
    auto* box = new QGroupBox(QStringLiteral("Input files"), this);
    auto* grid = new QGridLayout(box);
    int row = 0;
    for (std::string_view id :
         {"genomeFile", "f1MarkerFile", "progenyMarkerFile", "traitFile", "pedigreeFile"}) {
        grid->addWidget(label(id), row, 0);
        grid->addWidget(fieldControl(id), row, 1);
        auto* browse = makeButton(QStringLiteral("..."), "", box);
        browse->setObjectName(controlName(id, "Browse"));
        browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);
        m_browseButtons.emplace(id, browse);
        grid->addWidget(browse, row++, 2);
    }
    grid->addWidget(label("progenyType"), row, 0);
    grid->addWidget(fieldControl("progenyType"), row, 1);
    grid->setColumnStretch(3, 1);
    return box;
}

QGroupBox* AnalysisParamDialog::createRunsGroup() {
    auto* box = new QGroupBox(QStringLiteral("MCMC Runs and Iterations"), this);
    auto* grid = new QGridLayout(box);
    int row = 0;
    for (std::string_view id : {"metaRuns", "burnInIterations", "totalIterations",
                                "iterationsPerSave", "randomSeed", "binLength"}) {
        grid->addWidget(label(id), row, 0);
        grid->addWidget(fieldControl(id), row++, 1);
    }
    row = 0;
    for (std::string_view id :
         {"updateMissingMarkers", "overdisperseStart", "singleResidualVariance",
          "additionalRunWithoutQtl", "saveChainValues"})
        grid->addWidget(fieldControl(id), row++, 2);
    grid->setColumnMinimumWidth(1, fontMetrics().averageCharWidth() * 10);
    return box;
}

QGroupBox* AnalysisParamDialog::createQtlPriorGroup() {
    auto* box = new QGroupBox(QStringLiteral("Prior information of QTL"), this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(fieldControl("qtlCount"), 0, 0);
    grid->addWidget(label("qtlCount"), 0, 1, 1, 3);

    grid->addWidget(label("currentQtl"), 1, 0, 1, 1, Qt::AlignRight);
    auto* steps = new QHBoxLayout;
    static constexpr const char* stepNames[4] = {"qtlFirstButton", "qtlPreviousButton",
                                                 "qtlNextButton", "qtlLastButton"};
    for (std::size_t i = 0; i < m_stepButtons.size(); ++i) {
        m_stepButtons[i] = makeButton(QLatin1String(viewer::stepLabels[i]), stepNames[i], box);
        m_stepButtons[i]->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral(">>|")) * 2);
        steps->addWidget(m_stepButtons[i]);
        if (i == 1)
            steps->addWidget(fieldControl("currentQtl"));
    }
    grid->addLayout(steps, 1, 1, 1, 3);

    grid->addWidget(label("qtlChromosome"), 2, 0);
    grid->addWidget(fieldControl("qtlChromosome"), 2, 1);
    grid->addWidget(label("qtlPosition"), 2, 2);
    grid->addWidget(fieldControl("qtlPosition"), 2, 3);
    grid->addWidget(label("qtlAlleles"), 3, 0);
    grid->addWidget(fieldControl("qtlAlleles"), 3, 1);
    grid->addWidget(label("qtlVariance"), 3, 2);
    grid->addWidget(fieldControl("qtlVariance"), 3, 3);

    m_confirmButton = makeButton(QStringLiteral("Confirm"), "confirmButton", box);
    m_confirmButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    grid->addWidget(m_confirmButton, 1, 4, 3, 1);
    return box;
}

QGroupBox* AnalysisParamDialog::createOtherPriorsGroup() {
    auto* box = new QGroupBox(QStringLiteral("Other priors and parameters"), this);
    auto* grid = new QGridLayout(box);
    const auto place = [this, grid](std::string_view id, int row, int column) {
        grid->addWidget(label(id), row, column, Qt::AlignRight);
        grid->addWidget(fieldControl(id), row, column + 1);
    };
    grid->addWidget(heading("Prior for QTL number ==>"), 0, 0);
    place("qtlNumberPriorType", 0, 1);
    place("qtlNumberPoissonMean", 0, 3);
    grid->addWidget(heading("Prior for allele number ==>"), 1, 0);
    place("alleleNumberPriorType", 1, 1);
    place("alleleNumberPoissonMean", 1, 3);
    grid->addWidget(heading("Radius of change ==>"), 2, 0);
    place("qtlPositionRadius", 2, 1);
    place("qtlVarianceRadius", 2, 3);
    place("alleleEffectRadius", 3, 1);
    place("familyMeanRadius", 3, 3);
    place("familyVarianceRadius", 4, 1);
    grid->addWidget(heading("Maximum Value ==>"), 5, 0);
    place("maxQtlVariance", 5, 1);
    place("maxFamilyMean", 5, 3);
    place("maxFamilyVariance", 6, 1);
    return box;
}

void AnalysisParamDialog::connectControls() {
    const auto onClick = [this](std::string_view id, int option,
                                void (AnalysisParamDialog::*handler)()) {
        connect(choiceButton(id, option), &QAbstractButton::clicked, this, handler);
    };
    onClick("samplingMethod", choiceFirst, &AnalysisParamDialog::onMetropolisHastings);
    onClick("samplingMethod", choiceSecond, &AnalysisParamDialog::onGibbs);
    onClick("qtlEffect", choiceFirst, &AnalysisParamDialog::onRandomEffect);
    onClick("qtlEffect", choiceSecond, &AnalysisParamDialog::onFixedEffect);
    onClick("qtlNumberMode", choiceFirst, &AnalysisParamDialog::onVariableQtlNumber);
    onClick("qtlNumberMode", choiceSecond, &AnalysisParamDialog::onFixedQtlNumber);
    onClick("alleleNumberMode", choiceFirst, &AnalysisParamDialog::onVariableAlleles);
    onClick("alleleNumberMode", choiceSecond, &AnalysisParamDialog::onFixedAlleles);

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
    choiceButton("qtlEffect", choiceSecond)->setEnabled(!gibbs);
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
    choiceButton("alleleNumberMode", choiceFirst)->setEnabled(false);
    transferToControls();
}

// Choices -------------------------------------------------------------------

void AnalysisParamDialog::onMetropolisHastings() {
    transferFromControls();
    enableSamplerTuning(true);
    choiceButton("qtlEffect", choiceSecond)->setEnabled(true);
    enableQtlVarianceTuning(m_parameters.qtlEffect == QtlEffectModel::Random);
}

void AnalysisParamDialog::onGibbs() {
    m_parameters.samplingMethod = SamplingMethod::Gibbs;
    m_parameters.qtlEffect = QtlEffectModel::Random;
    enableSamplerTuning(false);
    enableQtlVarianceTuning(false);
    choiceButton("qtlEffect", choiceSecond)->setEnabled(false);
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
    choiceButton("alleleNumberMode", choiceFirst)->setEnabled(false);
    enableQtlNumberPrior(true);
    transferToControls();
}

void AnalysisParamDialog::onFixedQtlNumber() {
    m_parameters.qtlNumberMode = CountMode::Fixed;
    choiceButton("alleleNumberMode", choiceFirst)->setEnabled(true);
    enableQtlNumberPrior(false);
    transferToControls();
}

// Variable numbers of QTL and of alleles are never chosen together.
void AnalysisParamDialog::onVariableAlleles() {
    m_parameters.alleleNumberMode = CountMode::Variable;
    enableAlleleNumberPrior(true);
    enableAlleleEntry(true);
    m_parameters.qtlNumberMode = CountMode::Fixed;
    choiceButton("qtlNumberMode", choiceFirst)->setEnabled(false);
    enableQtlNumberPrior(false);
    transferToControls();
}

void AnalysisParamDialog::onFixedAlleles() {
    enableAlleleNumberPrior(false);
    resetAlleleNumbers(m_parameters);
    m_parameters.alleleNumberMode = CountMode::Fixed;
    m_parameters.qtlNumberMode = CountMode::Variable;
    choiceButton("qtlNumberMode", choiceFirst)->setEnabled(true);
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

void AnalysisParamDialog::onSetDefault() {
    transferFromControls();
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

void AnalysisParamDialog::onOk() {
    transferFromControls();
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
    // The closing step reads the fields once more; a field that fails there
    // keeps the dialog open, though the file is already written.
    if (transferFromControls())
        accept();
}

void AnalysisParamDialog::showError(const std::string& text) {
    m_messages.error(text);
}
