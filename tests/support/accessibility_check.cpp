#include "support/accessibility_check.h"

#include <QAccessibleInterface>
#include <QMetaEnum>
#include <QWidget>
#include <algorithm>

namespace testing_support {

namespace {

bool isInteractiveRole(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::ScrollBar:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
    case QAccessible::PageTabList:
    case QAccessible::PageTab:
    case QAccessible::MenuItem:
    case QAccessible::HotkeyField:
    case QAccessible::Link:
        return true;
    default:
        return false;
    }
}

// Their children are their content (rows, cells, entries), which the user reads
// through the control's own name and value.
bool holdsItems(QAccessible::Role role)
{
    return role == QAccessible::List || role == QAccessible::Tree || role == QAccessible::Table ||
           role == QAccessible::ComboBox;
}

QString nodeName(QAccessibleInterface* iface)
{
    if (QObject* o = iface->object()) {
        if (!o->objectName().isEmpty())
            return o->objectName();
        return QString::fromLatin1(o->metaObject()->className());
    }
    return roleName(iface->role());
}

// What a screen reader announces the control as: its name, or the name of the
// label that stands for it. A drop-down list's name here is its current entry,
// which says nothing about what it is for, so only its label counts.
QString announcedName(QAccessibleInterface* iface)
{
    QString name = iface->text(QAccessible::Name).trimmed();
    if (iface->role() == QAccessible::ComboBox && name == iface->text(QAccessible::Value).trimmed())
        name.clear();
    const auto labels = iface->relations(QAccessible::Label);
    for (auto it = labels.begin(); name.isEmpty() && it != labels.end(); ++it)
        if (it->first)
            name = it->first->text(QAccessible::Name).trimmed();
    return name;
}

void walk(QAccessibleInterface* iface, const QString& path, QVector<AccessibleControl>& out, int depth)
{
    // A tree that loops back on itself would otherwise never end.
    if (!iface || !iface->isValid() || depth > 64)
        return;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child || !child->isValid() || child->state().invisible)
            continue;
        const QAccessible::Role role = child->role();
        const QString childPath = path + QLatin1Char('/') + nodeName(child);
        if (isInteractiveRole(role) || child->state().focusable)
            out.append({role, announcedName(child), childPath});
        if (!holdsItems(role))
            walk(child, childPath, out, depth + 1);
    }
}

} // namespace

QString roleName(QAccessible::Role role)
{
    const char* key = QMetaEnum::fromType<QAccessible::Role>().valueToKey(role);
    return key ? QString::fromLatin1(key) : QString::number(role);
}

int AccessibleWindow::namedCount() const
{
    return static_cast<int>(
        std::count_if(controls.begin(), controls.end(), [](const AccessibleControl& c) { return !c.name.isEmpty(); }));
}

QVector<AccessibleControl> AccessibleWindow::unnamed() const
{
    QVector<AccessibleControl> result;
    for (const AccessibleControl& c : controls)
        if (c.name.isEmpty())
            result.append(c);
    return result;
}

AccessibleWindow walkAccessibleWindow(QWidget* window)
{
    AccessibleWindow result;
    QAccessibleInterface* iface = window ? QAccessible::queryAccessibleInterface(window) : nullptr;
    if (!iface)
        return result;
    result.role = iface->role();
    result.name = iface->text(QAccessible::Name);
    walk(iface, nodeName(iface), result.controls, 0);
    return result;
}

::testing::AssertionResult isAccessibleWindow(QWidget* window)
{
    if (!window)
        return ::testing::AssertionFailure() << "no window";
    const AccessibleWindow w = walkAccessibleWindow(window);
    QStringList faults;
    if (w.role != QAccessible::Window && w.role != QAccessible::Dialog)
        faults << QStringLiteral("announced as %1, not as a window or dialog").arg(roleName(w.role));
    if (w.name != window->windowTitle() || w.name.isEmpty())
        faults << QStringLiteral("announced as \"%1\", its caption is \"%2\"").arg(w.name, window->windowTitle());
    for (const AccessibleControl& c : w.unnamed())
        faults << QStringLiteral("%1 %2 has no name").arg(roleName(c.role), c.path);
    if (faults.isEmpty())
        return ::testing::AssertionSuccess() << w.controls.size() << " controls, all named";
    return ::testing::AssertionFailure() << window->windowTitle().toStdString() << ":\n  "
                                         << faults.join(QStringLiteral("\n  ")).toStdString();
}

} // namespace testing_support
