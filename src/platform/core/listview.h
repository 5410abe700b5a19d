#pragma once
// A list view in report mode whose rows are addressed by 1-based position,
// each with its row text and sub-items 1..3, with column widths in twips.
#include <QStringList>
#include <QTreeWidget>
#include <QVector>

namespace platform {

class ListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // Report view with column headers.
    void setReportView();
    void clearColumns();
    void addColumn(const QString& caption, double widthTwips);
    int columnCount() const { return QTreeWidget::columnCount(); }
    QString columnCaption(int index) const;
    double columnWidthTwips(int index) const;

    int count() const { return topLevelItemCount(); }
    // Appends a row with the given text and returns its position.
    int addRow(const QString& text);
    // Appends many rows at once (row text followed by sub-items), much faster than one by one.
    void addRows(const QVector<QStringList>& rows);
    void clearRows();

    // Throws platform::Error when the position is outside the list.
    QString rowText(int position) const;
    QString subItem(int position, int index) const;
    void setSubItem(int position, int index, const QString& text);

    int sortKey() const { return sortKey_; }
    void setSortKey(int key) { sortKey_ = key; }

signals:
    void itemClick(int position);
    void columnClick(int index);
    void dblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QTreeWidgetItem* itemAt(int position) const;
    QVector<double> widths_;
    int sortKey_ = 0;
};

} // namespace platform
