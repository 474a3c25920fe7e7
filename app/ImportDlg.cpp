// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ImportDlg.h"

#include "model/FileError.h"
#include "model/NumberFormat.h"
#include "widgets/FileChooser.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>
#include <new>

namespace fs = std::filesystem;

namespace {

constexpr int familiesLayout = static_cast<int>(ImportLayout::Families);
constexpr int crossLayout = static_cast<int>(ImportLayout::Cross);
constexpr int vcfLayout = static_cast<int>(ImportLayout::Vcf);

// "Traits:" in the words of --traits: the one trait of "Trait:", or all.
constexpr int oneTrait = 0;
constexpr int allTraits = 1;

/// How the check box that replaces files is named in the messages that
/// point to it, where the tool says "--force".
const char* const replaceCaption = "Replace files in the folder";
// And the one that writes the engine's input, where the tool says
// "--write-input".
const QString writeInputCaption = QStringLiteral("Write multAl_in.txt too");

struct Choice {
    const char* caption;
    int value;
};

// The cross words of the tool, with what they mean.
const Choice familyCrosses[] = {
    {"bc1: backcross to founder_a", static_cast<int>(ProgenyType::BC1)},
    {"bc2: backcross to founder_b", static_cast<int>(ProgenyType::BC2)},
    {"f2", static_cast<int>(ProgenyType::F2)},
    {"dhl: doubled haploid lines", static_cast<int>(ProgenyType::DHL)},
    {"ril: recombinant inbred lines", static_cast<int>(ProgenyType::RIL)},
};
const Choice oneCrosses[] = {
    {"bc: backcross to founder 1", static_cast<int>(ProgenyType::BC1)},
    {"f2", static_cast<int>(ProgenyType::F2)},
    {"dh: doubled haploids", static_cast<int>(ProgenyType::DHL)},
    {"riself: recombinant inbred lines by selfing", static_cast<int>(ProgenyType::RIL)},
};
const Choice crossLayouts[] = {
    {"csv: one file, a column per phenotype and marker", static_cast<int>(CrossLayout::Csv)},
    {"csvr: one file, a row per phenotype and marker", static_cast<int>(CrossLayout::Csvr)},
    {"csvs: genotypes and phenotypes in two files", static_cast<int>(CrossLayout::Csvs)},
    {"csvsr: two files, a row per phenotype and marker", static_cast<int>(CrossLayout::Csvsr)},
};
const Choice callStyles[] = {
    {"alleles: x/y, x, x/-", static_cast<int>(CallStyle::Alleles)},
    {"parental: A, H, B, D, C of founder_a and founder_b", static_cast<int>(CallStyle::Parental)},
};

template <std::size_t N> void addChoices(QComboBox& combo, const Choice (&choices)[N]) {
    for (const Choice& choice : choices)
        combo.addItem(QString::fromUtf8(choice.caption), choice.value);
}

QPushButton* makeButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

std::string pathOf(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

// The positive number typed into `edit`; nothing when it holds anything else.
std::optional<double> positiveIn(const QLineEdit* edit) {
    const auto value = parseReal(edit->text().trimmed().toStdString());
    if (!value || !(*value > 0) || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

// What to do next, where the tool says to start Marrow in the folder: the
// window already works there.
const char* const nextInWindow =
    "Next (Marrow now works in that folder): QTL analysis > Set parameters,\n"
    "press \"Use default\" and \"Ok\"; then QTL analysis > MCMC analysis and,\n"
    "when it has finished, QTL analysis > Posterior graphs.\n";
const char* const runInWindow =
    "Next (Marrow now works in that folder): QTL analysis > MCMC analysis and,\n"
    "when it has finished, QTL analysis > Posterior graphs.\n";

// After many traits: the window works in the first trait's folder, and
// "All traits" runs and gathers them.
std::string manyNextInWindow(const std::string& first, bool input) {
    std::string text = "Next: QTL analysis > All traits shows every trait of the folder; it runs\n"
                       "each trait's analysis in turn and gathers their QTL tables. Marrow now\n"
                       "works in " +
                       first + ", the first trait's folder.\n";
    if (!input)
        text += "Each folder needs multAl_in.txt first: import again with \"Write\n"
                "multAl_in.txt too\", or in each folder choose QTL analysis > Set parameters,\n"
                "press \"Use default\" and \"Ok\".\n";
    return text;
}

} // namespace

ImportDialog::ImportDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages) {
    setWindowTitle(QStringLiteral("Import data"));
    auto* layout = new QVBoxLayout(this);

    m_layoutGroup = new QButtonGroup(this);
    m_layoutGroup->setObjectName(QStringLiteral("layoutGroup"));
    auto* families = new QRadioButton(QStringLiteral("Families from shared founders"), this);
    auto* cross = new QRadioButton(QStringLiteral("One cross in an R/qtl layout"), this);
    auto* vcf = new QRadioButton(QStringLiteral("Genotypes in a VCF"), this);
    families->setObjectName(QStringLiteral("familiesRadio"));
    cross->setObjectName(QStringLiteral("crossRadio"));
    vcf->setObjectName(QStringLiteral("vcfRadio"));
    for (QRadioButton* radio : {families, cross, vcf})
        radio->setAccessibleName(radio->text());
    m_layoutGroup->addButton(families, familiesLayout);
    m_layoutGroup->addButton(cross, crossLayout);
    m_layoutGroup->addButton(vcf, vcfLayout);
    families->setChecked(true);

    layout->addWidget(families);
    layout->addWidget(m_familiesGroup = createFamiliesGroup());
    layout->addWidget(cross);
    layout->addWidget(m_crossGroup = createCrossGroup());
    layout->addWidget(vcf);
    layout->addWidget(m_vcfGroup = createVcfGroup());
    layout->addWidget(createSettingsGroup());

    auto* summaryLabel = new QLabel(QStringLiteral("Summary:"), this);
    m_summary = new QPlainTextEdit(this);
    m_summary->setObjectName(QStringLiteral("summaryText"));
    m_summary->setAccessibleName(summaryLabel->text());
    m_summary->setReadOnly(true);
    m_summary->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The tool's lines, up to 80 characters, without a scroll to the side.
    const QFontMetrics fixed(m_summary->font());
    m_summary->setMinimumSize(fixed.horizontalAdvance(QString(84, QLatin1Char('x'))),
                              fixed.lineSpacing() * 12);
    summaryLabel->setBuddy(m_summary);
    layout->addWidget(summaryLabel);
    layout->addWidget(m_summary, 1);

    auto* buttons = new QHBoxLayout;
    m_importButton = makeButton(QStringLiteral("Import"), QStringLiteral("importButton"), this);
    m_closeButton = makeButton(QStringLiteral("Close"), QStringLiteral("closeButton"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_importButton);
    buttons->addWidget(m_closeButton);
    layout->addLayout(buttons);

    connect(m_layoutGroup, &QButtonGroup::idClicked, this, [this] { enableForLayout(); });
    connect(m_formatCombo, &QComboBox::activated, this, [this] { enableForLayout(); });
    connect(m_mapRadio, &QRadioButton::toggled, this, [this] { enableForLayout(); });
    connect(m_traitsCombo, &QComboBox::activated, this, [this] {
        // Many traits are run from their folders: their engine input is
        // what makes that one step.
        if (manyTraits())
            m_writeInputCheck->setChecked(true);
        enableForTraits();
    });
    connect(m_traitList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        m_untickedTraits.removeAll(item->text());
        if (item->checkState() != Qt::Checked)
            m_untickedTraits.append(item->text());
    });
    connect(m_importButton, &QPushButton::clicked, this, &ImportDialog::onImport);
    connect(m_closeButton, &QPushButton::clicked, this, &ImportDialog::reject);
    enableForLayout();
    enableForTraits();
}

// A caption, an edit for a path and its "..." button, on one row.
QLineEdit* ImportDialog::addFileRow(QGridLayout& grid, const QString& caption, const char* name) {
    QWidget* owner = grid.parentWidget();
    const QString id = QLatin1String(name);
    auto* label = new QLabel(caption, owner);
    label->setObjectName(id + QLatin1String("Label"));
    auto* edit = new QLineEdit(owner);
    edit->setObjectName(id + QLatin1String("Edit"));
    edit->setAccessibleName(caption);
    edit->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    label->setBuddy(edit);
    auto* browse = makeButton(QStringLiteral("..."), id + QLatin1String("Browse"), owner);
    browse->setAccessibleName(caption + QLatin1String(" ..."));
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);
    const int row = grid.rowCount();
    grid.addWidget(label, row, 0);
    grid.addWidget(edit, row, 1);
    grid.addWidget(browse, row, 2);
    if (id == QLatin1String("folder"))
        connect(browse, &QPushButton::clicked, this, &ImportDialog::onChooseFolder);
    else {
        connect(browse, &QPushButton::clicked, this, [this, edit] { onChooseFile(edit); });
        connect(edit, &QLineEdit::editingFinished, this, &ImportDialog::refreshTraits);
    }
    return edit;
}

QComboBox* ImportDialog::addComboRow(QGridLayout& grid, const QString& caption, const char* name) {
    QWidget* owner = grid.parentWidget();
    const QString id = QLatin1String(name);
    auto* label = new QLabel(caption, owner);
    label->setObjectName(id + QLatin1String("Label"));
    auto* combo = new QComboBox(owner);
    combo->setObjectName(id + QLatin1String("Combo"));
    combo->setAccessibleName(caption);
    label->setBuddy(combo);
    const int row = grid.rowCount();
    grid.addWidget(label, row, 0);
    grid.addWidget(combo, row, 1, 1, 2);
    return combo;
}

QGroupBox* ImportDialog::createFamiliesGroup() {
    auto* box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("familiesGroup"));
    auto* grid = new QGridLayout(box);
    m_foundersEdit = addFileRow(*grid, QStringLiteral("Founders:"), "founders");
    m_familiesEdit = addFileRow(*grid, QStringLiteral("Families:"), "families");
    m_progenyEdit = addFileRow(*grid, QStringLiteral("Progeny:"), "progeny");
    return box;
}

