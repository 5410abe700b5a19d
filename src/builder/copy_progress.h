#pragma once
// The progress of a long copy: nothing for a short one; once copying has taken
// longer than the delay, a small window "正在复制…" with file k of n, kept
// painted while the copying goes on. Questions asked meanwhile do not count
// towards the delay and appear over it.
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QDialog;
class QLabel;
class QProgressBar;
class QWidget;

namespace builder {

class CopyProgress {
public:
    CopyProgress(QWidget* over, int fileCount, int delayMs);
    ~CopyProgress();
    CopyProgress(const CopyProgress&) = delete;
    CopyProgress& operator=(const CopyProgress&) = delete;

    // File k (from 1) is about to be copied.
    void startFile(int k, const QString& name);
    // Between the pieces of one long file: keeps the window painted.
    void keepAlive();
    // Around a question to the user, whose waiting is not copying.
    void pause();
    void resume();
    void finish();

    static QString caption();

private:
    void showWhenDue();
    void update();

    QWidget* over_;
    int fileCount_;
    int delayMs_;
    int k_ = 0;
    QString name_;
    QElapsedTimer clock_;
    qint64 pausedMs_ = 0;
    QElapsedTimer pausedAt_;
    qint64 shownAtMs_ = -1;  // when the window was last brought up to date
    QPointer<QDialog> dialog_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

} // namespace builder
