#pragma once
// The reader window: catalogue list, button bar, picture pane, page text.
// Handlers carry the names of their control and event; the arithmetic below
// them lives in layout.h, picture_view.h and catalogue.h.
#include "platform/core/form_design.h"
#include "platform/core/timer.h"
#include "platform/dialogs/comdialog.h"
#include "platform/picture/imageview.h"
#include "platform/printer/printer.h"
#include "platform/speech/voice.h"
#include "reader/edition_profile.h"
#include "reader/layout.h"
#include "reader/page_cursor.h"
#include "reader/picture_prefetch.h"
#include "reader/picture_view.h"
#include "settings/frmchoice.h"
#include "speech/read_aloud.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

namespace platform {
class ListView;
class Picture;
class OuterGeometry;
class RichTextBox;
class ScrollBar;
}

namespace speech { class FrmReadTxt; }
namespace builder { class frmFile; }

namespace reader {

class FrmFind;
class FrmThumbs;
class PageKeyFilter;
class PageSource;
class PicturePane;
class VoiceHighlighter;

// Where the page changes differ (frmmain::ShowPage).
struct PageChange {
    // A book of one page or none turns nowhere: the picture on display stays.
    bool newPicture = true;
    // A page chosen in the list shows its picture before its text is loaded.
    bool pictureBeforeText = false;
};

class frmmain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmmain(const EditionProfile& profile = generalEdition(), platform::VoiceFactory voiceFactory = {});
    ~frmmain() override;

    // Start-up: sizes the window, reads the catalogue, shows page 1 (or the help text).
    void Form_Load();

    // ---- controls, named as the window's design names them ----
    QFrame* FraTxtCmd = nullptr;
    platform::ListView* listVW = nullptr;
    QFrame* FraCmdPic = nullptr;
    std::array<QPushButton*, 8> CmdPic{};
    QPushButton* CmdRead = nullptr;
    PicturePane* PicPic = nullptr;
    platform::ImageView* ImgPic = nullptr;
    platform::ScrollBar* HScr = nullptr;
    platform::ScrollBar* VScr = nullptr;
    std::array<platform::RichTextBox*, 2> RTBoxShow{};
    platform::Timer Timer1;
    std::array<QLabel*, 4> stBarPanels{};
    // The button bar's design: CmdPic0 to CmdPic7 and CmdRead, in FraCmdPic.
    static const platform::FormDesign& buttonBarDesign();
    // The title editions' built-in book, part of the window's design: the entry
    // titles, and entry k's document in the hidden box RTBoxTxt[k - 1]
    // (the introduction takes the help text's place in RTBoxShow(1)).
    QComboBox* CmbItem = nullptr;
    std::vector<platform::RichTextBox*> RTBoxTxt;
    platform::ComDialog ComDialog{this};
    platform::Printer Printer;

    QAction* ReadTxt = nullptr;
    QAction* menuDocItem = nullptr;
    QMenu* menuFace = nullptr;
    QAction* menuPicData = nullptr;
    QAction* menuTextBack = nullptr;
    QAction* menuReader = nullptr;
    QAction* menuPicFullScr = nullptr;
    QAction* menuTextLarge = nullptr;
    QAction* menuPrint = nullptr;
    QAction* menuExit = nullptr;
    QMenu* menuTool = nullptr;
    QAction* menuPicLarge = nullptr;
    QAction* menuPicSmall = nullptr;
    QAction* menuAutoShow = nullptr;
    QAction* menuStopAuto = nullptr;
    QAction* menuFind = nullptr;
    QAction* menuHelp = nullptr;
    // Beyond the design: reading page after page, the thumbnails of all pages, a
    // whole-screen window, and a key for the read button (frmmain_extras.cpp).
    QAction* menuReadOn = nullptr;
    QAction* menuThumbs = nullptr;
    QAction* menuFullScreen = nullptr;

    // ---- handlers ----
    void Form_Resize();
    void LoadCatalogue();
    void LoadBuiltInCatalogue();
    // The page change: the one sequence every way of showing a page runs.
    void ShowPage(int position, PageChange how = {});
    void listVW_ItemClick(int position);
    void listVW_ColumnClick(int columnIndex);
    void listVW_DblClick();
    void CmdPic_Click(int index);
    void CmdRead_Click();
    void Timer1_Timer();
    void ShowPictureFullScreen();
    void FitPicture();
    void PlacePicture();
    void HScr_Change();
    void HScr_Scroll();
    void VScr_Change();
    void VScr_Scroll();
    void ImgPic_Click();
    void ImgPic_DblClick();
    void ReadTxt_Click();
    void menuDocItem_Click();
    void menuPicData_Click();
    void menuTextBack_Click();
    void menuReader_Click();
    void menuPicFullScr_Click();
    void menuTextLarge_Click();
    void menuPrint_Click();
    void menuExit_Click();
    void menuPicLarge_Click();
    void menuPicSmall_Click();
    void menuAutoShow_Click();
    void menuStopAuto_Click();
    void menuFind_Click();
    void menuHelp_Click();
    void menuReadOn_Click();
    void menuThumbs_Click();
    void menuFullScreen_Click();

