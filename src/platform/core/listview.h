#pragma once
// A list view in report mode whose rows are addressed by 1-based position,
// each with its row text and sub-items 1..3, with column widths in twips.
// Rows read from a text file can be added as lines that are split into cells
// only when a cell is asked for, so a long list costs little until it is shown.
#include <QStringList>
#include <QTreeView>
#include <QVector>
#include <array>
#include <functional>
#include <memory>

namespace platform {

class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Report view with column headers.
    void setReportView();
    void clearColumns();
    void addColumn(const QString& caption, double widthTwips);
    int columnCount() const;
    QString columnCaption(int index) const;
    double columnWidthTwips(int index) const;

    int count() const;
    // Appends a row with the given text and returns its position.
    int addRow(const QString& text);
    // Appends many rows at once (row text followed by sub-items).
    void addRows(const QVector<QStringList>& rows);

    // Rows whose cells are made only when first needed: row k (from 0) has the
    // text firstNumber + k and the sub-items subItems(k).
    struct LazyRows {
        int count = 0;
        int firstNumber = 1;
        std::function<std::array<QString, 3>(int k)> subItems;
    };
    void addLazyRows(LazyRows rows);
    void clearRows();

    // Throws platform::Error when the position is outside the list.
    QString rowText(int position) const;
    QString subItem(int position, int index) const;
    void setSubItem(int position, int index, const QString& text);

    int sortKey() const { return sortKey_; }
    void setSortKey(int key) { sortKey_ = key; }

    // Rows are chosen whole, so bringing one into view only moves the list up or down.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    // The user clicked a row, or chose another one with the keyboard. Selections
    // the program makes itself raise nothing.
    void itemClick(int position);
    void columnClick(int index);
    void dblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public:
    // The 1-based position of the selected row; 0 when none is.
    int selectedPosition() const;

private:
    class Model;
    Model* model_;
    QVector<double> widths_;
    int sortKey_ = 0;
};

} // namespace platform
