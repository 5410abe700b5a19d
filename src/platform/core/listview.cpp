#include "platform/core/listview.h"

#include "platform/core/accessibility.h"
#include "platform/core/error.h"
#include "platform/core/program.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace platform {

namespace {
[[noreturn]] void outOfBounds() { throw Error(errc::IndexOutOfBounds); }
}

class ListView::Model : public QAbstractTableModel {
public:
    using Cells = std::array<QString, 4>;  // row text, sub-items 1..3

    // Rows come in runs: rows given cell by cell, or rows made on demand, whose
    // cells are kept once made (or once changed).
    struct Run {
        mutable QVector<Cells> rows;
        std::shared_ptr<const LazyRows> lazy;
        mutable QHash<int, Cells> made;
        int size() const { return lazy ? lazy->count : rows.size(); }
    };

    QStringList captions;
    std::vector<Run> runs;
    int total = 0;

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : total; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : captions.size(); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.column() > 3)
            return QVariant();
        return cells(index.row())[index.column()];
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < captions.size())
            return captions[section];
        return QVariant();
    }

    Cells& cells(int row) const
    {
        for (const Run& run : runs) {
            if (row < run.size()) {
                if (!run.lazy)
                    return run.rows[row];
                auto it = run.made.find(row);
                if (it == run.made.end()) {
                    const std::array<QString, 3> sub = run.lazy->subItems(row);
                    it = run.made.insert(row, {QString::number(run.lazy->firstNumber + row), sub[0], sub[1], sub[2]});
                }
                return it.value();
            }
            row -= run.size();
        }
        outOfBounds();
    }

    void appendRows(QVector<Cells>&& more)
    {
        if (more.isEmpty())
            return;
        beginInsertRows(QModelIndex(), total, total + more.size() - 1);
        if (runs.empty() || runs.back().lazy)
            runs.emplace_back();
        total += more.size();
        runs.back().rows.append(std::move(more));
        endInsertRows();
    }

    void appendLazy(LazyRows&& lazy)
    {
        if (lazy.count <= 0)
            return;
        beginInsertRows(QModelIndex(), total, total + lazy.count - 1);
        total += lazy.count;
        Run run;
        run.lazy = std::make_shared<const LazyRows>(std::move(lazy));
        runs.push_back(std::move(run));
        endInsertRows();
    }

    void changed(int row, int column) { emit dataChanged(index(row, column), index(row, column)); }

    void resetRows()
    {
        beginResetModel();
        runs.clear();
        total = 0;
        endResetModel();
    }

    void setCaptions(const QStringList& c)
    {
        beginResetModel();
        captions = c;
        endResetModel();
    }
};

ListView::ListView(QWidget* parent) : QTreeView(parent), model_(new Model)
{
    model_->setParent(this);
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit itemClick(index.row() + 1);
    });
    connect(header(), &QHeaderView::sectionClicked, this, &ListView::columnClick);
}

ListView::~ListView() = default;

void ListView::setReportView() { setHeaderHidden(false); }

void ListView::clearColumns()
{
    widths_.clear();
    model_->setCaptions({});
    refreshAccessibleName(this);
}

void ListView::addColumn(const QString& caption, double widthTwips)
{
    widths_.append(widthTwips);
    model_->setCaptions(model_->captions + QStringList{caption});
    for (int i = 0; i < widths_.size(); ++i)
        header()->resizeSection(i, twipsToPixels(widths_[i]));
    // Without a label of its own, the list is named after its columns.
    refreshAccessibleName(this);
}

int ListView::columnCount() const { return model_->captions.size(); }

QString ListView::columnCaption(int index) const
{
    if (index < 0 || index >= model_->captions.size())
        outOfBounds();
    return model_->captions[index];
}

double ListView::columnWidthTwips(int index) const
{
    if (index < 0 || index >= widths_.size())
        outOfBounds();
    return widths_[index];
}

int ListView::count() const { return model_->total; }

int ListView::addRow(const QString& text)
{
    model_->appendRows({Model::Cells{text, QString(), QString(), QString()}});
    return count();
}

void ListView::addRows(const QVector<QStringList>& rows)
{
    QVector<Model::Cells> more(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        for (int c = 0; c < 4; ++c)
            more[i][c] = rows[i].value(c);
    model_->appendRows(std::move(more));
}

void ListView::addLazyRows(LazyRows rows) { model_->appendLazy(std::move(rows)); }

void ListView::clearRows() { model_->resetRows(); }

QString ListView::rowText(int position) const
{
    if (position < 1 || position > count())
        outOfBounds();
    return model_->cells(position - 1)[0];
}

QString ListView::subItem(int position, int index) const
{
    if (position < 1 || position > count() || index < 1 || index > 3)
        outOfBounds();
    return model_->cells(position - 1)[index];
}

void ListView::setSubItem(int position, int index, const QString& text)
{
    if (position < 1 || position > count() || index < 1 || index > 3)
        outOfBounds();
    model_->cells(position - 1)[index] = text;
    model_->changed(position - 1, index);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    emit dblClick();
}

int ListView::selectedPosition() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void ListView::keyPressEvent(QKeyEvent* event)
{
    // Arrows, Page Up/Down, Home, End and typing choose a row as a click does.
    const int before = selectedPosition();
    QTreeView::keyPressEvent(event);
    const int after = selectedPosition();
    if (after != 0 && after != before)
        emit itemClick(after);
}

void ListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // The view would also bring the cell's column into view: a click on a title
    // wider than the list would push the number column out of sight.
    QScrollBar* sideways = horizontalScrollBar();
    const int keep = sideways->value();
    QTreeView::scrollTo(index, hint);
    sideways->setValue(keep);
}

} // namespace platform
