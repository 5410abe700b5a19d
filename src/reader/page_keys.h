#pragma once
// Page Down and Page Up turn the page anywhere in the reader window where
// the focused control does not page itself: the list pages through its rows
// (each row chosen showing its page), and the page text scrolls while it can.
#include <QObject>

#include <functional>

class QAbstractScrollArea;
class QKeyEvent;
class QWidget;

namespace reader {

class PageKeyFilter : public QObject {
public:
    // `turn` turns to the next page (true) or the previous one (false).
    PageKeyFilter(QWidget& window, const QWidget& list, const QAbstractScrollArea& pageText,
                  std::function<void(bool next)> turn);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool pageKey(QObject* receiver, const QKeyEvent& event);

    QWidget& window_;
    const QWidget& list_;
    const QAbstractScrollArea& pageText_;
    std::function<void(bool next)> turn_;
};

} // namespace reader
