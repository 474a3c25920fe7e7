// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/SimuDlg.h"

#include "simulation/SimulationSetup.h"
#include "widgets/FieldTransfer.h"
#include "widgets/FileChooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>

using viewer::Step;

namespace {

const char* const progenyTypes[] = {"", "BC1", "BC2", "DHL", "F2"};
const char* const stepNames[4] = {"First", "Previous", "Next", "Last"};

constexpr int editChars = 11;

QString browseName(const char* id) {
    return QString::fromLatin1(id) + QStringLiteral("Browse");
}

QString editName(const char* id) {
    return QString::fromLatin1(id) + QStringLiteral("Edit");
}

QString labelName(const char* id) {
    return QString::fromLatin1(id) + QStringLiteral("Label");
}

QLineEdit* makeEdit(QWidget* parent, const char* id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(editName(id));
    edit->setFixedWidth(edit->fontMetrics().averageCharWidth() * editChars);
    const SimulationField* field = findSimulationField(id);
    if (field->kind != SimulationFieldKind::Text)
        edit->setAlignment(Qt::AlignRight);
    if (field->maxLength > 0)
        FieldTransfer::limitTyping(*edit, field->maxLength);
    return edit;
}

} // namespace

// The records one editor walks through: its current number, the table's
// total, how a record is put into the editor and what a wrong number says.
struct SimulationParamDialog::EditorRecords {
    const char* currentId;
    int SimulationParams::*current;
    int SimulationParams::*total;
    void (*select)(SimulationParams&, int);
    const char* rangeMessage;
};

namespace {

const SimulationParamDialog::EditorRecords chromosomeEditor{
    "currentChromosome", &SimulationParams::currentChromosome, &SimulationParams::totalChromosomes,
    selectChromosome, "CHROMOSOME NO EXCEEDED RANGE, PLEASE RE-ENTER!"};
const SimulationParamDialog::EditorRecords qtlEditor{"currentQtl", &SimulationParams::currentQtl,
                                                     &SimulationParams::totalQtl, selectQtl,
                                                     "QTL NO EXCEEDED RANGE, PLEASE RE-ENTER!"};

QString labelOf(const char* id) {
    return QString::fromLatin1(findSimulationField(id)->label);
}

} // namespace

SimulationParamDialog::SimulationParamDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages),
      m_transfer(*this, messages, SwitchTexts{QStringLiteral("y"), QStringLiteral("n")}) {
    setObjectName(QStringLiteral("simulationDialog"));
    setWindowTitle(QStringLiteral("Set parameters for simulation"));
    createControls();
}

QPushButton* SimulationParamDialog::addButton(const QString& text, const QString& name) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

void SimulationParamDialog::createControls() {
    QPushButton* ok = addButton(QStringLiteral("OK"), QStringLiteral("okButton"));
    ok->setDefault(true);
    QPushButton* setDefault =
        addButton(QStringLiteral("Set as default"), QStringLiteral("setDefaultButton"));
    QPushButton* cancel = addButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    QPushButton* useDefault =
        addButton(QStringLiteral("Use default"), QStringLiteral("useDefaultButton"));
    connect(ok, &QPushButton::clicked, this, &SimulationParamDialog::onOk);
    connect(setDefault, &QPushButton::clicked, this, &SimulationParamDialog::onSetDefault);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(useDefault, &QPushButton::clicked, this, &SimulationParamDialog::onUseDefault);

    auto* buttons = new QGridLayout;
    buttons->addWidget(ok, 0, 0);
    buttons->addWidget(setDefault, 0, 1);
    buttons->addWidget(cancel, 1, 0);
    buttons->addWidget(useDefault, 1, 1);

    auto* left = new QVBoxLayout;
    left->addLayout(buttons);
    left->addWidget(createInputFiles());
    left->addWidget(createOutputFiles());
    left->addStretch();
    auto* middle = new QVBoxLayout;
    middle->addWidget(createGeneralInformation());
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(createSingleChromosome());
    right->addWidget(createSingleQtl());
    right->addStretch();

    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);

    // Reactions follow the user's own edits only: textEdited and clicked
    // stay silent while the fields are shown.
    const auto onEdit = [this](const char* id, void (SimulationParamDialog::*handler)()) {
        connect(findChild<QLineEdit*>(editName(id)), &QLineEdit::textEdited, this, handler);
    };
    onEdit("totalQtl", &SimulationParamDialog::onTotalQtlEdited);
    onEdit("totalChromosomes", &SimulationParamDialog::onTotalChromosomesEdited);
    for (const EditorRecords* editor : {&chromosomeEditor, &qtlEditor})
        connect(findChild<QLineEdit*>(editName(editor->currentId)), &QLineEdit::textEdited, this,
                [this, editor] { onCurrentEdited(*editor); });
    onEdit("pedigreeFile", &SimulationParamDialog::onPedigreeEdited);
}

