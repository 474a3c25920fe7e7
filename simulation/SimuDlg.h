// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Messages.h"
#include "simulation/SimulationParams.h"
#include "widgets/FieldTransfer.h"
#include "widgets/ViewerControls.h"

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;

/// "Set parameters for simulation": the files, the genome chromosome by
/// chromosome, the simulated QTL one by one, heritability, seed and switches.
/// OK checks everything, writes simuAl_in.txt and rewrites the pedigree file.
///
/// Each field's control is named after the field ("seedEdit",
/// "progenyTypeCombo", "saveLogFilesCheck"), so the transfers walk
/// `simulationFields()` with `FieldTransfer`.
class SimulationParamDialog : public QDialog {
    Q_OBJECT
public:
    explicit SimulationParamDialog(MessageSink& messages, QWidget* parent = nullptr);

    const SimulationParams& params() const { return m_params; }

    /// What the chromosome and QTL editors' navigation differs in.
    struct EditorRecords;

    /// Shows every field in its control; never counts as the user's edit.
    void transferToControls();
    /// Takes every control into its field in transfer order; at the first
    /// failure shows the standard message, puts the focus there and stops.
    bool transferFromControls();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Navigator {
        QLabel* label = nullptr;
        std::array<QPushButton*, 4> buttons{};
    };

    void createControls();
    QGroupBox* createInputFiles();
    QGroupBox* createOutputFiles();
    QGroupBox* createGeneralInformation();
    QGroupBox* createSingleChromosome();
    QGroupBox* createSingleQtl();
    void addFileRow(QGridLayout& grid, int row, const char* id, const char* label = nullptr);
    void addEditRow(QGridLayout& grid, int row, const char* id);
    QCheckBox* addSwitch(QGridLayout& grid, int row, const char* id);
    QWidget* createNavigator(Navigator& navigator, const char* stem, const char* currentId);
    QPushButton* addButton(const QString& text, const QString& name);

    void startSequence();
    void enableNavigator(const Navigator& navigator, bool enable);
    void enableFileName(const char* id, bool enable);
    /// The text field named `id` (a file name).
    std::string& textField(const char* id);

    void onTotalQtlEdited();
    void onTotalChromosomesEdited();
    void onCurrentEdited(const EditorRecords& editor);
    void onPedigreeEdited();
    void onStep(const EditorRecords& editor, viewer::Step step);
    void onChromosomeConfirm();
    void onQtlConfirm();
    void onBrowse(const char* id);
    void onSwitchClicked(const char* switchId, const char* fileId);
    void onSetDefault();
    void onUseDefault();
    void onOk();

    MessageSink& m_messages;
    FieldTransfer m_transfer;
    SimulationParams m_params;
    Navigator m_chromosomeNavigator;
    Navigator m_qtlNavigator;
};
