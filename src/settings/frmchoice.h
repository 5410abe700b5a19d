#pragma once
// The settings window: auto-play interval, print scale, picture background.
// One object for the whole run; its window comes and goes, its two members stay.
#include "platform/core/form_design.h"

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
    FrmChoice(const FrmChoice&) = delete;
    FrmChoice& operator=(const FrmChoice&) = delete;

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
    // Null while not loaded. Its controls carry their names as object names
    // ("TxtTime", "HScrTime", "OptBackColor0" ... "OptBackColor5", "CmdOK", ...).
    QWidget* window() const;

    // The colour each option stands for, index 0..5 (light blue, red, yellow,
    // green, white, black); an invalid colour outside that range.
    static QColor optionColor(int index);
    // Name, caption, place and font of the window's controls.
    static const platform::FormDesign& design();

private:
    void Load();
    void createControls();
    void Unload();
    void Form_Load();
    void HScrTime_Change();
    void HScrTime_Scroll();
    void HScrTs_Change();
    void HScrTs_Scroll();
    void OptBackColor_Click(int index);
    void CmdOk_Click();

    struct Impl;
    Impl* d;
};

} // namespace settings
