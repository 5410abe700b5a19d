// One page change (picture and text) in the reader against loading the same
// picture and text alone; and memory after many page changes.
#include "bench_util.h"

#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "reader/frmmain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

namespace {
constexpr int kPages = 50;

QByteArray rtfText(int page)
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs32\\b ";
    out += platform::encodeAnsi(QStringLiteral("第%1页").arg(page)) + "\\b0\\par\\fs21 ";
    const QByteArray para = platform::encodeAnsi(QStringLiteral("园林是把自然山水浓缩在方寸之间的艺术，"
                                                                "亭台楼阁与花木泉石相映成趣。"));
    while (out.size() < 20 * 1024) {
        out += para;
        out += (out.size() / 600) % 3 == 0 ? "\\cf1\\i " : "\\cf0\\i0 ";
        out += "\\par\n";
    }
    return out + "}";
}
}

BENCH_PROGRAM(page_change)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    platform::setUpChineseEnvironment(app);
    platform::MessageBoxRecorder quiet;

    QTemporaryDir book;
    QFile cat(book.filePath(QStringLiteral("docitem.txt")));
    if (!cat.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 1; i <= kPages; ++i) {
        bench::writePhoto(book.filePath(QStringLiteral("p%1.jpg").arg(i)), QSize(1024, 768), i, {400, 120, 85});
        QFile t(book.filePath(QStringLiteral("t%1.rtf").arg(i)));
        if (t.open(QIODevice::WriteOnly))
            t.write(rtfText(i));
        cat.write(platform::encodeAnsi(QStringLiteral("第%1页-p%1.jpg-t%1.rtf\r\n").arg(i)));
    }
    cat.close();
    QDir::setCurrent(book.path());

    platform::setScreenSizeOverride(QSizeF(1280 * 15, 1024 * 15));
    reader::frmmain w(reader::generalEdition(), [] { return std::unique_ptr<platform::SpVoice>(); });
    w.Form_Load();
    w.show();
    QApplication::processEvents();

    // Baseline: the same picture and text loaded alone, the picture decoded for the same pane.
    // The baseline does the same visible work: the picture decoded and painted at the
    // pane's size, the text loaded into a box of the page text's size and painted.
    const QSize pane = w.ImgPic->parentWidget()->size();
    platform::RichTextBox box;
    box.resize(w.RTBoxShow[0]->size());
    box.show();
    QImage canvas(pane, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> alone, change;
    for (int round = 0; round < 3; ++round) {
        for (int i = 1; i <= kPages; ++i) {
            alone.push_back(bench::timeMs([&] {
                const platform::Picture pic = platform::Picture::load(QStringLiteral("p%1.jpg").arg(i));
                const QSize target = pic.naturalPixels().scaled(pane, Qt::KeepAspectRatio);
                const QImage shown = pic.image(target);
                QPainter painter(&canvas);
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(QRect(QPoint(0, 0), target), shown);
                painter.end();
                box.LoadFile(QStringLiteral("t%1.rtf").arg(i));
                box.viewport()->repaint();
            }));
            change.push_back(bench::timeMs([&] {
                w.CmdPic_Click(5);
                w.ImgPic->repaint();
                w.RTBoxShow[0]->viewport()->repaint();
            }));
        }
    }
    const double a = bench::median(alone), c = bench::median(change);
    std::printf("load picture and text alone: %7.2f ms (median of %zu)\n", a, alone.size());
    std::printf("one page change:             %7.2f ms (median of %zu)\n", c, change.size());
    std::printf("ratio change/alone: %.2f (goal <= 1.3)\n", c / a);

    for (int i = 0; i < 50; ++i) {
        w.CmdPic_Click(5);
        QApplication::processEvents();
    }
    const long rss50 = bench::rssKb();
    for (int i = 0; i < 450; ++i) {
        w.CmdPic_Click(5);
        QApplication::processEvents();
    }
    const long rss500 = bench::rssKb();
    std::printf("RSS after 50 page changes: %ld KB, after 500: %ld KB, growth %.1f %% (goal <= 10 %%)\n", rss50,
                rss500, 100.0 * (rss500 - rss50) / rss50);
    return 0;
}
