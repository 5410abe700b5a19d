#include "platform/text/ansi_text.h"

#include <gtest/gtest.h>

using namespace platform;

// GBK text that happens to be valid UTF-8 must still read as GBK: every
// Chinese character in UTF-8 takes three bytes, which such text never has.
TEST(EncodingGuess, ShortGbkThatLooksLikeUtf8StaysGbk)
{
    for (const QString& text : {QStringLiteral("页1-p1.png-t1.txt"), QStringLiteral("页"),
                                QStringLiteral("页3-x.png-y.txt\r\n页4-a-b\r\n")}) {
        const QByteArray gbk = encodeAnsi(text);
        ASSERT_TRUE(QString::fromUtf8(gbk).toUtf8() == gbk) << "the case must be valid UTF-8 to mean anything";
        EXPECT_EQ(decodeTextFile(gbk), text);
    }
}

TEST(EncodingGuess, RealUtf8StillReadsAsUtf8)
{
    for (const QString& text : {QStringLiteral("江南园林-a.jpg-b.rtf"), QStringLiteral("页"),
                                QStringLiteral("Café 页")}) {
        EXPECT_EQ(decodeTextFile(text.toUtf8()), text) << text.toStdString();
    }
    EXPECT_EQ(decodeTextFile("\xef\xbb\xbf" + QStringLiteral("Café").toUtf8()), QStringLiteral("Café"));
    // Without a mark, text of two-byte UTF-8 sequences only is also well-formed GBK; for
    // this Chinese program GBK is the likelier reading.
    EXPECT_EQ(decodeTextFile(QStringLiteral("Café").toUtf8()), decodeAnsi(QStringLiteral("Café").toUtf8()));
}
