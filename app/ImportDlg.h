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
class QPlainTextEdit;
class QPushButton;

/// QTL analysis > Import data...: what `marrow-import` does, in the window,
/// through the same conversion (`importData`). The user picks the layout
/// (families from shared founders, or one cross in one of R/qtl's layouts),
/// the files, the cross, the trait, the calls and the folder; "Import"
/// writes the folder's files all or none and shows the summary the tool
/// prints. A problem is one message naming the file, row and column.
///
/// The dialog does not move the working folder itself: after a successful
/// import it sends `folderImported` and keeps the folder in
/// `importedFolder`, and closing it then gives the Accepted result, so that
/// the main window makes that folder the working one.
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

    /// The request the controls make now, before the checks of `onImport`.
    ImportRequest request() const;

    /// Fills "Trait:" from the columns of the files named now, keeping the
    /// chosen trait when it is still offered.
    void refreshTraits();

signals:
    void folderImported(const QString& folder);

public slots:
    /// Closing after an import is the Accepted result however it is closed.
    void reject() override;

private:
    QGroupBox* createFamiliesGroup();
    QGroupBox* createCrossGroup();
    QGroupBox* createSettingsGroup();
    QLineEdit* addFileRow(QGridLayout& grid, const QString& caption, const char* name);
    QComboBox* addComboRow(QGridLayout& grid, const QString& caption, const char* name);
    void fillCrossCombo();
    void enableForLayout();
    void onChooseFile(QLineEdit* edit);
    void onChooseFolder();
    void onImport();
    /// The first file or setting the layout needs that is not given, as the
    /// message that asks for it; empty when all are there.
    std::string missingEntry() const;

    MessageSink& m_messages;
    QString m_importedFolder;

    QButtonGroup* m_layoutGroup = nullptr;
    QGroupBox* m_familiesGroup = nullptr;
    QGroupBox* m_crossGroup = nullptr;
    QLineEdit* m_foundersEdit = nullptr;
    QLineEdit* m_familiesEdit = nullptr;
    QLineEdit* m_progenyEdit = nullptr;
    QComboBox* m_formatCombo = nullptr;
    QLineEdit* m_crossFileEdit = nullptr;
    QLineEdit* m_genotypesEdit = nullptr;
    QLineEdit* m_phenotypesEdit = nullptr;
    QComboBox* m_crossCombo = nullptr;
    QComboBox* m_traitCombo = nullptr;
    QComboBox* m_callsCombo = nullptr;
    QLineEdit* m_folderEdit = nullptr;
    QCheckBox* m_replaceCheck = nullptr;
    QPlainTextEdit* m_summary = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};