QGroupBox* ImportDialog::createCrossGroup() {
    auto* box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("crossGroup"));
    auto* grid = new QGridLayout(box);
    m_formatCombo = addComboRow(*grid, QStringLiteral("Layout:"), "format");
    addChoices(*m_formatCombo, crossLayouts);
    m_crossFileEdit = addFileRow(*grid, QStringLiteral("Cross file:"), "crossFile");
    m_genotypesEdit = addFileRow(*grid, QStringLiteral("Genotypes:"), "genotypes");
    m_phenotypesEdit = addFileRow(*grid, QStringLiteral("Phenotypes:"), "phenotypes");
    return box;
}

// The VCF's own families.csv names VCF samples, so it has its own row. The
// map is a file or a rate: the radio button in front of each says which.
QGroupBox* ImportDialog::createVcfGroup() {
    auto* box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("vcfGroup"));
    auto* grid = new QGridLayout(box);
    m_vcfEdit = addFileRow(*grid, QStringLiteral("VCF:"), "vcf");
    m_vcfFamiliesEdit = addFileRow(*grid, QStringLiteral("Families:"), "vcfFamilies");
    m_samplesEdit = addFileRow(*grid, QStringLiteral("Samples:"), "samples");
    m_mapEdit = addFileRow(*grid, QStringLiteral("Map:"), "map");
    // The map row's caption is a radio button, as is the rate's.
    delete box->findChild<QLabel*>(QStringLiteral("mapLabel"));
    const int mapRow = grid->rowCount() - 1;
    m_mapRadio = new QRadioButton(QStringLiteral("Map:"), box);
    m_mapRadio->setObjectName(QStringLiteral("mapRadio"));
    m_cmPerMbRadio = new QRadioButton(QStringLiteral("cM per Mb:"), box);
    m_cmPerMbRadio->setObjectName(QStringLiteral("cmPerMbRadio"));
    for (QRadioButton* radio : {m_mapRadio, m_cmPerMbRadio})
        radio->setAccessibleName(radio->text());
    m_mapRadio->setChecked(true);
    grid->addWidget(m_mapRadio, mapRow, 0);
    m_cmPerMbEdit = new QLineEdit(box);
    m_cmPerMbEdit->setObjectName(QStringLiteral("cmPerMbEdit"));
    m_cmPerMbEdit->setAccessibleName(m_cmPerMbRadio->text());
    const int rateRow = grid->rowCount();
    grid->addWidget(m_cmPerMbRadio, rateRow, 0);
    grid->addWidget(m_cmPerMbEdit, rateRow, 1);
    auto* thinLabel = new QLabel(QStringLiteral("Thin (cM):"), box);
    thinLabel->setObjectName(QStringLiteral("thinLabel"));
    m_thinEdit = new QLineEdit(box);
    m_thinEdit->setObjectName(QStringLiteral("thinEdit"));
    m_thinEdit->setAccessibleName(thinLabel->text());
    m_thinEdit->setPlaceholderText(QStringLiteral("every marker"));
    thinLabel->setBuddy(m_thinEdit);
    const int thinRow = grid->rowCount();
    grid->addWidget(thinLabel, thinRow, 0);
    grid->addWidget(m_thinEdit, thinRow, 1);
    return box;
}

