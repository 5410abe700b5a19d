// Real-world RTF from other projects' test suites: every file loads, files
// with text give text, and the text matches the expected plain text where a
// suite ships it.
#include "rtf_test_util.h"
#include "support/test_support.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace text_test;

namespace {

QString corpusRtfDir() { return testing_support::corpusFile(QStringLiteral("rtf")); }

QTextDocument* readCorpusRtf(const QString& relative, QTextDocument* document)
{
    platform::readRtf(corpusRtf(relative), document);
    return document;
}

// Whitespace, table cell marks and no-break spaces are laid out differently by
// every extractor; the characters themselves must agree.
QString normalised(QString text)
{
    static const QRegularExpression noise(QStringLiteral("[\\s|\\x{00a0}\\x{200b}\\x{2028}\\x{fffc}]"));
    return text.normalized(QString::NormalizationForm_C).remove(noise);
}

} // namespace

TEST(RtfCorpus, EveryFileLoadsAndFilesWithTextGiveText)
{
    // Files that hold no body text at all: empty documents, a lone picture, broken stubs.
    const QStringList textless{"toxy/Blank.rtf",
                               "RtfPipe/RtfParserTest_fail_4.rtf",
                               "RtfPipe/RtfParserTest_fail_6.rtf",
                               "tika/testRTFEmbeddedLink.rtf",
                               "tika/testRTFEmbeddedFiles.rtf",
                               "tika/testBinControlWord.rtf"};
    int files = 0;
    QDirIterator it(corpusRtfDir(), {QStringLiteral("*.rtf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(corpusRtfDir().size() + 1);
        QTextDocument document;
        readCorpusRtf(relative, &document);
        ++files;
        if (!textless.contains(relative)) {
            EXPECT_FALSE(document.toPlainText().trimmed().isEmpty()) << relative.toStdString();
        }
        // The plain-text reading, which builds no document, gives the document's text less its pictures.
        const QString plain = platform::rtfPlainText(corpusRtf(relative));
        EXPECT_EQ(plain.toStdString(), document.toPlainText().remove(QChar::ObjectReplacementCharacter).toStdString())
            << relative.toStdString();
    }
    EXPECT_GE(files, 170);
}

TEST(RtfCorpus, PlainTextMatchesTheExpectedText)
{
    for (const char* name : {"issue_11", "issue_28", "hello", "unicode", "french", "specialchars", "simple_table",
                             "nested_table", "ansicpg1250", "nbsp", "issue_37", "Speiseplan_KW_32-33_Eybl",
                             "TX_RTF32_18.0.541.501", "test_line_breaks_google_docs", "sample_3"}) {
        QTextDocument document;
        readCorpusRtf(QStringLiteral("striprtf/rtf/%1.rtf").arg(QLatin1String(name)), &document);
        QFile expected(corpusRtfDir() + QStringLiteral("/striprtf/text/%1.txt").arg(QLatin1String(name)));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(normalised(blockTexts(document).join(QLatin1Char('\n'))).toStdString(),
                  normalised(QString::fromUtf8(expected.readAll())).toStdString())
            << name;
    }
}

TEST(RtfCorpus, ChineseWordDocumentIsChinese)
{
    QTextDocument document;
    readCorpusRtf(QStringLiteral("striprtf/rtf/issue_11.rtf"), &document);
    EXPECT_EQ(document.toPlainText().trimmed(), QStringLiteral("测试"));
}

TEST(RtfCorpus, ToxyFormattedTextGivesRealChinese)
{
    QTextDocument document;
    readCorpusRtf(QStringLiteral("toxy/Formated text.rtf"), &document);
    const QString text = document.toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("张三李四王五"))) << text.toStdString();
    // 三 is bold italic 16 pt in the source, 四 bold italic underlined 26 pt.
    const QTextCharFormat three = formatOf(document, QStringLiteral("三"));
    EXPECT_GE(three.fontWeight(), QFont::Bold);
    EXPECT_TRUE(three.fontItalic());
    EXPECT_EQ(three.fontPointSize(), 16);
    EXPECT_TRUE(formatOf(document, QStringLiteral("四")).fontUnderline());
    EXPECT_EQ(familyOf(formatOf(document, QStringLiteral("张"))), QStringLiteral("宋体"));
}

TEST(RtfCorpus, UnicodeEscapedChineseIsChinese)
{
    QTextDocument document;
    readCorpusRtf(QStringLiteral("RtfPipe/Issue23.rtf"), &document);
    const QString text = document.toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("就诊时间"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("过敏信息"))) << text.toStdString();
    int cjk = 0;
    for (QChar c : text)
        cjk += (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff) ? 1 : 0;
    EXPECT_GT(cjk, 200);
}

TEST(RtfCorpus, Big5AndShiftJisDocuments)
{
    QTextDocument big5;
    readCorpusRtf(QStringLiteral("RtfPipe/Issue52.rtf"), &big5);
    EXPECT_TRUE(big5.toPlainText().contains(QStringLiteral("連邦國際專利商標事務所")));

    QTextDocument japanese;
    readCorpusRtf(QStringLiteral("rtfparserkit/standard/testMultiByteHex.rtf"), &japanese);
    EXPECT_EQ(japanese.toPlainText().trimmed(), QStringLiteral("お元気ですか？"));
}
