#include "platform/core/messagebox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>

namespace platform {

namespace {
QString g_defaultTitle;
MessageBoxRecorder* g_recorder = nullptr;

// A question with Yes and No has no way out but its two buttons: Qt would take
// Esc and the close box as No, an answer the user never gave.
class QuestionBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool answerRequired = false;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (answerRequired && event->matches(QKeySequence::Cancel))
            return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (answerRequired && !clickedButton()) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

// A box sizes itself to its text; a longer title would be cut in the caption.
// The caption needs the title's width plus the window manager's buttons.
void makeRoomForTitle(QMessageBox& box)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true); // as most window managers draw captions
    const QFontMetrics metrics(font);
    const int buttons = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int width = metrics.horizontalAdvance(box.windowTitle()) + buttons;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

MsgResult firstButton(const MsgRequest& r)
{
    switch (r.buttons) {
    case MsgButtons::YesNo: return MsgResult::Yes;
    default: return MsgResult::OK;
    }
}
}

void setDefaultMsgTitle(const QString& title) { g_defaultTitle = title; }
QString defaultMsgTitle() { return g_defaultTitle; }

MessageBoxRecorder::MessageBoxRecorder(Answer answer)
    : answer_(std::move(answer)), previous_(g_recorder)
{
    g_recorder = this;
}

MessageBoxRecorder::~MessageBoxRecorder() { g_recorder = previous_; }

QStringList MessageBoxRecorder::texts() const
{
    QStringList out;
    for (const MsgRequest& r : shown_)
        out << r.text;
    return out;
}

MsgResult msgBox(const QString& text, MsgButtons buttons, const QString& title, MsgIcon icon)
{
    MsgRequest req{text, title.isEmpty() ? g_defaultTitle : title, buttons, icon};
    if (MessageBoxRecorder* rec = g_recorder) {
        rec->shown_.append(req);
        return rec->answer_ ? rec->answer_(req) : firstButton(req);
    }

    QuestionBox box(QApplication::activeWindow());
    box.setWindowTitle(req.title);
    box.setText(req.text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    switch (buttons) {
    case MsgButtons::OK: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.answerRequired = true;
        box.setWindowFlags((box.windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint);
        break;
    }
    makeRoomForTitle(box);
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::OK;
    }
}

} // namespace platform