QGroupBox* ImportDialog::createSettingsGroup() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    m_crossCombo = addComboRow(*grid, QStringLiteral("Cross:"), "cross");
    m_traitsCombo = addComboRow(*grid, QStringLiteral("Traits:"), "traits");
    m_traitsCombo->addItem(QStringLiteral("one"), oneTrait);
    m_traitsCombo->addItem(QStringLiteral("all"), allTraits);
    m_traitCombo = addComboRow(*grid, QStringLiteral("Trait:"), "trait");
    m_traitList = new QListWidget(box);
    m_traitList->setObjectName(QStringLiteral("traitList"));
    m_traitList->setAccessibleName(QStringLiteral("Traits to import"));
    m_traitList->setMaximumHeight(fontMetrics().lineSpacing() * 6);
    grid->addWidget(m_traitList, grid->rowCount(), 1, 1, 2);
    m_callsCombo = addComboRow(*grid, QStringLiteral("Calls:"), "calls");
    addChoices(*m_callsCombo, callStyles);
    m_folderEdit = addFileRow(*grid, QStringLiteral("Folder:"), "folder");
    m_replaceCheck = new QCheckBox(QLatin1String(replaceCaption), box);
    m_replaceCheck->setObjectName(QStringLiteral("replaceCheck"));
    m_replaceCheck->setAccessibleName(m_replaceCheck->text());
    grid->addWidget(m_replaceCheck, grid->rowCount(), 1, 1, 2);
    m_writeInputCheck = new QCheckBox(writeInputCaption, box);
    m_writeInputCheck->setObjectName(QStringLiteral("writeInputCheck"));
    m_writeInputCheck->setAccessibleName(m_writeInputCheck->text());
    grid->addWidget(m_writeInputCheck, grid->rowCount(), 1, 1, 2);
    return box;
}

