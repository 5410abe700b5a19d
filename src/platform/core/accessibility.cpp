#include "platform/core/accessibility.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>

namespace platform {

namespace {

// Marks a name this file lent a control, so a later look can take it back.
constexpr char kBorrowedName[] = "aurelisBorrowedAccessibleName";

class TopLevelWidget : public QAccessibleWidget {
public:
    explicit TopLevelWidget(QWidget* w) : QAccessibleWidget(w) {}
    QAccessible::Role role() const override
    {
        const QWidget* w = widget();
        if (!w->isWindow())
            return QAccessible::Client;
        const Qt::WindowType type = w->windowType();
        return (type == Qt::Dialog || type == Qt::Sheet) ? QAccessible::Dialog : QAccessible::Window;
    }
};

// Qt's own interfaces give the other widget classes their roles; a plain QWidget
// gets the role of a pane, whatever it is. Only top-level ones are taken here:
// the panes inside windows keep Qt's interface.
QAccessibleInterface* topLevelWidgetFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QWidget") || !object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    return w->isWindow() ? new TopLevelWidget(w) : nullptr;
}

// The name a screen reader announces from what the widget itself offers.
QString ownName(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return QString();
    QString name = iface->text(QAccessible::Name).trimmed();
    // On this desktop a drop-down list reports its current entry as its name;
    // what it is comes from its label.
    if (iface->role() == QAccessible::ComboBox && name == iface->text(QAccessible::Value).trimmed())
        name.clear();
    if (!name.isEmpty())
        return name;
    for (const auto& labelled : iface->relations(QAccessible::Label)) {
        if (labelled.first && !labelled.first->text(QAccessible::Name).trimmed().isEmpty())
            return labelled.first->text(QAccessible::Name).trimmed();
    }
    return QString();
}

QString columnCaptions(const QAbstractItemView* view, const QHeaderView* header)
{
    if (!header || header->isHidden() || !view->model())
        return QString();
    QStringList captions;
    for (int i = 0; i < view->model()->columnCount(); ++i) {
        QString caption = view->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        // Captions spaced out for the eye ("    目  录") are one word to the ear.
        caption.remove(QLatin1Char(' '));
        caption.remove(QChar(0x3000));
        if (!caption.isEmpty())
            captions << caption;
    }
    return captions.join(QLatin1Char(' '));
}

// The scroll area whose own scroll bar this is, if it is one.
QAbstractScrollArea* scrolledArea(QWidget* w)
{
    auto* bar = qobject_cast<QScrollBar*>(w);
    if (!bar || !bar->parentWidget())
        return nullptr;
    auto* area = qobject_cast<QAbstractScrollArea*>(bar->parentWidget()->parentWidget());
    if (area && (area->verticalScrollBar() == bar || area->horizontalScrollBar() == bar))
        return area;
    return nullptr;
}

QString borrowedName(QWidget* w)
{
    if (!w->toolTip().trimmed().isEmpty())
        return w->toolTip().trimmed();
    if (const auto* tree = qobject_cast<QTreeView*>(w))
        return columnCaptions(tree, tree->isHeaderHidden() ? nullptr : tree->header());
    if (const auto* table = qobject_cast<QTableView*>(w))
        return columnCaptions(table, table->horizontalHeader());
    if (QAbstractScrollArea* area = scrolledArea(w))
        return ownName(area);
    return QString();
}

class AccessibleNames : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((event->type() == QEvent::Show || event->type() == QEvent::ToolTipChange) && watched->isWidgetType())
            refreshAccessibleName(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

void refreshAccessibleName(QWidget* control)
{
    if (!control || control->isWindow())
        return;
    const bool borrowed = control->property(kBorrowedName).toBool();
    // A name the window gave the control is the control's own.
    if (!borrowed && !control->accessibleName().isEmpty())
        return;
    if (borrowed)
        control->setAccessibleName(QString());
    const QString name = ownName(control).isEmpty() ? borrowedName(control) : QString();
    if (!name.isEmpty()) {
        control->setAccessibleName(name);
        control->setProperty(kBorrowedName, true);
    } else if (borrowed) {
        control->setProperty(kBorrowedName, QVariant());
    }
}

void setUpAccessibility(QApplication& app)
{
    const QString filterName = QStringLiteral("AccessibleNames");
    if (app.findChild<QObject*>(filterName, Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new AccessibleNames(&app);
    filter->setObjectName(filterName);
    app.installEventFilter(filter);
    QAccessible::installFactory(topLevelWidgetFactory);
}

} // namespace platform
