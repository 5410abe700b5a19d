#include "platform/core/messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {
QString g_defaultTitle;
MessageBoxRecorder* g_recorder = nullptr;

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

    QMessageBox box(QApplication::activeWindow());
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
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::OK;
    }
}

} // namespace platform
