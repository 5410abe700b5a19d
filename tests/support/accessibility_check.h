#pragma once
// What a screen reader finds in one top-level window: the window's own role and
// caption, and every control a user can work, named or not.
#include <QAccessible>
#include <QString>
#include <QVector>
#include <gtest/gtest.h>
#include <ostream>

class QWidget;

// Names read in failure messages rather than as bytes.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testing_support {

struct AccessibleControl {
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString path;  // object names (or class names) from the window down, for messages
};

struct AccessibleWindow {
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QVector<AccessibleControl> controls;  // the interactive ones, in tree order
    int namedCount() const;
    QVector<AccessibleControl> unnamed() const;
};

// Walks the window's accessibility tree as a screen reader would: hidden parts are
// skipped, and rows and cells of lists are the lists' content, not controls.
AccessibleWindow walkAccessibleWindow(QWidget* window);

// Passes when the window is announced as a window or dialog with its caption and
// every interactive control in it has a name.
::testing::AssertionResult isAccessibleWindow(QWidget* window);

QString roleName(QAccessible::Role role);

} // namespace testing_support