// The two layouts name their crosses in their own words (bc1 and bc2 of
// families, bc of one cross), so the list follows the layout and keeps the
// progeny type where both offer it.
void ImportDialog::fillCrossCombo() {
    const QVariant kept = m_crossCombo->currentData();
    m_crossCombo->clear();
    if (m_layoutGroup->checkedId() != crossLayout)
        addChoices(*m_crossCombo, familyCrosses);
    else
        addChoices(*m_crossCombo, oneCrosses);
    const int found =
        m_crossCombo->findData(kept.isValid() ? kept : static_cast<int>(ProgenyType::F2));
    m_crossCombo->setCurrentIndex(
        found >= 0 ? found : m_crossCombo->findData(static_cast<int>(ProgenyType::F2)));
}

void ImportDialog::enableForLayout() {
    const bool families = m_layoutGroup->checkedId() == familiesLayout;
    m_familiesGroup->setEnabled(families);
    m_crossGroup->setEnabled(m_layoutGroup->checkedId() == crossLayout);
    m_vcfGroup->setEnabled(m_layoutGroup->checkedId() == vcfLayout);
    m_mapEdit->setEnabled(m_mapRadio->isChecked());
    findChild<QWidget*>(QStringLiteral("mapBrowse"))->setEnabled(m_mapRadio->isChecked());
    m_cmPerMbEdit->setEnabled(m_cmPerMbRadio->isChecked());
    const bool split =
        isSplitLayout(static_cast<CrossLayout>(m_formatCombo->currentData().toInt()));
    const auto enableRow = [this](const char* id, bool enable) {
        for (const char* suffix : {"Label", "Edit", "Combo", "Browse"})
            if (auto* control = findChild<QWidget*>(QLatin1String(id) + QLatin1String(suffix)))
                control->setEnabled(enable);
    };
    enableRow("crossFile", !split);
    enableRow("genotypes", split);
    enableRow("phenotypes", split);
    enableRow("calls", families);
    fillCrossCombo();
    refreshTraits();
}

