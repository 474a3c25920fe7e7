// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/QtlSummaryFile.h"
#include "model/Messages.h"
#include "model/TextFiles.h"
#include "viewers/CurveGeometry.h"
#include "viewers/GraphPictures.h"
#include "viewers/PosteriorRows.h"
#include "viewers/RunLayout.h"
#include "widgets/ViewerControls.h"

#include <QDialog>

#include <array>
#include <optional>
#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

/// Draws the location-wise posterior QTL intensity or variance along one
/// chromosome: one replication, all of them, or their average. The main
/// window keeps one instance, so the loaded rows outlive each opening.
class PosteriorGraphDialog : public QDialog {
    Q_OBJECT
public:
    explicit PosteriorGraphDialog(MessageSink& messages, QWidget* parent = nullptr);

    const std::vector<DrawnCurve>& drawnCurves() const { return m_drawn.curves; }
    /// The regions of the QTL table marked on the chromosome drawn last.
    const std::vector<RegionMark>& drawnMarks() const { return m_drawn.marks; }
    const std::optional<RunLayout>& runLayout() const { return m_layout; }
    const PosteriorRows& rows() const { return m_rows; }
    int chromosome() const { return m_chromosome; }
    int replication() const { return m_replication; }
    /// What the plot says instead of a graph, or empty.
    const QString& plotNote() const { return m_note; }
    /// The room the axes leave for the numbers beside them.
    AxisLabelRoom axisLabelRoom() const { return m_labelRoom; }

    /// Shows the dialog without a modal loop at `chromosome`, so that it
    /// stands beside the window that asked (the QTL table); an open dialog
    /// keeps its other choices. A chromosome the analysis input does not
    /// have is reported and nothing moves. False when nothing is drawn.
    bool openAtChromosome(int chromosome);

    /// The plot area's context menu: "Save picture...", "Save values..." and
    /// "Save genome picture...". The caller owns it.
    QMenu* createPlotMenu();
    /// Asks for a file name and writes the graph as drawn now to a PNG or
    /// SVG picture of the dialog's size; false when cancelled or not written.
    bool savePicture();
    /// Reads the intensity file of every chromosome and the QTL table, asks
    /// for a file name and writes the genome-wide figure there (PNG or SVG);
    /// a file that cannot be read is reported. False when nothing was written.
    bool saveGenomePicture();
    /// Asks for a file name and writes the drawn values as CSV: the position
    /// in cM, then a column per curve.
    bool saveValues();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void createNavigation(QLabel*& label, QLineEdit*& edit, std::array<QPushButton*, 4>& buttons,
                          const char* name);
    void connectControls();
    /// Returns the width the top strip needs.
    int placeControls();
    void openingSteps();

    /// Copies every stored value into its control. Only the handlers that
    /// change stored values run it, never a paint.
    void transferToControls();
    /// The chromosome and replication edits alone.
    void showNavigation();
    /// The numbers at the ends of the axes, as drawn last.
    void showAxisNumbers();
    bool transferFromControls();
    void enableNavigation();
    void enableReplicationControls(bool enable);

    void chromosomeStep(viewer::Step step);
    void replicationStep(viewer::Step step);
    void onEditChanged();
    void onKindClicked();
    void onShowAllClicked();
    void onShowAverageClicked();
    void onOk();

    void drawGraph(QPainter& painter);
    /// Moves the axes and their edits to fit the numbers of a chromosome of
    /// `length` cM.
    void fitLabelRoom(int length);
    /// What the plot says for a chromosome whose file could not be read.
    QString unreadNote(PosteriorStatus status) const;
    /// Reads qtl_summary.csv again when it has changed on disk since the
    /// last reading or the opening; a damaged table marks nothing and is
    /// reported once.
    void refreshRegions();
    PosteriorSelection selection() const;
    /// The chromosome, kind and view in words, for pictures and file names.
    QString description() const;
    QString suggestedName(const char* extension) const;
    void noteLoad(PosteriorStatus status);

    MessageSink& m_messages;

    std::optional<RunLayout> m_layout;
    PosteriorRows m_rows;
    int m_chromosome = 1;
    PosteriorKind m_kind = PosteriorKind::Intensity;
    int m_replication = 1;
    bool m_showAll = false;
    int m_xLabelValue = 150;
    int m_yLabelValue = 50;
    bool m_showAverage = false;
    PosteriorDrawing m_drawn;
    QString m_note;
    AxisLabelRoom m_labelRoom;
    // The failing file last reported, so a file that stays missing is
    // reported once, not on every repaint the message box itself causes.
    std::optional<std::pair<int, PosteriorKind>> m_reported;
    // The QTL table's regions, all chromosomes, and the state of the file
    // they were read from; none when it is missing or damaged.
    std::vector<QtlSummaryRow> m_regions;
    std::optional<FileStamp> m_regionStamp;

    QButtonGroup* m_kindGroup = nullptr;
    QRadioButton* m_intensityRadio = nullptr;
    QRadioButton* m_varianceRadio = nullptr;
    QRadioButton* m_alleleRadio = nullptr;
    QLabel* m_chromosomeLabel = nullptr;
    QLineEdit* m_chromosomeEdit = nullptr;
    std::array<QPushButton*, 4> m_chromosomeButtons{};
    QLabel* m_replicationLabel = nullptr;
    QLineEdit* m_replicationEdit = nullptr;
    std::array<QPushButton*, 4> m_replicationButtons{};
    QCheckBox* m_showAllCheck = nullptr;
    QCheckBox* m_showAverageCheck = nullptr;
    QPushButton* m_okButton = nullptr;
    QLineEdit* m_yAxisEdit = nullptr;
    QLineEdit* m_xAxisEdit = nullptr;
    QLabel* m_distanceLabel = nullptr;
};
