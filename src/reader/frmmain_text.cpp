#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/picture/picture.h"
#include "platform/speech/voice.h"
#include "platform/text/richtextbox.h"
#include "reader/voice_highlighter.h"
#include "speech/read_aloud.h"

#include <QLabel>
#include <QPushButton>

namespace reader {

void frmmain::menuTextBack_Click()
{
    const std::optional<platform::Error> failure = platform::runUntilFailure({
        [&] { ComDialog.setDialogTitle(QStringLiteral("选择文本背景色：")); },
        [&] {
            // The dialog opens on the colour the box has now.
            ComDialog.setColor(RTBoxShow[0]->BackColor());
            ComDialog.ShowColor();
        },
        [&] { RTBoxShow[0]->setBackColor(ComDialog.Color()); },
    });
    if (failure && profile_.textBackFailureReported)
        stBarPanels[2]->setText(failure->description());
}

void frmmain::menuPrint_Click()
{
    const std::optional<platform::Error> failure = platform::runUntilFailure({
        [&] { ComDialog.setDialogTitle(QStringLiteral("打印图像：")); },
        [&] { Printer.PaintPicture(ImgPic->picture(), 10, 10); },
        [&] { Printer.setZoom(choice_.HScrTs()); },
        [&] { ComDialog.ShowPrinter(Printer); },
        [&] { Printer.EndDoc(); },
    });
    if (failure) {
        // A page the user did not send must not come out with the next print.
        Printer.KillDoc();
        stBarPanels[2]->setText(failure->description());
    }
}

void frmmain::menuHelp_Click()
{
    Timer1.setInterval(0);
    cursor_.choose(1);
    RTBoxShow[0]->setTextRTF(RTBoxShow[cursor_.currentPage()]->TextRTF());
    menuTextLarge_Click();
}

void frmmain::CmdRead_Click()
{
    // A click while pages are being read one after another ends that too.
    if (readingOn_ && CmdRead->text() == speech::kCaptionReading)
        readingOn_ = false;
    readShownPage({});
}

void frmmain::readShownPage(const speech::KeepReading& keepReading)
{
    const QString text = RTBoxShow[0]->Text();
    QPointer<frmmain> self(this);
    speech::ReadTextAloud(text, CmdRead, Voice.get(), profile_.readFailure, highlighter_->followVoice(text),
                          keepReading);
    // A run ends (spoken to the end, stopped, failed): the marker goes with it.
    if (self)
        highlighter_->removeHighlight();
}

} // namespace reader