    // Makes the page's row the list's selected row and brings it into view,
    // without moving the list sideways and without running its click handler:
    // for a find hit the user picked, never for paging or auto-play.
    void selectPageRow(int position);
    // The pictures of the neighbouring pages, decoded ahead.
    PicturePrefetcher& picturePrefetcher();

    // ---- state the tests look at ----
    int16_t currentPage() const { return cursor_.currentPage(); }
    int16_t autoPlayPage() const { return cursor_.autoPlayPage(); }
    LayoutMode layoutMode() const;
    FormMetrics metrics() const;
    const WindowGeometry& geometryTwips() const { return geom_; }
    const ImageBoxState& imageState() const { return img_; }
    PaneSize paneSize() const;
    QString panelText(int panel) const;  // 1-based, as the status bar numbers them
    settings::FrmChoice& choice() { return choice_; }
    platform::OuterGeometry& outerGeometry() { return *outer_; }
    platform::SpVoice* voice() const { return Voice.get(); }
    speech::FrmReadTxt* readTxtDialog() const;
    FrmFind* findWindow() const;
    // Runs `changed` (in the receiver's life) whenever the catalogue rows change: another book.
    void onBookChanged(QObject* receiver, const std::function<void()>& changed);
    FrmThumbs* thumbsWindow() const;
    // Pages are being read one after another ("连续朗读").
    bool isReadingOn() const { return readingOn_; }

    // The window's outer size in twips, set the way the load step sets it.
    void setFormHeight(float twips);
    void setFormWidth(float twips);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createButtonBar();
    QMargins frameMargins() const;
    void createMenus();
    // What the edition switches in the window's design (frmmain_edition.cpp).
    void applyEdition();
    // The book the window reads and the start-up that goes with it, as the edition says.
    void chooseBookSource();
    void createBuiltInBook();
    void generalStartUp();
    void titleStartUp();
    void createCatalogueColumns();
    bool hasBuiltInBook() const { return profile_.bookSource == BookSource::BuiltIn; }
    void applyGeometry();
    void applyImage();
    void loadPictureInto(const QString& file);  // ImgPic's picture, throws platform::Error
    void hidePictureForLoading();
    // How both start-ups leave the picture pane: nothing in it shows before a picture is placed.
    void hidePictureAndScrollBars();
    void showPanels(int position);
    // The buttons' and the timer's page turn.
    void turnPage(PageCursor::Turn how);
    void startAutoPlay();
    void zoomBy(float factor);
    // The voice's marker, the page keys and the pictures decoded ahead (frmmain_reading_aids.cpp).
    void createReadingAids();
    // After a page change: the neighbours' pictures, the end of a reading highlight.
    void pageShown();
    // The page picture, ready decoded when it was prefetched. Throws platform::Error.
    platform::Picture pagePicture(const QString& path, const QSize& fitInto);
    // How the page picture is shown now, which a picture decoded ahead must match.
    ShowTarget showTarget() const;
    // The find window's way of showing a found page (frmmain_find.cpp).
    void showFoundPage(int position);

    EditionProfile profile_;
    platform::VoiceFactory voiceFactory_;
    std::unique_ptr<platform::SpVoice> Voice;
    settings::FrmChoice choice_;
    QPointer<speech::FrmReadTxt> readTxt_;
    QPointer<builder::frmFile> frmFile_;
    QPointer<FrmFind> find_;
    QPointer<FrmThumbs> thumbs_;
    bool readingOn_ = false;
    // The page text as the reading aloud read it, and how the read button reads it.
    void readShownPage(const speech::KeepReading& keepReading);
    QWidget* client_ = nullptr;
    platform::OuterGeometry* outer_ = nullptr;
    WindowGeometry geom_;
    ImageBoxState img_;
    PageCursor cursor_;
    std::unique_ptr<PageSource> pages_;
    void (frmmain::*startUp_)() = nullptr;
    // Why the page's picture was refused (无效图片), for the panel that names its file.
    QString pictureRefused_;
    bool inResize_ = false;
    PicturePrefetcher prefetcher_;
    std::unique_ptr<VoiceHighlighter> highlighter_;
    std::unique_ptr<PageKeyFilter> pageKeys_;
};

} // namespace reader
