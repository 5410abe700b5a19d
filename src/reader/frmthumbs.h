#pragma once
// The "页面一览" window: every page of the book as a small picture with its
// number and title, in a grid that fills the window. It opens at once and
// fills in as pictures are decoded, on worker threads, at the size they are
// shown, only for the rows in view and a little beyond; a bounded number of
// them is kept. A click shows that page as a click in the catalogue list does.
#include <QAbstractListModel>
#include <QCache>
#include <QImage>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

class QListView;

namespace reader {

class PageSource;

class ThumbnailModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The book's pages: their count, titles and picture files.
    explicit ThumbnailModel(const PageSource& book, QObject* parent = nullptr);
    ~ThumbnailModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Decodes what these rows (0-based, inclusive) still lack, from `from` on
    // and then back towards `first`, and forgets the wishes for rows out of the range.
    void want(int first, int last, int from);
    // The book changed: everything is read anew.
    void reset();

    int decodedCount() const { return cache_.count(); }
    // Nothing waiting to be decoded.
    bool isIdle() const { return pending_.isEmpty(); }

    static constexpr int kThumbWidth = 160, kThumbHeight = 120;
    // Several screens of thumbnails: scrolling back finds them, and a book of
    // 32767 pages costs no more than a short one.
    static constexpr int kCachedThumbnails = 150;

private:
    void decoded(int row, int generation, const QImage& image);
    QString titleOf(int row) const;

    const PageSource& book_;
    mutable QCache<int, QImage> cache_;
    QSet<int> pending_;
    QSet<int> failed_;
    int generation_ = 0;
    // Rows the view still wants; a job for a row out of it gives up unstarted.
    std::shared_ptr<std::atomic<int>> wantedFirst_, wantedLast_, liveGeneration_;
    QThreadPool rasterPool_;
    // Metafiles go through the helper program one at a time, behind the
    // raster pictures, so they never hold up the page being shown.
    QThreadPool metafilePool_;
};

class FrmThumbs : public QWidget {
    Q_OBJECT
public:
    // A click on a page runs `showPage` with its position.
    FrmThumbs(const PageSource& book, std::function<void(int position)> showPage, QWidget* parent = nullptr);
    ~FrmThumbs() override;

    void Open();
    ThumbnailModel* model() const { return model_; }
    QListView* listThumbs = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void listThumbs_Click(const QModelIndex& index);
    void askForVisibleRows();

    std::function<void(int position)> showPage_;
    ThumbnailModel* model_ = nullptr;
    QTimer settle_;
};

} // namespace reader
