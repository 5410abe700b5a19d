#include "reader/page_keys.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

namespace reader {

namespace {
bool within(const QWidget* widget, const QWidget* container)
{
    return widget == container || container->isAncestorOf(widget);
}
}

PageKeyFilter::PageKeyFilter(QWidget& window, const QWidget& list, const QAbstractScrollArea& pageText,
                             std::function<void(bool next)> turn)
    : window_(window), list_(list), pageText_(pageText), turn_(std::move(turn))
{
    // The key goes to whichever control has the focus, ours or one inside it.
    qApp->installEventFilter(this);
}

bool PageKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        return pageKey(watched, static_cast<const QKeyEvent&>(*event));
    return false;
}

bool PageKeyFilter::pageKey(QObject* receiver, const QKeyEvent& event)
{
    if (event.key() != Qt::Key_PageDown && event.key() != Qt::Key_PageUp)
        return false;
    if (event.modifiers() & ~Qt::KeypadModifier)
        return false;  // Shift+Page Down selects in the text, and so on
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != &window_)
        return false;
    // The key reaches the focused widget first and then climbs to the parents
    // when that one ignores it; only its first stop decides.
    QWidget* focus = window_.focusWidget();
    if (widget != (focus ? focus : &window_))
        return false;
    const bool next = event.key() == Qt::Key_PageDown;
    // The list pages through its rows itself, each row chosen showing its page.
    if (within(widget, &list_))
        return false;
    // The page text scrolls while it can; at its end the page turns.
    if (within(widget, &pageText_)) {
        const QScrollBar* bar = pageText_.verticalScrollBar();
        if (next ? bar->value() < bar->maximum() : bar->value() > bar->minimum())
            return false;
    }
    turn_(next);
    return true;
}

} // namespace reader
