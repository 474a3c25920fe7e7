// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewers/QtlTableWnd.h"

#include "model/FileError.h"
#include "viewers/QTLIntDlg.h"
#include "viewers/QtlTable.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

/// The regions of the table in the order the user sorted them by.
class QtlTableModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    const QtlSummaryTable& table() const { return m_table; }
    /// The region shown in `shownRow`, an index into `table().rows`.
    int regionAt(int shownRow) const { return m_order.at(shownRow); }

    /// Takes a new table, sorted as the last one was.
    void setTable(QtlSummaryTable table) {
        beginResetModel();
        m_table = std::move(table);
        m_order = qtlTableOrder(m_table, m_sortColumn, m_descending);
        m_heading = qtlSummaryHeading(m_table.founders);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_order.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_heading.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const QtlSummaryRow& row = m_table.rows[regionAt(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(qtlTableShownCell(row, index.column()));
        case Qt::ToolTipRole:
            // Every digit the file holds, as a copy gives it.
            return QString::fromStdString(qtlSummaryCells(row, m_table.founders)[index.column()]);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= columnCount())
            return QAbstractTableModel::headerData(section, orientation, role);
        return QString::fromStdString(m_heading[section]);
    }

    void sort(int column, Qt::SortOrder order) override {
        m_sortColumn = column;
        m_descending = order == Qt::DescendingOrder;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        m_order = qtlTableOrder(m_table, m_sortColumn, m_descending);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    QtlSummaryTable m_table;
    std::vector<std::string> m_heading;
    std::vector<int> m_order;
    int m_sortColumn = -1;
    bool m_descending = false;
};

namespace {

// The item view copies only the current cell on Ctrl+C, ahead of any
// shortcut when it claims the key: here the key copies the selected rows.
class RowCopyingView : public QTableView {
public:
    RowCopyingView(std::function<void()> copy, QWidget* parent)
        : QTableView(parent), m_copy(std::move(copy)) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) {
            m_copy();
            event->accept();
            return;
        }
        QTableView::keyPressEvent(event);
    }

private:
    std::function<void()> m_copy;
};

} // namespace

QtlTableWindow::QtlTableWindow(PosteriorGraphDialog& posterior, QWidget* parent)
    : QWidget(parent, Qt::Window), m_posterior(posterior) {
    setObjectName(QStringLiteral("qtlTableWindow"));
    setWindowTitle(QStringLiteral("QTL table"));
    createControls();
    m_watcher = new QFileSystemWatcher(this);
    m_reloadTimer = new QTimer(this);
    m_reloadTimer->setSingleShot(true);
    m_reloadTimer->setInterval(150);
    connect(m_reloadTimer, &QTimer::timeout, this, &QtlTableWindow::reload);
    const auto later = [this] { m_reloadTimer->start(); };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, later);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, later);
    resize(760, 320);
}

QtlTableWindow::~QtlTableWindow() = default;

void QtlTableWindow::createControls() {
    m_sourceLabel = new QLabel(this);
    m_sourceLabel->setObjectName(QStringLiteral("sourceLabel"));
    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("problemLabel"));
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_model = new QtlTableModel(this);
    m_view = new RowCopyingView([this] { copySelection(); }, this);
    m_view->setObjectName(QStringLiteral("qtlTableView"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    // No column is sorted until the user clicks one: the file's order first.
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->horizontalHeader()->setSortIndicatorClearable(true);
    m_view->setSortingEnabled(true);
    m_view->setAccessibleName(QStringLiteral("QTL table"));
    connect(m_view, &QTableView::activated, this,
            [this](const QModelIndex& index) { openRow(index.row()); });

    auto* copy = new QAction(QStringLiteral("Copy"), m_view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &QtlTableWindow::copySelection);
    m_view->addAction(copy);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);

    m_chromosomeLabel = new QLabel(this);
    m_chromosomeLabel->setObjectName(QStringLiteral("chromosomeLabel"));
    m_chromosomeLabel->setWordWrap(true);
    m_chromosomeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sourceLabel);
    layout->addWidget(m_problemLabel);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_chromosomeLabel);
}

void QtlTableWindow::showAndRaise() {
    if (isVisible())
        reload();
    else
        show();
    raise();
    activateWindow();
}

void QtlTableWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The working folder, or the files in it, may have changed while the
    // window was closed, when nothing watched them.
    if (!event->spontaneous())
        reload();
}

bool QtlTableWindow::event(QEvent* event) {
    // The working folder may have been changed in the main window while
    // this one stood open: coming back to it shows the new folder's table.
    if (event->type() == QEvent::WindowActivate && m_folder != QDir::currentPath())
        reload();
    return QWidget::event(event);
}

void QtlTableWindow::reload() {
    watchFolder();
    readTable();
    readChromosomes();
}

void QtlTableWindow::watchFolder() {
    // A writer replaces a file by renaming a new one over it, after which
    // the watcher no longer follows that name: every reading adds the paths
    // afresh. The folder itself tells when a missing file appears.
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    const QDir folder = QDir::current();
    m_folder = folder.absolutePath();
    m_watcher->addPath(m_folder);
    for (const char* name : {qtlSummaryCsvName, qtlSummaryTextName}) {
        const QString path = folder.absoluteFilePath(QString::fromLatin1(name));
        if (QFileInfo::exists(path))
            m_watcher->addPath(path);
    }
}

void QtlTableWindow::readTable() {
    const QString path = QDir::current().absoluteFilePath(QString::fromLatin1(qtlSummaryCsvName));
    m_sourceLabel->setText(path);
    QString problem;
    QtlSummaryTable table;
    try {
        if (auto read = loadQtlSummaryCsv(qtlSummaryCsvName))
            table = std::move(*read);
        else
            problem = QStringLiteral("No QTL table: %1 is not in the working folder %2. An MCMC "
                                     "analysis writes it.")
                          .arg(QString::fromLatin1(qtlSummaryCsvName),
                               QDir::toNativeSeparators(QDir::currentPath()));
    } catch (const FileError& error) {
        problem = QStringLiteral("The QTL table cannot be read: %1")
                      .arg(QString::fromStdString(error.message()));
    }
    m_model->setTable(std::move(table));
    m_problemLabel->setText(problem);
    m_problemLabel->setVisible(!problem.isEmpty());
    m_view->setVisible(problem.isEmpty());
    if (problem.isEmpty()) {
        const auto count = m_model->table().rows.size();
        m_sourceLabel->setText(QStringLiteral("%1 %2 in %3")
                                   .arg(count)
                                   .arg(count == 1 ? "region" : "regions")
                                   .arg(QDir::toNativeSeparators(path)));
        m_view->resizeColumnsToContents();
    }
}

void QtlTableWindow::readChromosomes() {
    QString line;
    try {
        if (const auto read = loadChromosomeProbabilities(qtlSummaryTextName))
            line = QString::fromStdString(chromosomeProbabilityLine(*read));
        else
            line = QStringLiteral("%1: %2 is not in the working folder.")
                       .arg(QString::fromLatin1(chromosomeProbabilityHeading),
                            QString::fromLatin1(qtlSummaryTextName));
    } catch (const FileError& error) {
        line = QStringLiteral("%1: %2").arg(QString::fromLatin1(chromosomeProbabilityHeading),
                                            QString::fromStdString(error.message()));
    }
    m_chromosomeLabel->setText(line);
}

const QtlSummaryTable& QtlTableWindow::table() const {
    return m_model->table();
}

QString QtlTableWindow::problem() const {
    return m_problemLabel->text();
}

QString QtlTableWindow::chromosomeLine() const {
    return m_chromosomeLabel->text();
}

QString QtlTableWindow::selectedRowsText() const {
    QModelIndexList selected = m_view->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return {};
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<int> rows;
    for (const QModelIndex& index : selected)
        rows.push_back(m_model->regionAt(index.row()));
    return QString::fromStdString(qtlTableCopyText(m_model->table(), rows));
}

void QtlTableWindow::copySelection() {
    const QString text = selectedRowsText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void QtlTableWindow::openRow(int shownRow) {
    if (shownRow < 0 || shownRow >= m_model->rowCount())
        return;
    const QtlSummaryRow& region = m_model->table().rows[m_model->regionAt(shownRow)];
    m_posterior.openAtChromosome(region.chromosome);
}
