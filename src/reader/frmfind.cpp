#include "reader/frmfind.h"

#include "platform/core/form_design.h"
#include "platform/text/richtextbox.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace reader {

FrmFind::FrmFind(FindTarget target, QWidget* parent, Executor executor)
    : QWidget(parent, Qt::Tool), target_(std::move(target)), executor_(std::move(executor))
{
    setWindowTitle(QStringLiteral("查找"));
    setAccessibleName(QStringLiteral("查找"));
    setObjectName(QStringLiteral("FrmFind"));

    auto* lblFind = new QLabel(QStringLiteral("查找内容(&N):"), this);
    lblFind->setObjectName(QStringLiteral("LblFind"));
    lblFind->setAccessibleName(QStringLiteral("查找内容"));
    TxtFind = new QLineEdit(this);
    TxtFind->setObjectName(QStringLiteral("TxtFind"));
    TxtFind->setAccessibleName(QStringLiteral("查找内容"));
    TxtFind->setAccessibleDescription(QStringLiteral("在全书各页的文字中查找，边输入边查找"));
    TxtFind->setClearButtonEnabled(true);
    lblFind->setBuddy(TxtFind);

    listHits = new QTreeWidget(this);
    listHits->setObjectName(QStringLiteral("listHits"));
    listHits->setAccessibleName(QStringLiteral("查找结果"));
    listHits->setAccessibleDescription(QStringLiteral("页号、目录和找到处前后的文字；双击或按回车键显示该页"));
    listHits->setColumnCount(3);
    listHits->setHeaderLabels({QStringLiteral("页"), QStringLiteral("目录"), QStringLiteral("上下文")});
    listHits->header()->setAccessibleName(QStringLiteral("查找结果的列"));
    listHits->setRootIsDecorated(false);
    listHits->setUniformRowHeights(true);
    listHits->setAllColumnsShowFocus(true);
    listHits->setSelectionMode(QAbstractItemView::SingleSelection);
    listHits->setColumnWidth(0, 48);
    listHits->setColumnWidth(1, 130);

    LblCount = new QLabel(this);
    LblCount->setObjectName(QStringLiteral("LblCount"));
    LblCount->setAccessibleName(QStringLiteral("查找情况"));

    CmdClose = new QPushButton(QStringLiteral("关闭"), this);
    CmdClose->setObjectName(QStringLiteral("CmdClose"));
    CmdClose->setToolTip(QStringLiteral("关闭查找窗口（Esc）"));
    connect(CmdClose, &QPushButton::clicked, this, &QWidget::close);

    auto* row = new QHBoxLayout;
    row->addWidget(lblFind);
    row->addWidget(TxtFind, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LblCount, 1);
    bottom->addWidget(CmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(listHits, 1);
    layout->addLayout(bottom);
    resize(560, 360);

    if (!executor_) {
        // One worker: a newer search waits only for the older one to notice it is stale.
        pool_.setMaxThreadCount(1);
        executor_ = [this](std::function<void()> job) { pool_.start(std::move(job)); };
    }
    pendingSearch_.setSingleShot(true);
    pendingSearch_.setInterval(kTypingPauseMs);
    connect(&pendingSearch_, &QTimer::timeout, this, &FrmFind::startSearch);
    connect(TxtFind, &QLineEdit::textChanged, this, &FrmFind::TxtFind_Change);
    connect(TxtFind, &QLineEdit::returnPressed, this, &FrmFind::TxtFind_Enter);
    connect(listHits, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { listHits_DblClick(listHits->indexOfTopLevelItem(item)); });
    TxtFind->installEventFilter(this);
    listHits->installEventFilter(this);

    platform::cancelOnEscape(this);
    // Ctrl+F here too goes back to the text: the reader's own entry does it, since
    // the reader's shortcuts reach its tool window (one of our own would make the
    // key ambiguous, and then it does nothing).
}

FrmFind::~FrmFind()
{
    // A search under way must end before the window it reports to is gone.
    ++shared_->generation;
    pool_.waitForDone();
}

void FrmFind::Open()
{
    if (!placed_ && parentWidget()) {
        // First opened at the reader's top right, over the picture, where it hides least of the page text.
        placed_ = true;
        const QRect reader = parentWidget()->window()->geometry();
        QPoint at(reader.right() - width() - 24, reader.top() + 48);
        if (const QScreen* screen = parentWidget()->screen()) {
            const QRect room = screen->availableGeometry();
            at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
            at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - height())));
        }
        move(at);
    }
    show();
    raise();
    activateWindow();
    TxtFind->setFocus();
    TxtFind->selectAll();
    // Nothing is read until there is something to find: a book's texts may be
    // far larger than memory can keep.
}

void FrmFind::BookChanged()
{
    pages_.reset();
    shared_->cache.clear();
    ++shared_->generation;
    running_ = 0;
    if (!TxtFind->text().isEmpty())
        pendingSearch_.start();
}

