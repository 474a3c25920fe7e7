// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/QtlSummaryFile.h"

#include <QString>
#include <QWidget>

class PosteriorGraphDialog;
class QFileSystemWatcher;
class QLabel;
class QTableView;
class QTimer;
class QtlTableModel;

/// The QTL table of the working folder (qtl_summary.csv) in a window of its
/// own that stays open beside the posterior graphs: a row per region, the
/// file's columns, sorted by a click on a heading. Ctrl+C copies the
/// selected rows with the heading as tab-separated text; a double click (or
/// Enter) on a row shows the posterior graph of its chromosome. Below the
/// table, each chromosome's probability of holding any QTL, from
/// qtl_summary.txt. The window reads both files again whenever they change
/// on disk and whenever it is shown; without a readable table it shows one
/// line saying why, and keeps watching for the file.
class QtlTableWindow : public QWidget {
    Q_OBJECT
public:
    /// `posterior` is the one posterior graph dialog of the main window,
    /// which a double click shows without a modal loop.
    explicit QtlTableWindow(PosteriorGraphDialog& posterior, QWidget* parent = nullptr);
    ~QtlTableWindow() override;

    /// Shows the window, or raises it when it is open already.
    void showAndRaise();
    /// Reads the files of the current working folder again.
    void reload();

    /// The table shown; empty rows when none is.
    const QtlSummaryTable& table() const;
    /// The line shown instead of the table, empty while a table is shown.
    QString problem() const;
    /// The line under the table on each chromosome's probability.
    QString chromosomeLine() const;
    /// What Ctrl+C puts on the clipboard: the selected rows in the order
    /// shown, with the heading; empty without a selection.
    QString selectedRowsText() const;
    QTableView* view() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void createControls();
    void copySelection();
    void openRow(int shownRow);
    void watchFolder();
    void readTable();
    void readChromosomes();

    PosteriorGraphDialog& m_posterior;
    QtlTableModel* m_model = nullptr;
    QTableView* m_view = nullptr;
    QLabel* m_sourceLabel = nullptr;
    QLabel* m_problemLabel = nullptr;
    QLabel* m_chromosomeLabel = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    // The working folder of the last reading.
    QString m_folder;
    // A writer replaces both files one after the other: one reading after
    // the last change, not one per change.
    QTimer* m_reloadTimer = nullptr;
};
