#include "app/ImportDlg.h"

#include "model/FileError.h"
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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <filesystem>
#include <new>

namespace fs = std::filesystem;

namespace {

constexpr int familiesLayout = static_cast<int>(ImportLayout::Families);
constexpr int crossLayout = static_cast<int>(ImportLayout::Cross);

/// How the check box that replaces files is named in the messages that
/// point to it, where the tool says "--force".
const char* const replaceCaption = "Replace files in the folder";

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

// What to do next, where the tool says to start Marrow in the folder: the
// window already works there.
const char* const nextInWindow =
    "Next (Marrow now works in that folder): QTL analysis > Set parameters,\n"
    "press \"Use default\" and \"Ok\"; then QTL analysis > MCMC analysis and,\n"
    "when it has finished, QTL analysis > Posterior graphs.\n";

} // namespace

ImportDialog::ImportDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages) {
    setWindowTitle(QStringLiteral("Import data"));
    auto* layout = new QVBoxLayout(this);

    m_layoutGroup = new QButtonGroup(this);
    m_layoutGroup->setObjectName(QStringLiteral("layoutGroup"));
    auto* families = new QRadioButton(QStringLiteral("Families from shared founders"), this);
    auto* cross = new QRadioButton(QStringLiteral("One cross in an R/qtl layout"), this);
    families->setObjectName(QStringLiteral("familiesRadio"));
    cross->setObjectName(QStringLiteral("crossRadio"));
    for (QRadioButton* radio : {families, cross})
        radio->setAccessibleName(radio->text());
    m_layoutGroup->addButton(families, familiesLayout);
    m_layoutGroup->addButton(cross, crossLayout);
    families->setChecked(true);

    layout->addWidget(families);
    layout->addWidget(m_familiesGroup = createFamiliesGroup());
    layout->addWidget(cross);
    layout->addWidget(m_crossGroup = createCrossGroup());
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
    connect(m_importButton, &QPushButton::clicked, this, &ImportDialog::onImport);
    connect(m_closeButton, &QPushButton::clicked, this, &ImportDialog::reject);
    enableForLayout();
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

QGroupBox* ImportDialog::createSettingsGroup() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    m_crossCombo = addComboRow(*grid, QStringLiteral("Cross:"), "cross");
    m_traitCombo = addComboRow(*grid, QStringLiteral("Trait:"), "trait");
    m_callsCombo = addComboRow(*grid, QStringLiteral("Calls:"), "calls");
    addChoices(*m_callsCombo, callStyles);
    m_folderEdit = addFileRow(*grid, QStringLiteral("Folder:"), "folder");
    m_replaceCheck = new QCheckBox(QLatin1String(replaceCaption), box);
    m_replaceCheck->setObjectName(QStringLiteral("replaceCheck"));
    m_replaceCheck->setAccessibleName(m_replaceCheck->text());
    grid->addWidget(m_replaceCheck, grid->rowCount(), 1, 1, 2);
    return box;
}

// The two layouts name their crosses in their own words (bc1 and bc2 of
// families, bc of one cross), so the list follows the layout and keeps the
// progeny type where both offer it.
void ImportDialog::fillCrossCombo() {
    const QVariant kept = m_crossCombo->currentData();
    m_crossCombo->clear();
    if (m_layoutGroup->checkedId() == familiesLayout)
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
    m_crossGroup->setEnabled(!families);
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

ImportRequest ImportDialog::request() const {
    ImportRequest request;
    request.layout = static_cast<ImportLayout>(m_layoutGroup->checkedId());
    request.cross = static_cast<ProgenyType>(m_crossCombo->currentData().toInt());
    request.trait = m_traitCombo->currentText().toStdString();
    request.founders = pathOf(m_foundersEdit);
    request.families = pathOf(m_familiesEdit);
    request.progeny = pathOf(m_progenyEdit);
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
    for (const std::string& name : importTraitNames(request()))
        m_traitCombo->addItem(QString::fromStdString(name));
    const int found = m_traitCombo->findText(kept);
    if (found >= 0)
        m_traitCombo->setCurrentIndex(found);
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
    const std::pair<const std::string*, const char*> entries[] = {
        {&wanted.founders, "Founders:"},   {&wanted.families, "Families:"},
        {&wanted.progeny, "Progeny:"},     {&wanted.crossFile, "Cross file:"},
        {&wanted.genotypes, "Genotypes:"}, {&wanted.phenotypes, "Phenotypes:"},
    };
    const bool families = wanted.layout == ImportLayout::Families;
    const bool split = isSplitLayout(wanted.format);
    for (std::size_t k = 0; k < std::size(entries); ++k) {
        const bool needed = families ? k < 3 : (split ? k >= 4 : k == 3);
        if (needed && entries[k].first->empty())
            return std::string("Choose the file of \"") + entries[k].second + "\".";
    }
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
        if (result.analysis)
            text += nextInWindow;
        m_summary->setPlainText(QString::fromStdString(text + result.notes));
        m_importedFolder = QString::fromStdString(wanted.folder.string());
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
