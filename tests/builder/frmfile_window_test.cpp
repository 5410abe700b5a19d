#include "builder_fixture.h"

#include "platform/files/drive_list.h"

#include <QGroupBox>
#include <QLabel>
#include <QApplication>
#include <QScreen>
#include <cmath>

namespace {
QRectF twips(double left, double top, double width, double height) { return QRectF(left, top, width, height); }
}

TEST_F(BuilderTest, OpensEmptyOnTheWorkingFolderAsDesigned)
{
    for (const char* name : {"a.jpg", "B.GIF", "c.png", "t.rtf", "u.TXT"})
        dir.write(QString::fromUtf8(name), "x");
    ASSERT_NE(open(), nullptr);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->windowTitle(), "制作图文电子读物目录");
    EXPECT_EQ(f->DirList->path(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(platform::matchingFiles(dir.path(), f->FileList->pattern()), (QStringList{"a.jpg", "B.GIF"}));
    EXPECT_EQ(f->FileList->listCount(), 2);
    // The working folder's own catalogue and help document are text files too.
    QStringList texts;
    for (int i = 0; i < f->FileTxt->listCount(); ++i)
        texts << f->FileTxt->fileNameAt(i);
    EXPECT_EQ(texts, (QStringList{"abc.rtf", "docitem.txt", "t.rtf", "u.TXT"}));
    EXPECT_EQ(f->lvwFile->count(), 0);
    EXPECT_TRUE(f->CmdChoice->isEnabled());
    EXPECT_EQ(f->size(), QSize(platform::twipsToPixels(8280), platform::twipsToPixels(6750)));
    // Centred on the (pretended) screen of 15360 x 11520 twips.
    EXPECT_EQ(f->pos() - QGuiApplication::primaryScreen()->geometry().topLeft(),
              QPoint(platform::twipsToPixels((15360 - 8280) / 2.0), platform::twipsToPixels((11520 - 6750) / 2.0)));

    ASSERT_EQ(f->lvwFile->columnCount(), 3);
    const char* columns[] = {"序号", "图像文件名", "说明图像的文字文件"};
    const double widths[] = {646, 646 * 4.2, 646 * 4.2};  // W from the list's 6465 twips
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f->lvwFile->columnCaption(i), QString::fromUtf8(columns[i]));
        EXPECT_DOUBLE_EQ(f->lvwFile->columnWidthTwips(i), widths[i]);
    }
    EXPECT_EQ(f->lvwFile->palette().color(QPalette::Text), QColor(255, 255, 0));
    EXPECT_EQ(f->FileList->palette().color(QPalette::Base), QColor(192, 255, 192));
    EXPECT_EQ(f->FileTxt->palette().color(QPalette::Base), QColor(192, 255, 255));

    // The window's design table against the described figures (that every control stands as its
    // table says is checked for all windows at once).
    struct Design {
        QWidget* control;
        const char* caption;
        const char* tip;
        QRectF at;
    };
    const Design design[] = {
        {f->FraDir, "选择图像文件", "", twips(75, 75, 8040, 4104)},
        {f->LblDir[0], "驱动器列表", "", twips(150, 375, 1215, 240)},
        {f->LblDir[1], "目录列表", "", twips(150, 1055, 1065, 240)},
        {f->LblDir[2], "图像文件列表（必选）", "", twips(2775, 375, 2265, 240)},
        {f->LblDir[3], "文字文件列表（可选）", "", twips(5400, 375, 2265, 240)},
        {f->DriveList, "", "", twips(150, 670, 2190, 330)},
        {f->DirList, "", "双击目录（文件夹）列表，选择文件夹。", twips(156, 1356, 2196, 2472)},
        {f->FileList, "", "单击文件名选中图像文件", twips(2700, 672, 2412, 2820)},
        {f->FileTxt, "", "单击文件名选中文字文件", twips(5400, 675, 2412, 2820)},
        {f->Label1, "选中文件列表", "", twips(150, 4575, 315, 1515)},
        {f->lvwFile, "", "", twips(450, 4275, 6465, 2340)},
        {f->CmdChoice, "全部选中", "选中图像文件列表中的全部文件", twips(6960, 4320, 1215, 375)},
        {f->CmdNot, "全部撤消", "撤消全部选中文件", twips(6960, 4800, 1215, 375)},
        {f->CmdOk, "确认(&O)", "将选中的文件复制到当前目录，将\"选中文件列表\"保存于DocItem.txt中", twips(6975, 5550, 1215, 465)},
        {f->CmdCancle, "退出(&Esc)", "", twips(6975, 6105, 1215, 465)},
    };
    ASSERT_EQ(builder::frmFile::design().size(), std::size(design));
    for (const Design& d : design) {
        const QByteArray name = d.control->objectName().toLatin1();
        const platform::ControlDesign* row = testing_support::designRow(builder::frmFile::design(), name.constData());
        ASSERT_NE(row, nullptr) << name.constData();
        EXPECT_EQ(QString::fromUtf16(row->caption), QString::fromUtf8(d.caption)) << name.constData();
        EXPECT_EQ(QString::fromUtf16(row->tooltip), QString::fromUtf8(d.tip)) << name.constData();
        EXPECT_EQ(testing_support::twipsRect(row->box), d.at) << name.constData();
    }

    // Tab order as designed, from the pairing list.
    QStringList order;
    QWidget* at = f->lvwFile;
    for (int i = 0; i < 9; ++i, at = at->nextInFocusChain()) {
        while (at->focusPolicy() == Qt::NoFocus || !at->isVisibleTo(f))
            at = at->nextInFocusChain();
        order << at->objectName();
    }
    EXPECT_EQ(order, (QStringList{"lvwFile", "FileTxt", "DriveList", "DirList", "FileList", "CmdOk", "CmdCancle",
                                  "CmdChoice", "CmdNot"}));
}

