#include "platform/core/listview.h"

#include "platform/core/error.h"
#include "platform/core/program.h"

#include <QHeaderView>

namespace platform {

namespace {
constexpr int kInvalidIndex = 35600; // "index out of bounds", as the list control reports it
}

ListView::ListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        const int idx = indexOfTopLevelItem(item);
        if (idx >= 0)
            emit itemClick(idx + 1);
    });
    connect(header(), &QHeaderView::sectionClicked, this, &ListView::columnClick);
}

void ListView::setReportView() { setHeaderHidden(false); }

void ListView::clearColumns()
{
    widths_.clear();
    setColumnCount(0);
}

void ListView::addColumn(const QString& caption, double widthTwips)
{
    widths_.append(widthTwips);
    const int n = widths_.size();
    setColumnCount(n);
    QTreeWidgetItem* h = headerItem();
    h->setText(n - 1, caption);
    setColumnWidth(n - 1, twipsToPixels(widthTwips));
}

QString ListView::columnCaption(int index) const
{
    if (index < 0 || index >= QTreeWidget::columnCount())
        throw Error(kInvalidIndex, QStringLiteral("索引超出范围"));
    return headerItem()->text(index);
}

double ListView::columnWidthTwips(int index) const
{
    if (index < 0 || index >= widths_.size())
        throw Error(kInvalidIndex, QStringLiteral("索引超出范围"));
    return widths_[index];
}

int ListView::addRow(const QString& text)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    addTopLevelItem(item);
    return topLevelItemCount();
}

void ListView::addRows(const QVector<QStringList>& rows)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const QStringList& r : rows)
        items.append(new QTreeWidgetItem(r));
    addTopLevelItems(items);
}

void ListView::clearRows() { clear(); }

QTreeWidgetItem* ListView::itemAt(int position) const
{
    if (position < 1 || position > topLevelItemCount())
        throw Error(kInvalidIndex, QStringLiteral("索引超出范围"));
    return topLevelItem(position - 1);
}

QString ListView::rowText(int position) const { return itemAt(position)->text(0); }

QString ListView::subItem(int position, int index) const
{
    if (index < 1 || index > 3)
        throw Error(kInvalidIndex, QStringLiteral("索引超出范围"));
    return itemAt(position)->text(index);
}

void ListView::setSubItem(int position, int index, const QString& text)
{
    if (index < 1 || index > 3)
        throw Error(kInvalidIndex, QStringLiteral("索引超出范围"));
    itemAt(position)->setText(index, text);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    emit dblClick();
}

} // namespace platform
