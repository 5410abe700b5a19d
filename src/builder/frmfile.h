#pragma once
// The catalogue builder window: pairs picture files with the text files that
// explain them, then copies them into the working folder and writes the
// catalogue. Each opening starts empty; closing keeps nothing.
#include "platform/core/form_design.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QFrame;

namespace platform {
class DirList;
class DriveList;
class FileList;
class ListView;
}

namespace builder {

class frmFile : public QWidget {
    Q_OBJECT
public:
    // Clears the reader's catalogue list and reads the catalogue into it again;
    // returns the number of rows read.
    using ReloadCatalogue = std::function<int()>;

    explicit frmFile(ReloadCatalogue reloadReader, QWidget* parent = nullptr);
    ~frmFile() override;

    // ---- controls, named as the window's design names them ----
    QGroupBox* FraDir = nullptr;
    std::array<QLabel*, 4> LblDir{};
    platform::DriveList* DriveList = nullptr;
    platform::DirList* DirList = nullptr;
    platform::FileList* FileList = nullptr;
    platform::FileList* FileTxt = nullptr;
    QLabel* Label1 = nullptr;
    platform::ListView* lvwFile = nullptr;
    QPushButton* CmdChoice = nullptr;
    QPushButton* CmdNot = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* CmdOk = nullptr;
    QPushButton* CmdCancle = nullptr;

    // ---- handlers ----
    void Form_Load();
    void DriveList_Change();
    void DirList_Change();
    void FileList_Click();
    void FileTxt_Click();
    void CmdChoice_Click();
    void CmdNot_Click();
    void CmdCancle_Click();
    void CmdOk_Click();

    // The pairing list's row counter of the writer's reload; 0 after a change of folder.
    int16_t counter() const { return counter_; }
    // How long copying runs before its progress window shows, in milliseconds.
    void setCopyProgressDelay(int ms) { copyProgressDelayMs_ = ms; }

    // Name, caption, tooltip, place and font of the controls above, but Line1.
    static const platform::FormDesign& design();
    static constexpr double kClientWidth = 8280;
    static constexpr double kClientHeight = 6750;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    // Copies one chosen file into the working folder under its catalogue name,
    // asking first when that would replace a file already there.
    struct Copying;
    void copyIntoWorkingFolder(Copying& run, const QString& source, const QString& target);

    ReloadCatalogue reloadReader_;
    int16_t counter_ = 0;
    int copyProgressDelayMs_ = 500;
    bool writing_ = false;
    bool centredWithFrame_ = false;
};

} // namespace builder