TEST_F(BuilderTest, PicturesAndTextsPairInClickOrder)
{
    for (const char* name : {"a.jpg", "b.jpg", "a.rtf", "b.rtf"})
        put(QString::fromUtf8(name), "x");
    open();
    goTo(book.path());

    // A text before any picture: the message, and nothing added.
    clickText("a.rtf");
    EXPECT_EQ(boxes.texts(), QStringList{"在选择文字文件之前，请先选择相应的图片文件！"});
    EXPECT_EQ(boxes.shown().first().title, "Aurelis 2003");
    EXPECT_TRUE(pairingRows().isEmpty());

    // A later text replaces the earlier one of the last row.
    clickPicture("a.jpg");
    clickText("a.rtf");
    clickText("b.rtf");
    EXPECT_EQ(pairingRows(), QStringList{"1|a.jpg|b.rtf"});

    // Only the last row takes a text; a picture clicked again is a new row.
    clickPicture("a.jpg");
    clickPicture("b.jpg");
    clickText("b.rtf");
    EXPECT_EQ(pairingRows(), (QStringList{"1|a.jpg|b.rtf", "2|a.jpg|", "3|b.jpg|b.rtf"}));
    EXPECT_EQ(boxes.shown().size(), 1);

    f->CmdNot->click();
    EXPECT_TRUE(pairingRows().isEmpty());
    clickText("a.rtf");
    EXPECT_EQ(boxes.shown().size(), 2) << "after undo all there is no row to take a text";
}

TEST_F(BuilderTest, ThePairingListsYellowTextCanBeRead)
{
    put("readable.jpg", "x");
    open();
    goTo(book.path());
    clickPicture("readable.jpg");
    const QImage shot = f->lvwFile->viewport()->grab().toImage();
    // The background is the colour most pixels have; the text, the yellow ones.
    QHash<QRgb, int> counts;
    int yellow = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            ++counts[c.rgb()];
            yellow += c.red() > 200 && c.green() > 200 && c.blue() < 90;
        }
    EXPECT_GT(yellow, 20) << "the names are drawn in yellow";
    const QRgb background = std::max_element(counts.begin(), counts.end()).key();
    auto luminance = [](QColor c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double contrast = (luminance(Qt::yellow) + 0.05) / (luminance(QColor(background)) + 0.05);
    EXPECT_GE(contrast, 4.5) << QColor(background).name().toStdString();
}