// The trait combo box and the list stand in the same place: one of them
// is in use.
void ImportDialog::enableForTraits() {
    const bool many = manyTraits();
    m_traitCombo->setEnabled(!many);
    m_traitList->setVisible(many);
}

bool ImportDialog::manyTraits() const {
    return m_traitsCombo->currentData().toInt() == allTraits;
}

ImportRequest ImportDialog::request() const {
    ImportRequest request;
    request.layout = static_cast<ImportLayout>(m_layoutGroup->checkedId());
    request.cross = static_cast<ProgenyType>(m_crossCombo->currentData().toInt());
    if (manyTraits()) {
        // Every trait ticked is --traits all, so that the folders follow
        // the tables' columns; an empty list too, so that the import names
        // the tables' problem.
        std::vector<std::string> ticked;
        for (int row = 0; row < m_traitList->count(); ++row)
            if (m_traitList->item(row)->checkState() == Qt::Checked)
                ticked.push_back(m_traitList->item(row)->text().toStdString());
        if (static_cast<int>(ticked.size()) == m_traitList->count())
            request.traits.all = true;
        else
            request.traits.names = std::move(ticked);
    } else {
        request.trait = m_traitCombo->currentText().toStdString();
    }
    request.writeInput = m_writeInputCheck->isChecked();
    request.writeInputName = '"' + writeInputCaption.toStdString() + '"';
    request.founders = pathOf(m_foundersEdit);
    request.families = pathOf(m_familiesEdit);
    request.progeny = pathOf(m_progenyEdit);
    if (request.layout == ImportLayout::Vcf) {
        request.families = pathOf(m_vcfFamiliesEdit);
        request.vcf = pathOf(m_vcfEdit);
        request.samples = pathOf(m_samplesEdit);
        if (m_mapRadio->isChecked())
            request.map = pathOf(m_mapEdit);
        else
            request.cmPerMb = positiveIn(m_cmPerMbEdit);
        request.thin = positiveIn(m_thinEdit).value_or(0);
    }
    request.calls = static_cast<CallStyle>(m_callsCombo->currentData().toInt());
    request.format = static_cast<CrossLayout>(m_formatCombo->currentData().toInt());
    if (isSplitLayout(request.format)) {
        request.genotypes = pathOf(m_genotypesEdit);
        request.phenotypes = pathOf(m_phenotypesEdit);
    } else {
        request.crossFile = pathOf(m_crossFileEdit);
    }
    const std::string folder = pathOf(m_folderEdit);
    // The folder as the user will find it again, whatever the working
    // folder is when the main window takes it.
    std::error_code ignored;
    if (!folder.empty())
        request.folder = fs::absolute(folder, ignored).lexically_normal();
    request.force = m_replaceCheck->isChecked();
    request.forceName = '"' + std::string(replaceCaption) + '"';
    return request;
}

void ImportDialog::refreshTraits() {
    const QString kept = m_traitCombo->currentText();
    m_traitCombo->clear();
    const std::vector<std::string> names = importTraitNames(request());
    for (const std::string& name : names)
        m_traitCombo->addItem(QString::fromStdString(name));
    const int found = m_traitCombo->findText(kept);
    if (found >= 0)
        m_traitCombo->setCurrentIndex(found);
    const QSignalBlocker quiet(m_traitList);
    m_traitList->clear();
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), m_traitList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_untickedTraits.contains(item->text()) ? Qt::Unchecked : Qt::Checked);
    }
}

