// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/ImportTool.h"
#include "model/Messages.h"

#include <QDialog>

#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

/// QTL analysis > Import data...: what `marrow-import` does, in the window,
/// through the same conversion (`importData`). The user picks the layout
/// (families from shared founders, one cross in one of R/qtl's layouts, or
/// families genotyped in a VCF), the files, the cross, the trait or traits,
/// the calls and the folder; "Import" writes the folder's files all or none
/// and shows the summary the tool prints. A problem is one message naming
/// the file, row and column.
///
/// "Traits:" one imports the trait chosen under "Trait:" into the folder;
/// all imports the traits ticked in the list below it, one analysis folder
/// each under the folder, as `--traits` does. "Write multAl_in.txt too" is
/// `--write-input`.
///
/// The dialog does not move the working folder itself: after a successful
/// import it sends `folderImported` and keeps the folder in
/// `importedFolder` (with many traits, the first trait's folder, and the
/// folder that holds them all in `importedTraitsFolder`), and closing it
/// then gives the Accepted result, so that the main window makes that
/// folder the working one.
///
/// Controls carry objectNames for tests ("foundersEdit", "foundersBrowse",
/// "crossCombo", "traitCombo", "importButton", ...) and each control's
/// accessible name is its label.
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImportDialog(MessageSink& messages, QWidget* parent = nullptr);

    /// The absolute path of the folder the last import wrote; empty before.
    QString importedFolder() const { return m_importedFolder; }
    /// After an import of many traits, the absolute path of the folder that
    /// holds their folders; empty otherwise.
    QString importedTraitsFolder() const { return m_importedTraitsFolder; }

    /// The request the controls make now, before the checks of `onImport`.
    ImportRequest request() const;

    /// Fills "Trait:" and the list of traits from the columns of the files
    /// named now, keeping the chosen trait when it is still offered and
    /// every trait ticked but those the user unticked.
    void refreshTraits();

signals:
    void folderImported(const QString& folder);

public slots:
    /// Closing after an import is the Accepted result however it is closed.
    void reject() override;

private:
    QGroupBox* createFamiliesGroup();
    QGroupBox* createCrossGroup();
    QGroupBox* createVcfGroup();
    QGroupBox* createSettingsGroup();
    QLineEdit* addFileRow(QGridLayout& grid, const QString& caption, const char* name);
    QComboBox* addComboRow(QGridLayout& grid, const QString& caption, const char* name);
    void fillCrossCombo();
    void enableForLayout();
    void enableForTraits();
    void onChooseFile(QLineEdit* edit);
    void onChooseFolder();
    void onImport();
    /// The first file or setting the layout needs that is not given, as the
    /// message that asks for it; empty when all are there.
    std::string missingEntry() const;
    bool manyTraits() const;

    MessageSink& m_messages;
    QString m_importedFolder;
    QString m_importedTraitsFolder;
    // The traits the user unticked, kept when the list is filled again.
    QStringList m_untickedTraits;

    QButtonGroup* m_layoutGroup = nullptr;
    QGroupBox* m_familiesGroup = nullptr;
    QGroupBox* m_crossGroup = nullptr;
    QGroupBox* m_vcfGroup = nullptr;
    QLineEdit* m_foundersEdit = nullptr;
    QLineEdit* m_familiesEdit = nullptr;
    QLineEdit* m_progenyEdit = nullptr;
    QComboBox* m_formatCombo = nullptr;
    QLineEdit* m_crossFileEdit = nullptr;
    QLineEdit* m_genotypesEdit = nullptr;
    QLineEdit* m_phenotypesEdit = nullptr;
    QLineEdit* m_vcfEdit = nullptr;
    QLineEdit* m_vcfFamiliesEdit = nullptr;
    QLineEdit* m_samplesEdit = nullptr;
    QRadioButton* m_mapRadio = nullptr;
    QRadioButton* m_cmPerMbRadio = nullptr;
    QLineEdit* m_mapEdit = nullptr;
    QLineEdit* m_cmPerMbEdit = nullptr;
    QLineEdit* m_thinEdit = nullptr;
    QComboBox* m_crossCombo = nullptr;
    QComboBox* m_traitsCombo = nullptr;
    QListWidget* m_traitList = nullptr;
    QCheckBox* m_writeInputCheck = nullptr;
    QComboBox* m_traitCombo = nullptr;
    QComboBox* m_callsCombo = nullptr;
    QLineEdit* m_folderEdit = nullptr;
    QCheckBox* m_replaceCheck = nullptr;
    QPlainTextEdit* m_summary = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};
