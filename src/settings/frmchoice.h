#pragma once
// The settings window: auto-play interval, print scale, picture background.
// One object for the whole run; its window comes and goes, its two members stay.
#include <QColor>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

namespace platform { class Timer; }

namespace settings {

class FrmChoice {
public:
    FrmChoice();
    ~FrmChoice();

    // Where the window writes into the reader: its auto-play timer and its picture pane's colour.
    void attachReader(platform::Timer* timer1, std::function<void(const QColor&)> setPictureBackColor);

    float SngMSec = 0;
    float SngPicTs = 0;

    // Shows the window modeless, creating (loading) it when needed.
    void Show();
    // Reading these while the window is not loaded loads it hidden first.
    QString TxtTime();
    int HScrTs();

    bool isLoaded() const;
    QWidget* window() const; // null while not loaded

private:
    struct Impl;
    Impl* d;
};

} // namespace settings
