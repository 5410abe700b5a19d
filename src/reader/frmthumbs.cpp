#include "reader/frmthumbs.h"

#include "platform/core/error.h"
#include "platform/core/form_design.h"
#include "platform/picture/picture.h"
#include "reader/page_source.h"

#include <QFileInfo>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace reader {

namespace {

constexpr int kGridWidth = ThumbnailModel::kThumbWidth + 24;
constexpr int kGridHeight = ThumbnailModel::kThumbHeight + 44;

bool isMetafile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("wmf") || suffix == QLatin1String("emf");
}

// A picture fitted into the thumbnail box, its aspect kept; null when it cannot be
// read. The picture layer decodes a photograph at a reduced size and knows
// which formats must not be scaled in their decoder.
QImage decodeThumbnail(const QString& path)
{
    const QSize box(ThumbnailModel::kThumbWidth, ThumbnailModel::kThumbHeight);
    try {
        const platform::Picture picture = platform::Picture::load(path, box);
        const QSize fitted = picture.naturalPixels().scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        const QImage shown = picture.image(fitted);
        return shown.size() == fitted ? shown : shown.scaled(fitted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } catch (const std::exception&) {
        return QImage();
    }
}

// Every cell shows a box of the same size, so the grid does not jump as pictures arrive.
const QImage& emptyBox()
{
    static const QImage box = [] {
        QImage img(ThumbnailModel::kThumbWidth, ThumbnailModel::kThumbHeight, QImage::Format_ARGB32_Premultiplied);
        img.fill(QColor(236, 236, 236));
        QPainter p(&img);
        p.setPen(QColor(200, 200, 200));
        p.drawRect(img.rect().adjusted(0, 0, -1, -1));
        return img;
    }();
    return box;
}

// A decoded picture centred in the box.
QImage boxed(const QImage& picture)
{
    QImage img(emptyBox().size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    p.drawImage(QPoint((img.width() - picture.width()) / 2, (img.height() - picture.height()) / 2), picture);
    return img;
}

} // namespace

ThumbnailModel::ThumbnailModel(const PageSource& book, QObject* parent)
    : QAbstractListModel(parent), book_(book), cache_(kCachedThumbnails),
      wantedFirst_(std::make_shared<std::atomic<int>>(0)), wantedLast_(std::make_shared<std::atomic<int>>(-1)),
      liveGeneration_(std::make_shared<std::atomic<int>>(0))
{
    rasterPool_.setMaxThreadCount(2);
    metafilePool_.setMaxThreadCount(1);
}

ThumbnailModel::~ThumbnailModel()
{
    // Jobs still to run give up; those running report to a model that must outlive them.
    liveGeneration_->store(-1);
    rasterPool_.clear();
    metafilePool_.clear();
    rasterPool_.waitForDone();
    metafilePool_.waitForDone();
}

int ThumbnailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : book_.pageCount();
}

QString ThumbnailModel::titleOf(int row) const
{
    QString title;
    platform::tryStep([&] { title = book_.title(row + 1); });
    return title;
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return QStringLiteral("%1  %2").arg(row + 1).arg(titleOf(row));
    case Qt::DecorationRole:
        if (const QImage* image = cache_.object(row))
            return *image;
        return emptyBox();
    case Qt::ToolTipRole:
        return titleOf(row);
    default:
        return {};
    }
}

void ThumbnailModel::want(int first, int last, int from)
{
    first = std::max(0, first);
    last = std::min(rowCount() - 1, last);
    from = std::clamp(from, first, std::max(first, last));
    wantedFirst_->store(first);
    wantedLast_->store(last);
    QVector<int> order;
    for (int row = from; row <= last; ++row)
        order << row;
    for (int row = from - 1; row >= first; --row)
        order << row;
    for (int row : order) {
        if (cache_.contains(row) || pending_.contains(row) || failed_.contains(row))
            continue;
        const QString path = book_.picturePath(row + 1);
        if (path.isEmpty()) {
            failed_.insert(row);
            continue;
        }
        pending_.insert(row);
        const int generation = generation_;
        auto job = [this, row, generation, path, wantedFirst = wantedFirst_, wantedLast = wantedLast_,
                    live = liveGeneration_] {
            // Scrolled away, or the book changed, before its turn came.
            const bool stale = live->load() != generation || row < wantedFirst->load() || row > wantedLast->load();
            const QImage image = stale ? QImage() : decodeThumbnail(path);
            if (live->load() < 0)
                return;
            QMetaObject::invokeMethod(
                this, [this, row, generation, image, stale] {
                    pending_.remove(row);
                    if (generation != generation_ || stale)
                        return;
                    decoded(row, generation, image);
                },
                Qt::QueuedConnection);
        };
        (isMetafile(path) ? metafilePool_ : rasterPool_).start(job);
    }
}

