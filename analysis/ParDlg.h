// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/MultQin.h"
#include "model/Messages.h"
#include "widgets/FieldTransfer.h"
#include "widgets/ViewerControls.h"

#include <QDialog>

#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

class QAbstractButton;
class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QPushButton;

/// Sets up one MCMC analysis: files, sampler and model choices, priors, run
/// lengths and the prior placement of the putative QTL, one by one. Ok writes
/// multAl_in.txt; "Set as default" and "Use default" store and reload the
/// settings in multAl_in.def. Every opening starts from the start values.
///
/// Controls carry objectNames for tests: each field's control is its id with
/// "Edit", "Combo", "Check" or "Group" (radio buttons: the group's name with
/// the enumeration number, "qtlEffectRadio1"); each label is the id with
/// "Label".
class AnalysisParamDialog : public QDialog {
    Q_OBJECT
public:
    explicit AnalysisParamDialog(MessageSink& messages, QWidget* parent = nullptr);

    const AnalysisParameters& parameters() const { return m_parameters; }

    /// Reads every control into the parameter set in exchange order; false
    /// after the first field that fails its check (its message shown).
    bool transferFromControls();
    /// Writes every field into its control, discarding anything typed.
    void transferToControls();

protected:
    void showEvent(QShowEvent* event) override;

private:
    /// The radio buttons' ids: the enumeration values.
    static constexpr int firstOption = 0;
    static constexpr int secondOption = 1;

    void createFieldControls();
    QLayout* createLeftColumn();
    QLayout* createMiddleColumn();
    QLayout* createRightColumn();
    QGroupBox* createFilesGroup();
    QGroupBox* createRunsGroup();
    QGroupBox* createQtlPriorGroup();
    QGroupBox* createOtherPriorsGroup();
    void connectControls();

    QWidget* fieldControl(std::string_view id) const;
    QAbstractButton* choiceButton(std::string_view id, int option) const;
    QLabel* label(std::string_view id) const;
    QLabel* heading(std::string_view group) const;
    /// Enables or disables the controls of `ids` with their labels.
    void enableFields(std::initializer_list<std::string_view> ids, bool enable);
    void enableNavigation(bool enable);
    void enableQtlNumberPrior(bool enable);
    void enableAlleleNumberPrior(bool enable);
    void enableAlleleEntry(bool enable);
    void enableSamplerTuning(bool enable);
    void enableQtlVarianceTuning(bool enable);
    void enableChromosomeEntry(bool enable);
    void enableAfterDefaults();

    void openingSteps();
    void onMetropolisHastings();
    void onGibbs();
    void onRandomEffect();
    void onFixedEffect();
    void onVariableQtlNumber();
    void onFixedQtlNumber();
    void onVariableAlleles();
    void onFixedAlleles();
    void onAllelePriorChosen();
    void onQtlCountEdited();
    void onCurrentQtlEdited();
    void onPedigreeEdited();
    void qtlStep(viewer::Step step);
    void onConfirm();
    void onChooseFile(std::string AnalysisValues::*field);
    void onSetDefault();
    void onUseDefault();
    void onOk();
    void showError(const std::string& text);

    MessageSink& m_messages;
    FieldTransfer m_transfer;
    AnalysisParameters m_parameters;

    std::map<std::string, QLabel*, std::less<>> m_labels;
    std::map<std::string, QLabel*, std::less<>> m_headings;
    std::array<QPushButton*, 4> m_stepButtons{};
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_useDefaultButton = nullptr;
    QPushButton* m_setDefaultButton = nullptr;
    QPushButton* m_confirmButton = nullptr;
    std::map<std::string, QPushButton*, std::less<>> m_browseButtons;
};