void FrmFind::TxtFind_Change()
{
    // Whatever runs now is for text that is gone.
    ++shared_->generation;
    running_ = 0;
    if (TxtFind->text().isEmpty()) {
        pendingSearch_.stop();
        result_ = SearchResult();
        listHits->clear();
        showStatus();
        return;
    }
    pendingSearch_.start();
    showStatus();
}

void FrmFind::TxtFind_Enter()
{
    if (pendingSearch_.isActive()) {
        startSearch();
        return;
    }
    if (searching() || result_.hits.empty())
        return;
    // Enter in the text walks through the hits one by one.
    const int row = std::max(0, listHits->indexOfTopLevelItem(listHits->currentItem()));
    listHits_DblClick(row);
    listHits->setCurrentItem(listHits->topLevelItem((row + 1) % listHits->topLevelItemCount()));
}

void FrmFind::startSearch()
{
    pendingSearch_.stop();
    const QString query = TxtFind->text();
    const quint64 generation = ++shared_->generation;
    if (!pages_) {
        // The book is looked at once, and again only when it changes.
        pages_ = std::make_shared<const std::vector<BookPage>>(target_.pages ? target_.pages()
                                                                             : std::vector<BookPage>());
        std::vector<QString> files;
        for (const BookPage& page : *pages_)
            if (!page.textFile.isEmpty())
                files.push_back(page.textFile);
        shared_->cache.keepOnly(files);
    }
    running_ = generation;
    showStatus();

    FrmFind* window = this;
    executor_([shared = shared_, generation, pages = pages_, query, window] {
        SearchResult result = searchBook(
            *pages, query, shared->cache, [&] { return shared->generation.load() != generation; }, kMaxListed);
        if (result.cancelled)
            return;
        QMetaObject::invokeMethod(
            window, [window, generation, result = std::move(result)]() mutable {
                window->showResult(generation, std::move(result));
            },
            Qt::QueuedConnection);
    });
}

void FrmFind::showResult(quint64 generation, SearchResult result)
{
    // A result for text that has been typed over since is dropped.
    if (generation != shared_->generation.load())
        return;
    running_ = 0;
    result_ = std::move(result);
    listHits->setUpdatesEnabled(false);
    listHits->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(result_.hits.size()));
    for (const SearchHit& hit : result_.hits) {
        auto* item = new QTreeWidgetItem({QString::number(hit.page), hit.title, hit.context});
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(2, hit.context);
        items.append(item);
    }
    listHits->addTopLevelItems(items);
    if (!items.isEmpty())
        listHits->setCurrentItem(items.first());
    listHits->setUpdatesEnabled(true);
    showStatus();
    emit resultShown();
}

void FrmFind::showStatus()
{
    QString status;
    if (TxtFind->text().isEmpty()) {
        status.clear();
    } else if (searching()) {
        status = QStringLiteral("正在查找…");
    } else if (result_.total == 0) {
        status = QStringLiteral("没有找到。");
    } else {
        status = QStringLiteral("找到 %1 处，在 %2 页中").arg(result_.total).arg(result_.pagesWithHits);
        if (result_.total > static_cast<int>(result_.hits.size()))
            status += QStringLiteral("，列出前 %1 处").arg(result_.hits.size());
        status += QStringLiteral("。");
    }
    if (!TxtFind->text().isEmpty() && !searching() && result_.pagesUnreadable > 0)
        status += QStringLiteral("有 %1 页的文字文件读不出，没有查找。").arg(result_.pagesUnreadable);
    LblCount->setText(status);
}

void FrmFind::listHits_DblClick(int row)
{
    if (row < 0 || row >= static_cast<int>(result_.hits.size()) || !target_.showPage)
        return;
    // Copies: showing the page may run other handlers, a new result among them.
    const SearchHit hit = result_.hits[static_cast<size_t>(row)];
    const QString query = result_.query;
    platform::RichTextBox* box = target_.showPage(hit.page);
    if (!box)
        return;
    // The hit is found again in the text as shown, which is where the selection lives.
    const int at = nthHit(box->document()->toPlainText(), query, hit.ordinal);
    if (at < 0)
        return;
    QTextCursor cursor(box->document());
    cursor.setPosition(at);
    cursor.setPosition(at + static_cast<int>(query.size()), QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
}

bool FrmFind::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == listHits && enter) {
            listHits_DblClick(listHits->indexOfTopLevelItem(listHits->currentItem()));
            return true;
        }
        if (watched == TxtFind && key->key() == Qt::Key_Down && listHits->topLevelItemCount() > 0) {
            listHits->setFocus();
            if (!listHits->currentItem())
                listHits->setCurrentItem(listHits->topLevelItem(0));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace reader
