#pragma once
// Every message box of the program goes through here, so tests can answer
// them and see what was shown without a modal loop blocking them.
#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace platform {

enum class MsgButtons { OK, OKCancel, YesNo };
enum class MsgIcon { None, Information, Question, Warning, Critical };
enum class MsgResult { OK, Cancel, Yes, No };

struct MsgRequest {
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
};

// The title shown when a box is given none: the program's own caption.
void setDefaultMsgTitle(const QString& title);
QString defaultMsgTitle();

// Shows a modal box and returns the button pressed. An empty title means the default title.
MsgResult msgBox(const QString& text, MsgButtons buttons = MsgButtons::OK,
                 const QString& title = QString(), MsgIcon icon = MsgIcon::None);

// While alive, boxes are not shown: each is recorded and answered by the
// given function (by default the first button: OK or Yes).
class MessageBoxRecorder {
public:
    using Answer = std::function<MsgResult(const MsgRequest&)>;
    explicit MessageBoxRecorder(Answer answer = Answer());
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const QList<MsgRequest>& shown() const { return shown_; }
    QStringList texts() const;
    void clear() { shown_.clear(); }
    // Runs while the box is "open", to let tests act inside the nested loop.
    void setAnswer(Answer answer) { answer_ = std::move(answer); }

private:
    friend MsgResult msgBox(const QString&, MsgButtons, const QString&, MsgIcon);
    QList<MsgRequest> shown_;
    Answer answer_;
    MessageBoxRecorder* previous_;
};

} // namespace platform