void SimulationParamDialog::addFileRow(QGridLayout& grid, int row, const char* id,
                                       const char* label) {
    auto* caption = new QLabel(label ? QString::fromLatin1(label) : labelOf(id), this);
    caption->setObjectName(labelName(id));
    QLineEdit* edit = makeEdit(this, id);
    caption->setBuddy(edit);
    QPushButton* browse = addButton(QStringLiteral("..."), browseName(id));
    browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);
    connect(browse, &QPushButton::clicked, this, [this, id] { onBrowse(id); });
    grid.addWidget(caption, row, 0);
    grid.addWidget(edit, row, 1);
    grid.addWidget(browse, row, 2);
}

void SimulationParamDialog::addEditRow(QGridLayout& grid, int row, const char* id) {
    auto* caption = new QLabel(labelOf(id), this);
    caption->setObjectName(labelName(id));
    QLineEdit* edit = makeEdit(this, id);
    caption->setBuddy(edit);
    grid.addWidget(caption, row, 0);
    grid.addWidget(edit, row, 1);
}

QCheckBox* SimulationParamDialog::addSwitch(QGridLayout& grid, int row, const char* id) {
    auto* box = new QCheckBox(labelOf(id), this);
    box->setObjectName(QString::fromLatin1(id) + QStringLiteral("Check"));
    grid.addWidget(box, row, 0, 1, 3);
    return box;
}

QGroupBox* SimulationParamDialog::createInputFiles() {
    auto* group = new QGroupBox(QStringLiteral("Input Files"), this);
    auto* grid = new QGridLayout(group);
    addFileRow(*grid, 0, "pedigreeFile");
    grid->addWidget(new QLabel(labelOf("progenyType"), this), 1, 0);
    auto* list = new QComboBox(this);
    list->setObjectName(QStringLiteral("progenyTypeCombo"));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    for (const char* type : progenyTypes)
        list->addItem(QString::fromLatin1(type));
    grid->addWidget(list, 1, 1, 1, 2);
    return group;
}

QGroupBox* SimulationParamDialog::createOutputFiles() {
    auto* group = new QGroupBox(QStringLiteral("Output Files"), this);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const char* id : {"genomeFile", "f1MarkerFile", "progenyMarkerFile", "traitFile"})
        addFileRow(*grid, row++, id);
    addSwitch(*grid, row, "saveLogFiles");
    return group;
}

QGroupBox* SimulationParamDialog::createGeneralInformation() {
    auto* group = new QGroupBox(QStringLiteral("General Information"), this);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const char* id : {"totalChromosomes", "totalQtl", "heritability", "seed"})
        addEditRow(*grid, row++, id);
    addSwitch(*grid, row++, "sampleAlleles");
    QCheckBox* allelicValues = addSwitch(*grid, row++, "allelicValuesInFile");
    addFileRow(*grid, row++, "allelicValuesFile");
    QCheckBox* alleleConfig = addSwitch(*grid, row++, "alleleConfigInFile");
    addFileRow(*grid, row++, "alleleConfigFile");
    connect(allelicValues, &QCheckBox::clicked, this,
            [this] { onSwitchClicked("allelicValuesInFile", "allelicValuesFile"); });
    connect(alleleConfig, &QCheckBox::clicked, this,
            [this] { onSwitchClicked("alleleConfigInFile", "alleleConfigFile"); });
    // The file names belong to the check box above them.
    const int indent = fontMetrics().averageCharWidth() * 3;
    for (const char* id : {"allelicValuesFile", "alleleConfigFile"})
        findChild<QLabel*>(labelName(id))->setIndent(indent);
    return group;
}

