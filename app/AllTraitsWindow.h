// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "collect/TraitSurvey.h"
#include "engines/EngineStart.h"
#include "model/Messages.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <deque>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QTableWidget;

/// QTL analysis > All traits: a folder of trait folders, as an import of
/// many traits writes them, in a window of its own that stays open.
///
/// At the top a row per trait: its name, and the state of its analysis
/// (its results, a run waiting, running or how it ended, or what is
/// missing). "Run traits without results" runs Pellarin.exe in every trait
/// folder that has a multAl_in.txt and no results yet, one after another,
/// through the main window's engine launcher; each run's end reads its
/// results in. Below stand marrow-collect's picture (every trait's average
/// posterior intensity over the genome, on one scale) and its merged QTL
/// table, made by the same code. A double click on a trait, or on a row of
/// the table, opens that trait's posterior graphs (at the row's
/// chromosome).
///
/// A folder that holds no trait folder, or whose traits' results lie on
/// different chromosomes, is refused with one message and the window keeps
/// what it showed. The window writes nothing itself.
class AllTraitsWindow : public QWidget {
    Q_OBJECT
public:
    /// Opens `folder`'s trait at `chromosome` in the posterior graphs.
    using OpenTrait = std::function<void(const QString& folder, int chromosome)>;

    AllTraitsWindow(EngineLauncher& launcher, MessageSink& messages, OpenTrait openTrait,
                    QWidget* parent = nullptr);

    /// Reads `folder`'s trait folders and shows them; false, with one
    /// message, when the folder is refused.
    bool openFolder(const QString& folder);
    /// The folder shown; empty before one is.
    QString folder() const { return m_folder; }
    const std::vector<SurveyedTrait>& traits() const { return m_traits; }

    /// Shows the window, or raises it when it is open already.
    void showAndRaise();

    /// Starts the runs of every trait awaiting one; false when none is due.
    bool runTraitsWithoutResults();
    /// Whether runs of this window are going or waiting.
    bool running() const { return m_current >= 0 || !m_queue.empty(); }
    /// The traits waiting for their turn to run.
    int waitingTraits() const { return static_cast<int>(m_queue.size()); }

    /// The state shown for trait `row`.
    QString statusOf(int row) const;
    QTableWidget* traitTable() const { return m_traitTable; }
    QTableWidget* qtlTable() const { return m_qtlTable; }
    /// The picture as drawn, before it is fitted to the window; a null
    /// pixmap without results.
    QPixmap picture() const { return m_picture; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void onChooseFolder();
    void onRunEnded(const EngineRunEnd& end);
    void startNextRun();
    void showTraits();
    void showResults();
    void setStatus(int row, const QString& text);
    void openTraitRow(int row);
    void openTableRow(int row);
    void fitPicture();
    bool runElsewhere(const SurveyedTrait& trait) const;

    EngineLauncher& m_launcher;
    MessageSink& m_messages;
    OpenTrait m_openTrait;
    QString m_folder;
    std::vector<SurveyedTrait> m_traits;
    std::vector<QString> m_status;
    // The trait rows waiting for a run, and the one running (-1: none).
    std::deque<int> m_queue;
    int m_current = -1;
    // The trait of each row of the merged QTL table.
    std::vector<int> m_tableTraits;
    std::vector<int> m_tableChromosomes;
    QPixmap m_picture;

    QLabel* m_folderLabel = nullptr;
    QPushButton* m_folderButton = nullptr;
    QPushButton* m_runButton = nullptr;
    QTableWidget* m_traitTable = nullptr;
    QLabel* m_pictureLabel = nullptr;
    QScrollArea* m_pictureArea = nullptr;
    QTableWidget* m_qtlTable = nullptr;
};