void ImportDialog::onChooseFile(QLineEdit* edit) {
    const std::optional<QString> path = FileChooser::current().chooseAnyFile(this);
    if (!path)
        return;
    edit->setText(*path);
    refreshTraits();
}

void ImportDialog::onChooseFolder() {
    // The folder typed so far, else the working folder, is where to start.
    const std::optional<QString> path = FileChooser::current().chooseFolder(
        this, QStringLiteral("Folder to import into"), m_folderEdit->text().trimmed());
    if (path)
        m_folderEdit->setText(*path);
}

std::string ImportDialog::missingEntry() const {
    const ImportRequest wanted = request();
    std::vector<std::pair<const std::string*, const char*>> needed;
    if (wanted.layout == ImportLayout::Families)
        needed = {{&wanted.founders, "Founders:"},
                  {&wanted.families, "Families:"},
                  {&wanted.progeny, "Progeny:"}};
    else if (wanted.layout == ImportLayout::Vcf)
        needed = {{&wanted.vcf, "VCF:"}, {&wanted.families, "Families:"}};
    else if (isSplitLayout(wanted.format))
        needed = {{&wanted.genotypes, "Genotypes:"}, {&wanted.phenotypes, "Phenotypes:"}};
    else
        needed = {{&wanted.crossFile, "Cross file:"}};
    if (wanted.layout == ImportLayout::Vcf) {
        needed.push_back({&wanted.samples, "Samples:"});
        if (m_mapRadio->isChecked())
            needed.push_back({&wanted.map, "Map:"});
    }
    for (const auto& [path, caption] : needed)
        if (path->empty())
            return std::string("Choose the file of \"") + caption + "\".";
    if (wanted.layout == ImportLayout::Vcf && m_cmPerMbRadio->isChecked() && !wanted.cmPerMb)
        return "\"cM per Mb:\" needs a positive number, such as 0.5 for a genome whose 200 Mb "
               "span 100 cM.";
    if (wanted.layout == ImportLayout::Vcf && !m_thinEdit->text().trimmed().isEmpty() &&
        !(wanted.thin > 0))
        return "\"Thin (cM):\" needs a positive number of cM, or nothing to keep every marker.";
    if (manyTraits() && m_traitList->count() > 0 && !wanted.traits.wanted())
        return "Tick at least one trait in the list under \"Traits:\".";
    if (wanted.folder.empty())
        return "Choose the folder to import into (\"Folder:\").";
    return {};
}

void ImportDialog::onImport() {
    if (const std::string missing = missingEntry(); !missing.empty()) {
        m_messages.error(missing);
        return;
    }
    m_summary->clear();
    const ImportRequest wanted = request();
    try {
        const ImportResult result = importData(wanted);
        std::string text = result.summary + result.written;
        if (!result.traitFolders.empty()) {
            const fs::path first = wanted.folder / result.traitFolders.front();
            text += manyNextInWindow(escapedControls(first.string()), result.input);
            m_importedFolder = QString::fromStdString(first.string());
            m_importedTraitsFolder = QString::fromStdString(wanted.folder.string());
        } else {
            if (result.input)
                text += runInWindow;
            else if (result.analysis)
                text += nextInWindow;
            m_importedFolder = QString::fromStdString(wanted.folder.string());
            m_importedTraitsFolder.clear();
        }
        m_summary->setPlainText(QString::fromStdString(text + result.notes));
        emit folderImported(m_importedFolder);
    } catch (const FileError& error) {
        m_messages.error(error.message());
    } catch (const std::bad_alloc&) {
        m_messages.error("The tables are too large to read in the memory there is.");
    } catch (const std::exception& error) {
        // An exception out of a slot would end the program.
        m_messages.error(error.what());
    }
}

void ImportDialog::reject() {
    done(m_importedFolder.isEmpty() ? Rejected : Accepted);
}
