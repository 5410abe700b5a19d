// Books from anywhere: files in other encodings, names that point elsewhere,
// and files that are no files at all. The reader shows what belongs to the
// book and treats everything else as missing.
#include "reader_fixture.h"

#include "platform/core/listview.h"

#include <QStringEncoder>

TEST_F(ReaderTest, Utf16CatalogueAndPageTextInBothByteOrders)
{
    writePicture(QStringLiteral("图一.png"), 90, 40);
    const QString catalogue = QStringLiteral("第一页-图一.png-说明.txt\r\n第二页-b.png-c.txt\r\n");
    const QString text = QStringLiteral("园林说明\r\n第二行");
    struct Case {
        const char* name;
        QStringConverter::Encoding encoding;
        QByteArray mark;
    };
    const Case cases[] = {
        {"little-endian", QStringConverter::Utf16LE, QByteArray("\xff\xfe")},
        {"big-endian", QStringConverter::Utf16BE, QByteArray("\xfe\xff")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.reset();
        dir.write(QStringLiteral("docitem.txt"), c.mark + QStringEncoder(c.encoding)(catalogue));
        dir.write(QStringLiteral("说明.txt"), c.mark + QStringEncoder(c.encoding)(text));
        start();
        ASSERT_EQ(w->listVW->count(), 2);
        EXPECT_EQ(w->listVW->subItem(1, 1), QStringLiteral("第一页"));
        EXPECT_EQ(w->listVW->subItem(1, 3), QStringLiteral("图一.png"));
        EXPECT_EQ(w->listVW->subItem(2, 2), QStringLiteral("c.txt"));
        EXPECT_EQ(shownPictureWidth(), 90);
        EXPECT_EQ(shownText(), text);
    }
}
