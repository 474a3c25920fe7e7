// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

/// Help > About: the program's name, version and credits line. Laid out in
/// dialog units of its 8-point font, so it keeps its proportions whatever
/// font stands in for "MS Sans Serif".
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static constexpr const char* versionText = "Pellarin for Windows  Version 1.0";
    static constexpr const char* creditsText = "Marrow: a front end for Bayesian QTL mapping";
};