QWidget* SimulationParamDialog::createNavigator(Navigator& navigator, const char* stem,
                                                const char* currentId) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    navigator.label = new QLabel(labelOf(currentId), row);
    navigator.label->setObjectName(labelName(currentId));
    auto* edit = new QLineEdit(row);
    edit->setObjectName(editName(currentId));
    edit->setAlignment(Qt::AlignCenter);
    edit->setFixedWidth(edit->fontMetrics().averageCharWidth() * 5);
    navigator.label->setBuddy(edit);
    layout->addWidget(navigator.label);
    const int buttonWidth = fontMetrics().horizontalAdvance(QStringLiteral(">>|")) +
                            fontMetrics().averageCharWidth() * 3;
    for (std::size_t i = 0; i < navigator.buttons.size(); ++i) {
        if (i == 2)
            layout->addWidget(edit);
        QPushButton* button =
            addButton(QString::fromLatin1(viewer::stepLabels[i]),
                      QString::fromLatin1(stem) + QString::fromLatin1(stepNames[i]));
        button->setFixedWidth(buttonWidth);
        layout->addWidget(button);
        navigator.buttons[i] = button;
    }
    layout->addStretch();
    return row;
}

QGroupBox* SimulationParamDialog::createSingleChromosome() {
    auto* group = new QGroupBox(QStringLiteral("Single chromosome"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(createNavigator(m_chromosomeNavigator, "chromosome", "currentChromosome"), 0, 0,
                    1, 3);
    addEditRow(*grid, 1, "chromosomeLength");
    addEditRow(*grid, 2, "markerCount");
    QPushButton* confirm =
        addButton(QStringLiteral("Confirm"), QStringLiteral("chromosomeConfirm"));
    grid->addWidget(confirm, 1, 2, 2, 1, Qt::AlignBottom);
    for (std::size_t i = 0; i < m_chromosomeNavigator.buttons.size(); ++i)
        connect(m_chromosomeNavigator.buttons[i], &QPushButton::clicked, this,
                [this, i] { onStep(chromosomeEditor, static_cast<Step>(i)); });
    connect(confirm, &QPushButton::clicked, this, &SimulationParamDialog::onChromosomeConfirm);
    return group;
}

QGroupBox* SimulationParamDialog::createSingleQtl() {
    auto* group = new QGroupBox(QStringLiteral("Single QTL"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(createNavigator(m_qtlNavigator, "qtl", "currentQtl"), 0, 0, 1, 3);
    int row = 1;
    for (const char* id : {"qtlChromosome", "qtlPosition", "qtlAlleles", "qtlVariance"})
        addEditRow(*grid, row++, id);
    QPushButton* confirm = addButton(QStringLiteral("Confirm"), QStringLiteral("qtlConfirm"));
    grid->addWidget(confirm, row - 1, 2, Qt::AlignBottom);
    for (std::size_t i = 0; i < m_qtlNavigator.buttons.size(); ++i)
        connect(m_qtlNavigator.buttons[i], &QPushButton::clicked, this,
                [this, i] { onStep(qtlEditor, static_cast<Step>(i)); });
    connect(confirm, &QPushButton::clicked, this, &SimulationParamDialog::onQtlConfirm);
    return group;
}

void SimulationParamDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        startSequence();
}

void SimulationParamDialog::startSequence() {
    // The fixed name, whatever the pedigree field held before.
    applyStartValues(m_params, pedigreeHeadOf("pedigree"));
    enableFileName("allelicValuesFile", false);
    enableFileName("alleleConfigFile", false);
    enableNavigator(m_chromosomeNavigator, false);
    enableNavigator(m_qtlNavigator, false);
    transferToControls();
}

void SimulationParamDialog::transferToControls() {
    m_transfer.toControls(simulationFields(),
                          [this](const SimulationField& field) { return field.text(m_params); });
}

bool SimulationParamDialog::transferFromControls() {
    return m_transfer.fromControls(simulationFields(),
                                   [this](const SimulationField& field, const std::string& text) {
                                       return field.assign(m_params, text);
                                   });
}

void SimulationParamDialog::enableNavigator(const Navigator& navigator, bool enable) {
    navigator.label->setEnabled(enable);
    navigator.label->buddy()->setEnabled(enable);
    for (QPushButton* button : navigator.buttons)
        button->setEnabled(enable);
}

void SimulationParamDialog::enableFileName(const char* id, bool enable) {
    for (const QString& name : {labelName(id), editName(id), browseName(id)})
        findChild<QWidget*>(name)->setEnabled(enable);
}

void SimulationParamDialog::onTotalQtlEdited() {
    transferFromControls();
    rebuildQtlTable(m_params);
    transferToControls();
    enableNavigator(m_qtlNavigator, m_params.totalQtl >= 2);
}

void SimulationParamDialog::onTotalChromosomesEdited() {
    transferFromControls();
    rebuildChromosomeTable(m_params);
    enableNavigator(m_chromosomeNavigator, m_params.totalChromosomes >= 2);
    transferToControls();
}

void SimulationParamDialog::onCurrentEdited(const EditorRecords& editor) {
    const int shown = m_params.*editor.current;
    transferFromControls();
    const int wanted = m_params.*editor.current;
    if (wanted < 1 || wanted > m_params.*editor.total) {
        m_messages.error(editor.rangeMessage);
        m_params.*editor.current = shown;
        transferToControls();
        return;
    }
    editor.select(m_params, wanted);
    transferToControls();
}

void SimulationParamDialog::onPedigreeEdited() {
    transferFromControls();
    if (takePedigreeHead(m_params))
        transferToControls();
}

void SimulationParamDialog::onStep(const EditorRecords& editor, Step step) {
    const int current = m_params.*editor.current;
    const int next = viewer::stepped(current, step, m_params.*editor.total);
    if (next == current && (step == Step::Next || step == Step::Previous))
        return;
    editor.select(m_params, next);
    transferToControls();
}

void SimulationParamDialog::onChromosomeConfirm() {
    transferFromControls();
    confirmChromosome(m_params, m_messages);
}

void SimulationParamDialog::onQtlConfirm() {
    transferFromControls();
    confirmQtl(m_params, m_messages);
}

std::string& SimulationParamDialog::textField(const char* id) {
    return m_params.*std::get<std::string SimulationParams::*>(findSimulationField(id)->member);
}

void SimulationParamDialog::onBrowse(const char* id) {
    if (const auto title = chooseFileTitle(this)) {
        // Stored as chosen: a title longer than the field allows is shown
        // whole and refused by the next transfer, never cut to another name.
        textField(id) = title->toStdString();
        transferToControls();
    }
    // The pedigree is read again even when the choice was cancelled.
    if (std::string_view(id) == "pedigreeFile" && takePedigreeHead(m_params))
        transferToControls();
}

void SimulationParamDialog::onSwitchClicked(const char* switchId, const char* fileId) {
    transferFromControls();
    // The click counts even when an earlier control failed the transfer.
    const bool on =
        findChild<QCheckBox*>(QString::fromLatin1(switchId) + QStringLiteral("Check"))->isChecked();
    findSimulationField(switchId)->setOn(m_params, on);
    enableFileName(fileId, on);
    if (on)
        return;
    textField(fileId).clear();
    transferToControls();
}

// A field that fails its check stops the save: the file would otherwise hold
// the earlier values of that field and every later one, values the dialog
// does not show.
void SimulationParamDialog::onSetDefault() {
    if (transferFromControls())
        saveDefaults(m_params, m_messages);
}

void SimulationParamDialog::onUseDefault() {
    if (!loadDefaults(m_params, m_messages))
        return;
    enableNavigator(m_chromosomeNavigator, m_params.totalChromosomes >= 2);
    enableNavigator(m_qtlNavigator, m_params.totalQtl >= 2);
    transferToControls();
}

// A field that fails its check stops OK before simuAl_in.txt or the pedigree
// file is written, with what the user typed still in the controls.
void SimulationParamDialog::onOk() {
    if (!transferFromControls())
        return;
    if (acceptSimulation(m_params, m_messages))
        accept();
}
