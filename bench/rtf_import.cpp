// RTF import speed: our reader on a ~1 MB Chinese rich-text document against
// Qt's own HTML import of the same content, measured in the same run.
//
// The document mixes what page texts hold: Chinese and Latin text in several
// fonts and sizes, bold, italic, underline, colours, alignments, indents, and
// Chinese written both as GBK \'hh pairs and as \uN escapes.
#include "bench_util.h"
#include "platform/text/codepage.h"
#include "platform/text/rtf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Sample {
    QByteArray rtf;
    QString html;
};

const char* const kFonts[] = {"宋体", "黑体", "楷体", "Arial"};
const char* const kColours[] = {"#000000", "#c00000", "#0000c0", "#008000"};

QString chineseText(QRandomGenerator& random, int length)
{
    static const QString pool = QStringLiteral(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而"
        "方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应"
        "开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命"
        "此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求"
        "老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处队南给色光"
        "门即保治北造百规热领七海口东导器压志世金增争济阶油思术极交受联什认六共权收证改清己美再采转更单风切打白教速"
        "花带安场身车例真务具万每目至达走积示议声报斗完类八离华名确才科张信马节话米整空元况今集温传土许步群广石记需"
        "段研界拉林律叫且究观越织装影算低持音众书布复容儿须际商非验连断深难近矿千周委素技备半办青省列习响约支般史感"
        "劳便团往酸历市克何除消构府称太准精值号率族维划选标写存候毛亲快效斯院查江型眼王按格养易置派层片始却专状育厂"
        "京识适属圆包火住调满县局照参红细引听该铁价严，。");
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text += pool.at(random.bounded(pool.size()));
    return text;
}

void appendRtfText(QByteArray& rtf, const QString& text, bool asHexPairs)
{
    static const char hex[] = "0123456789abcdef";
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            rtf += static_cast<char>(c.unicode());
            continue;
        }
        const QByteArray gbk = platform::codepage::gbkDoubleByte(c.unicode());
        if (!asHexPairs)
            rtf += "\\u" + QByteArray::number(c.unicode() > 32767 ? int(c.unicode()) - 65536 : int(c.unicode()));
        for (char b : gbk) {
            const auto byte = static_cast<unsigned char>(b);
            rtf += "\\'";
            rtf += hex[byte >> 4];
            rtf += hex[byte & 15];
        }
    }
}

QString htmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

Sample buildSample(int targetBytes)
{
    QRandomGenerator random(936);
    Sample sample;
    sample.rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl";
    for (int f = 0; f < 4; ++f) {
        sample.rtf += "{\\f" + QByteArray::number(f) + (f < 3 ? "\\fnil\\fcharset134 " : "\\fswiss\\fcharset0 ");
        appendRtfText(sample.rtf, QString::fromUtf8(kFonts[f]), true);
        sample.rtf += ";}";
    }
    sample.rtf += "}{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green0\\blue192;"
                  "\\red0\\green128\\blue0;}\r\n\\viewkind4\\uc2\r\n";
    sample.html = QStringLiteral("<html><body>");

    static const char* const rtfAlign[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
    static const char* const htmlAlign[] = {"left", "center", "right", "justify"};
    int paragraph = 0;
    while (sample.rtf.size() < targetBytes) {
        const int align = paragraph % 4;
        const int indent = (paragraph % 3) * 360;
        sample.rtf += "\\pard" + QByteArray(rtfAlign[align]) + "\\li" + QByteArray::number(indent) + "\\sa120 ";
        sample.html += QStringLiteral("<p align=\"%1\" style=\"margin-left:%2px; margin-bottom:8px;\">")
                           .arg(QLatin1String(htmlAlign[align]))
                           .arg(indent / 15);
        const int runs = 4 + random.bounded(8);
        for (int r = 0; r < runs; ++r) {
            const int font = random.bounded(4);
            const int size = 18 + 2 * random.bounded(10); // half-points
            const bool bold = random.bounded(4) == 0;
            const bool italic = random.bounded(6) == 0;
            const bool underline = random.bounded(8) == 0;
            const int colour = random.bounded(4);
            const QString text = font == 3 ? QStringLiteral("Latin words in between, %1 of them. ").arg(r)
                                           : chineseText(random, 10 + random.bounded(60));

            sample.rtf += "{\\f" + QByteArray::number(font) + "\\fs" + QByteArray::number(size);
            if (bold)
                sample.rtf += "\\b";
            if (italic)
                sample.rtf += "\\i";
            if (underline)
                sample.rtf += "\\ul";
            sample.rtf += "\\cf" + QByteArray::number(colour + 1) + ' ';
            appendRtfText(sample.rtf, text, r % 2 == 0);
            sample.rtf += "}";

            QString style = QStringLiteral("font-family:'%1'; font-size:%2pt; color:%3;")
                                .arg(QString::fromUtf8(kFonts[font]))
                                .arg(size / 2.0)
                                .arg(QLatin1String(kColours[colour]));
            if (bold)
                style += QStringLiteral(" font-weight:700;");
            if (italic)
                style += QStringLiteral(" font-style:italic;");
            if (underline)
                style += QStringLiteral(" text-decoration:underline;");
            sample.html += QStringLiteral("<span style=\"%1\">%2</span>").arg(style, htmlEscaped(text));
        }
        sample.rtf += "\\par\r\n";
        sample.html += QStringLiteral("</p>\n");
        ++paragraph;
    }
    sample.rtf += "}";
    sample.html += QStringLiteral("</body></html>");
    return sample;
}

template <typename Import>
double medianMs(int repetitions, Import import)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QTextDocument document;
        QElapsedTimer timer;
        timer.start();
        import(document);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return bench::median(times);
}

} // namespace

BENCH_PROGRAM(rtf_import)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    const Sample sample = buildSample(1024 * 1024);

    // The two imports must give the same text, or the comparison means nothing.
    QTextDocument ours;
    platform::readRtf(sample.rtf, &ours);
    QTextDocument theirs;
    theirs.setHtml(sample.html);
    const QString ourText = ours.toPlainText().trimmed();
    const QString theirText = theirs.toPlainText().trimmed();
    std::printf("rtf %lld bytes, html %lld characters, %d paragraphs, text %s (%lld characters)\n",
                static_cast<long long>(sample.rtf.size()), static_cast<long long>(sample.html.size()),
                ours.blockCount(), ourText == theirText ? "identical" : "DIFFERENT",
                static_cast<long long>(ourText.size()));

    const double rtfMs = medianMs(repetitions, [&](QTextDocument& d) { platform::readRtf(sample.rtf, &d); });
    const double htmlMs = medianMs(repetitions, [&](QTextDocument& d) { d.setHtml(sample.html); });
    std::printf("readRtf           median %8.1f ms over %d runs\n", rtfMs, repetitions);
    std::printf("QTextDocument::setHtml median %8.1f ms over %d runs\n", htmlMs, repetitions);
    std::printf("ratio ours/Qt's   %.2f\n", rtfMs / htmlMs);
    return 0;
}