void ThumbnailModel::decoded(int row, int generation, const QImage& image)
{
    if (generation != generation_ || row >= rowCount())
        return;
    if (image.isNull()) {
        failed_.insert(row);
        return;
    }
    cache_.insert(row, new QImage(boxed(image)));
    emit dataChanged(index(row), index(row), {Qt::DecorationRole});
}

void ThumbnailModel::reset()
{
    beginResetModel();
    ++generation_;
    liveGeneration_->store(generation_);
    cache_.clear();
    failed_.clear();
    pending_.clear();
    endResetModel();
}

FrmThumbs::FrmThumbs(const PageSource& book, std::function<void(int position)> showPage, QWidget* parent)
    : QWidget(parent, Qt::Tool), showPage_(std::move(showPage))
{
    setObjectName(QStringLiteral("FrmThumbs"));
    setWindowTitle(QStringLiteral("页面一览"));
    setAccessibleName(QStringLiteral("页面一览"));

    model_ = new ThumbnailModel(book, this);
    listThumbs = new QListView(this);
    listThumbs->setObjectName(QStringLiteral("listThumbs"));
    listThumbs->setAccessibleName(QStringLiteral("全书各页"));
    listThumbs->setAccessibleDescription(QStringLiteral("每一页的图像、页号和目录名；单击一页即显示该页"));
    listThumbs->setViewMode(QListView::IconMode);
    listThumbs->setMovement(QListView::Static);
    listThumbs->setResizeMode(QListView::Adjust);
    listThumbs->setUniformItemSizes(true);
    listThumbs->setWordWrap(true);
    listThumbs->setIconSize(QSize(ThumbnailModel::kThumbWidth, ThumbnailModel::kThumbHeight));
    listThumbs->setGridSize(QSize(kGridWidth, kGridHeight));
    listThumbs->setSelectionMode(QAbstractItemView::SingleSelection);
    listThumbs->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    listThumbs->setModel(model_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listThumbs);
    resize(6 * kGridWidth + 30, 4 * kGridHeight + 10);

    connect(listThumbs, &QListView::clicked, this, &FrmThumbs::listThumbs_Click);
    connect(listThumbs, &QListView::activated, this, &FrmThumbs::listThumbs_Click);
    // Asked once scrolling pauses, not for every step of a dragged thumb.
    settle_.setSingleShot(true);
    settle_.setInterval(30);
    connect(&settle_, &QTimer::timeout, this, &FrmThumbs::askForVisibleRows);
    connect(listThumbs->verticalScrollBar(), &QScrollBar::valueChanged, &settle_, qOverload<>(&QTimer::start));
    connect(model_, &QAbstractItemModel::modelReset, &settle_, qOverload<>(&QTimer::start));

    platform::cancelOnEscape(this);
}

FrmThumbs::~FrmThumbs() = default;

void FrmThumbs::Open()
{
    show();
    raise();
    activateWindow();
}

void FrmThumbs::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The first screen is asked for at once: opening is the one time the user waits for it.
    askForVisibleRows();
}

void FrmThumbs::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    settle_.start();
}

void FrmThumbs::listThumbs_Click(const QModelIndex& index)
{
    if (index.isValid() && showPage_)
        showPage_(index.row() + 1);
}

void FrmThumbs::askForVisibleRows()
{
    const int rows = model_->rowCount();
    if (rows == 0 || !isVisible())
        return;
    const QRect view = listThumbs->viewport()->rect();
    const int columns = std::max(1, view.width() / kGridWidth);
    const int lines = view.height() / kGridHeight + 2;
    // The first cell in view, then as many as a screen holds.
    QModelIndex top = listThumbs->indexAt(QPoint(kGridWidth / 2, kGridHeight / 2));
    for (int y = 0; !top.isValid() && y < view.height(); y += kGridHeight / 4)
        top = listThumbs->indexAt(QPoint(kGridWidth / 2, y));
    const int first = top.isValid() ? top.row() : 0;
    const int screen = columns * lines;
    // A screen ahead and one behind: a scroll either way finds them ready.
    model_->want(first - screen, first + 2 * screen, first);
}

} // namespace reader
