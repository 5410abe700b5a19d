#pragma once
// A reader window started on a small book written into a temporary working folder.
#include "platform/core/messagebox.h"
#include "platform/core/program.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/ansi_text.h"
#include "platform/text/richtextbox.h"
#include "reader/frmmain.h"
#include "support/test_support.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { platform::setScreenSizeOverride(QSizeF(15360, 11520)); }
    void TearDown() override
    {
        w.reset();
        platform::setScreenSizeOverride(QSizeF());
    }

    void writePicture(const QString& name, int width, int height)
    {
        QImage img(width, height, QImage::Format_RGB32);
        img.fill(QColor(40 + width % 200, 120, 200));
        img.save(dir.file(name));
    }
    void writeText(const QString& name, const QString& text) { dir.write(name, platform::encodeAnsi(text)); }
    void writeCatalogue(const QStringList& lines, const QString& name = QStringLiteral("docitem.txt"))
    {
        QByteArray bytes;
        for (const QString& l : lines)
            bytes += platform::encodeAnsi(l) + "\r\n";
        dir.write(name, bytes);
    }
    // Page k has a picture k*10+100 pixels wide and the text "第k页".
    void makeBook(int pages)
    {
        QStringList lines;
        for (int k = 1; k <= pages; ++k) {
            writePicture(QStringLiteral("p%1.png").arg(k), pictureWidth(k), 60);
            writeText(QStringLiteral("t%1.txt").arg(k), QStringLiteral("第%1页").arg(k));
            lines << QStringLiteral("页%1-p%1.png-t%1.txt").arg(k);
        }
        writeCatalogue(lines);
    }
    static int pictureWidth(int page) { return 100 + page * 10; }

    void start(const reader::EditionProfile& profile = reader::generalEdition(),
               platform::VoiceFactory voices = [] { return std::unique_ptr<platform::SpVoice>(); })
    {
        w = std::make_unique<reader::frmmain>(profile, std::move(voices));
        w->Form_Load();
        w->show();
        QApplication::processEvents();
    }

    int shownPictureWidth() const
    {
        const platform::Picture p = w->ImgPic->picture();
        return p.isNull() ? 0 : p.naturalPixels().width();
    }
    QString shownText() const { return w->RTBoxShow[0]->Text(); }
    // The page on display, as far as picture and text tell.
    void expectPage(int k) const
    {
        EXPECT_EQ(shownPictureWidth(), pictureWidth(k)) << "picture of page " << k;
        EXPECT_EQ(shownText(), QStringLiteral("第%1页").arg(k)) << "text of page " << k;
    }

    testing_support::TempWorkDir dir;
    platform::MessageBoxRecorder boxes;
    platform::ExitInterceptor exits;
    std::unique_ptr<reader::frmmain> w;
};
