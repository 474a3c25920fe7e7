// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/ParDlg.h"

#include "analysis/AnalysisFields.h"

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
#include <QVBoxLayout>

// The controls of the analysis dialog and their places in its three columns.

namespace {

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

// Every field but the choices gets its control and label here; the columns
// then place them by id.
void AnalysisParamDialog::createFieldControls() {
    for (const AnalysisField& field : analysisFields()) {
        if (!field.group.empty() && !m_headings.contains(field.group))
            m_headings.emplace(field.group, new QLabel(qText(field.group), this));
        switch (field.kind) {
        case AnalysisFieldKind::Choice:
            break;
        case AnalysisFieldKind::Flag: {
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
            if (field.kind == AnalysisFieldKind::Text && field.maxLength > 0)
                FieldTransfer::limitTyping(*edit, field.maxLength);
            const int characters = fontMetrics().averageCharWidth();
            if (field.kind != AnalysisFieldKind::Text) {
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
        for (int option : {firstOption, secondOption}) {
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
