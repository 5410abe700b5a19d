#include "reader/frmmain.h"

#include "platform/core/error.h"
#include "platform/speech/voice.h"
#include "platform/text/richtextbox.h"
#include "speech/read_aloud.h"

#include <QColorDialog>
#include <QLabel>
#include <QPushButton>

namespace reader {

void frmmain::menuTextBack_Click()
{
    // A cancelled dialog keeps the colour the text box has.
    const QColor c = QColorDialog::getColor(RTBoxShow[0]->BackColor(), this, QStringLiteral("选择文本背景色："));
    if (c.isValid())
        RTBoxShow[0]->setBackColor(c);
}

void frmmain::menuPrint_Click()
{
    // Printing comes with the print command's own work.
}

void frmmain::menuHelp_Click()
{
    Timer1.setInterval(0);
    currentPage_ = 1;
    RTBoxShow[0]->setTextRTF(RTBoxShow[currentPage_]->TextRTF());
    menuTextLarge_Click();
}

void frmmain::CmdRead_Click()
{
    speech::ReadTextAloud(RTBoxShow[0]->Text(), CmdRead, Voice.get(), profile_.readFailure);
}

} // namespace reader
