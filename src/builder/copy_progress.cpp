#include "builder/copy_progress.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace builder {

namespace {
// The copying cannot be stopped half way: neither Esc nor the close box closes the window.
class ProgressWindow : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override {}
};
}

CopyProgress::CopyProgress(QWidget* over, int fileCount, int delayMs)
    : over_(over), fileCount_(fileCount), delayMs_(delayMs)
{
    clock_.start();
}

CopyProgress::~CopyProgress() { finish(); }

QString CopyProgress::caption() { return QStringLiteral("正在复制…"); }

namespace {
// Small files go by faster than anyone reads: the window is brought up to date this often.
constexpr qint64 kRefreshMs = 40;
}

void CopyProgress::startFile(int k, const QString& name)
{
    k_ = k;
    name_ = name;
    showWhenDue();
    if (dialog_ && clock_.elapsed() - shownAtMs_ >= kRefreshMs)
        update();
}

void CopyProgress::keepAlive()
{
    showWhenDue();
    if (dialog_ && clock_.elapsed() - shownAtMs_ >= kRefreshMs)
        update();
}

void CopyProgress::pause()
{
    // The question is about the file the window names.
    update();
    if (!pausedAt_.isValid())
        pausedAt_.start();
}

void CopyProgress::resume()
{
    if (pausedAt_.isValid()) {
        pausedMs_ += pausedAt_.elapsed();
        pausedAt_.invalidate();
    }
}

void CopyProgress::finish()
{
    if (dialog_) {
        dialog_->hide();
        delete dialog_.data();
    }
}

void CopyProgress::showWhenDue()
{
    if (dialog_ || clock_.elapsed() - pausedMs_ < delayMs_)
        return;
    auto* d = new ProgressWindow(over_);
    d->setObjectName(QStringLiteral("CopyProgress"));
    d->setWindowTitle(caption());
    d->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Nothing else takes input while the files are copied; painting goes on.
    d->setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(d);
    label_ = new QLabel(d);
    bar_ = new QProgressBar(d);
    bar_->setRange(0, fileCount_);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    d->setMinimumWidth(360);
    dialog_ = d;
    update();
    d->show();
}

void CopyProgress::update()
{
    if (!dialog_)
        return;
    label_->setText(QStringLiteral("%1\n第 %2 个文件，共 %3 个：%4").arg(caption()).arg(k_).arg(fileCount_).arg(name_));
    bar_->setValue(qMax(0, k_ - 1));  // files done so far
    QCoreApplication::processEvents();
    shownAtMs_ = clock_.elapsed();
}

} // namespace builder
