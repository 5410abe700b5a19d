// A page whose files the reader cuts or refuses says so in the panel that
// names the file; the next page's panels name their files alone.
#include "reader_fixture.h"

#include "platform/core/listview.h"

TEST_F(ReaderTest, CutOrRefusedPageFilesAreNamedWithWhatHappened)
{
    // A bitmap header for 10240 x 10240 with a hundred bytes of pixels.
    QByteArray bmp = "BM";
    bmp += QByteArray::fromHex("9a000000000000003600000028000000002800000028000001001800000000000000000000000000"
                               "00000000000000000000000000");
    bmp += QByteArray(154 - bmp.size(), '\x7f');
    dir.write("p1.bmp", bmp);
    writeText("t1.txt", QString(20000, QChar(u'园')));
    writePicture("p2.png", pictureWidth(2), 60);
    writeText("t2.txt", QStringLiteral("平常的一页"));
    writeText("t3.txt", QStringLiteral("图片不在"));
    writeCatalogue({QStringLiteral("坏图-p1.bmp-t1.txt"), QStringLiteral("平常-p2.png-t2.txt"),
                    QStringLiteral("缺图-p3.png-t3.txt")});
    start();

    const struct {
        int row;
        const char* picturePanel;
        const char* textPanel;
    } pages[] = {
        {1, "p1.bmp（无效图片）", "t1.txt（长行已分段）"},
        {2, "p2.png", "t2.txt"},
        // A missing file is named as the row has it: only what is there and refused is noted.
        {3, "p3.png", "t3.txt"},
    };
    for (const auto& page : pages) {
        SCOPED_TRACE(page.row);
        w->listVW_ItemClick(page.row);
        EXPECT_EQ(w->panelText(3).toStdString(), page.picturePanel);
        EXPECT_EQ(w->panelText(4).toStdString(), page.textPanel);
    }
}
