// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "formats/ChainFile.h"
#include "model/Messages.h"
#include "model/TextFiles.h"
#include "viewers/CurveGeometry.h"
#include "viewers/RunLayout.h"
#include "widgets/ViewerControls.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

/// Lets the user pick a model parameter, one of its chains and a chain file,
/// and draws that chain's trace over the saved samples.
class MarkovChainDialog : public QDialog {
    Q_OBJECT
public:
    /// Yields the title of a chosen file, or nothing when the user cancels.
    using FileChooser = std::function<std::optional<std::string>()>;

    MarkovChainDialog(MessageSink& messages, FileChooser chooseFile, QWidget* parent = nullptr);

    int chain() const { return m_chain; }
    int parameter() const { return m_parameter; }
    int chainCount() const { return m_chainCount; }
    const std::string& chainFileName() const { return m_chainFileName; }
    /// The chain drawn last; its values are empty when nothing was drawn.
    const ChainColumn& trace() const { return m_trace; }
    /// The text shown in the plot area instead of a trace, or empty.
    const QString& plotNote() const { return m_note; }
    /// The room the axes leave for the numbers beside them.
    AxisLabelRoom axisLabelRoom() const { return m_labelRoom; }

    /// The plot area's context menu: "Save picture..." and "Save values...".
    /// The caller owns it.
    QMenu* createPlotMenu();
    /// Asks for a file name and writes the trace as drawn now to a PNG
    /// picture of the dialog's size; false when cancelled or not written.
    bool savePicture();
    /// Asks for a file name and writes the trace as CSV: the sample number,
    /// then the chain's values ("NA" in a gap).
    bool saveValues();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void connectControls();
    /// Returns the width the rows of controls need.
    int placeControls();
    void openingSteps();

    /// Copies the stored chain, parameter and file name into their controls
    /// and shows the axis numbers. Only the handlers that change the stored
    /// values run it, never a paint: a keystroke repaints the dialog, and
    /// what the user is typing must stay until a radio click or OK takes it.
    void transferToControls();
    /// The axis numbers and sample count of the trace drawn last.
    void showAxisNumbers();
    bool transferFromControls();
    void enableChainGroup(bool enable);
    /// The chains of `parameter` in the chain file named now, or as the
    /// run's layout tells without one.
    int chainCountOf(int parameter) const;
    /// Counts the chains of the chosen parameter afresh, keeps the chain
    /// among them and enables the chain group when there is a choice.
    void recountChains();
    /// The room the axis numbers of the trace drawn last need in their edits.
    AxisLabelRoom labelRoom() const;

    void chainStep(viewer::Step step);
    void onParameterClicked();
    void onBrowse();
    void onOk();

    void refreshTrace();
    /// What the plot area says instead of a trace of `file`, or nothing.
    QString traceNote(const QString& file, bool exists) const;
    QString suggestedName(const char* extension) const;

    MessageSink& m_messages;
    FileChooser m_chooseFile;

    int m_chain = 0;
    int m_parameter = -1;
    std::string m_chainFileName;
    int m_chainCount = 0;
    // Read at each opening; none when multAl_in.txt is missing or damaged.
    std::optional<RunLayout> m_layout;
    // The axes follow the widest number beside them.
    AxisLabelRoom m_labelRoom;

    // The chain file is read at each opening and when the file, parameter or
    // chain changes, or the file on disk does (an engine run writes it anew);
    // a repaint that finds all of these as they were reads nothing.
    std::string m_traceFile;
    std::string m_traceColumn;
    FileStamp m_traceStamp;
    ChainColumn m_trace;
    std::optional<ValueRange> m_range;
    QString m_note;

    QPushButton* m_okButton = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLineEdit* m_fileEdit = nullptr;
    QPushButton* m_browseButton = nullptr;
    QLabel* m_chainLabel = nullptr;
    QLineEdit* m_chainEdit = nullptr;
    std::array<QPushButton*, 4> m_chainButtons{};
    QButtonGroup* m_parameterGroup = nullptr;
    std::array<QRadioButton*, 7> m_parameterRadios{};
    QLineEdit* m_highEdit = nullptr;
    QLineEdit* m_lowEdit = nullptr;
    QLineEdit* m_samplesEdit = nullptr;
};