TEST_F(BuilderTest, ChooseAllPairsByPosition)
{
    for (const char* name : {"x.jpg", "y.gif", "z.bmp", "first.txt", "second.rtf"})
        put(QString::fromUtf8(name), "x");
    QTemporaryDir empty;
    open();

    goTo(empty.path());
    f->CmdChoice->click();
    EXPECT_TRUE(pairingRows().isEmpty());
    EXPECT_TRUE(f->CmdChoice->isEnabled()) << "no pictures: nothing changes";

    goTo(book.path());
    clickPicture("y.gif");
    f->CmdChoice->click();
    // Rows already there stay in front; the new ones count from 1 again, paired by position.
    EXPECT_EQ(pairingRows(), (QStringList{"1|y.gif|", "1|x.jpg|first.txt", "2|y.gif|second.rtf", "3|z.bmp|"}));
    EXPECT_FALSE(f->CmdChoice->isEnabled());

    // A change of folder empties the list but leaves choose-all off until undo all.
    goTo(empty.path());
    EXPECT_TRUE(pairingRows().isEmpty());
    EXPECT_EQ(f->counter(), 0);
    EXPECT_EQ(f->FileList->listCount(), 0);
    EXPECT_FALSE(f->CmdChoice->isEnabled());
    f->CmdNot->click();
    EXPECT_TRUE(f->CmdChoice->isEnabled());

    goTo(book.path());
    f->CmdChoice->click();
    EXPECT_EQ(pairingRows().size(), 3);
    EXPECT_FALSE(f->CmdChoice->isEnabled());
}

TEST_F(BuilderTest, EscClosesWithoutWritingAndTheNextOpeningStartsEmpty)
{
    put("a.jpg", "x");
    dir.write("docitem.txt", "old-a.jpg-a.rtf\r\n");
    open();
    goTo(book.path());
    clickPicture("a.jpg");
    QPointer<builder::frmFile> first = f;
    w->menuDocItem_Click();
    EXPECT_EQ(w->findChildren<builder::frmFile*>().size(), 1) << "one builder at a time";
    EXPECT_EQ(pairingRows().size(), 1) << "the open builder is brought forward as it is";

    QApplication::setActiveWindow(f);
    QTest::keyClick(f->FileList, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "Esc unloads the window";
    EXPECT_EQ(dir.read("docitem.txt"), "old-a.jpg-a.rtf\r\n");
    EXPECT_FALSE(QFile::exists(dir.file("docitem")));
    EXPECT_FALSE(QFile::exists(dir.file("a.jpg")));
    EXPECT_TRUE(overwriteAsked.isEmpty());
    EXPECT_TRUE(boxes.shown().isEmpty());

    open();
    EXPECT_NE(f, nullptr);
    EXPECT_TRUE(pairingRows().isEmpty());
    EXPECT_EQ(f->DirList->path(), QDir(dir.path()).canonicalPath());
}

TEST_F(BuilderTest, ADriveThatIsNotReadyShowsAMessageAndTheListsStay)
{
    put("a.jpg", "x");
    open();
    f->DriveList->setSource([this] {
        return QList<platform::Drive>{{"/", "/"}, {book.path(), "book"}, {book.path() + "/gone", "gone"}};
    });
    goTo(book.path());
    clickPicture("a.jpg");
    f->DriveList->showDriveOf(book.path());

    f->DriveList->setCurrentIndex(2);
    emit f->DriveList->activated(2);
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_TRUE(boxes.shown().first().text.contains(book.path() + "/gone"));
    EXPECT_EQ(f->DirList->path(), QDir(book.path()).canonicalPath());
    EXPECT_EQ(f->FileList->listCount(), 1);
    EXPECT_EQ(pairingRows().size(), 1);
    EXPECT_EQ(f->DriveList->drive(), book.path()) << "the drive list shows the drive of the folder again";
    EXPECT_EQ(exits.count(), 0);

    // A drive that is there moves the lists to it.
    f->DriveList->setCurrentIndex(0);
    emit f->DriveList->activated(0);
    EXPECT_EQ(f->DirList->path(), "/");
    EXPECT_TRUE(pairingRows().isEmpty());
}

TEST_F(BuilderTest, NoMoreRowsThanACatalogueHolds)
{
    // Row numbers and the reader's catalogue are 16-bit: 32767 rows at most.
    for (int i = 0; i < 32768; ++i) {
        QFile file(QDir(book.path()).filePath(QStringLiteral("p%1.jpg").arg(i, 5, 10, QLatin1Char('0'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    open();
    goTo(book.path());
    ASSERT_EQ(f->FileList->listCount(), 32768);
    f->CmdChoice->click();
    ASSERT_EQ(f->lvwFile->count(), 32767);
    EXPECT_EQ(f->lvwFile->rowText(32767), "32767");
    EXPECT_EQ(f->lvwFile->subItem(32767, 1), "p32766.jpg");
    clickPicture("p00000.jpg");
    EXPECT_EQ(f->lvwFile->count(), 32767);
    EXPECT_TRUE(f->CmdChoice->isEnabled()) << "not every picture is in the list";
}
