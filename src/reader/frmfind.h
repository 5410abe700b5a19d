#pragma once
// The find window: a text field and the hits of its text in every page of the
// book, searched as the user types, on a worker thread. A hit, double-clicked
// or chosen with Enter, shows its page and selects it in the page text.
#include "reader/book_search.h"

#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace platform { class RichTextBox; }

namespace reader {

// What the find window needs from the reader.
struct FindTarget {
    // The book as it is now (read on the window's thread when a search starts).
    std::function<std::vector<BookPage>()> pages;
    // Shows the page with this sequence number as the reader shows a chosen page;
    // returns the text box that shows its text.
    std::function<platform::RichTextBox*(int page)> showPage;
};

class FrmFind : public QWidget {
    Q_OBJECT
public:
    // Runs a search job somewhere; by default on the window's own worker thread.
    using Executor = std::function<void(std::function<void()> job)>;
    explicit FrmFind(FindTarget target, QWidget* parent = nullptr, Executor executor = {});
    ~FrmFind() override;

    // Shows the window (again), raises it and puts the cursor in the text field.
    void Open();
    // The book changed (catalogue reloaded, files rewritten): read the texts again and search again.
    void BookChanged();

    // ---- controls ----
    QLineEdit* TxtFind = nullptr;
    QTreeWidget* listHits = nullptr;
    QLabel* LblCount = nullptr;
    QPushButton* CmdClose = nullptr;

    // ---- handlers ----
    void TxtFind_Change();
    void TxtFind_Enter();
    // Shows hit `row` (from 0) of the list.
    void listHits_DblClick(int row);

    // ---- state the tests look at ----
    const SearchResult& result() const { return result_; }
    bool searching() const { return pendingSearch_.isActive() || running_ != 0; }
    PageTextCache& cache() { return shared_->cache; }

    // How long typing must pause before the search starts, in milliseconds.
    static constexpr int kTypingPauseMs = 200;
    static constexpr int kMaxListed = 1000;

signals:
    // A search's result has been put in the list.
    void resultShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Shared {
        PageTextCache cache;
        std::atomic<quint64> generation{0};
    };
    void startSearch();
    void showResult(quint64 generation, SearchResult result);
    void showStatus();

    FindTarget target_;
    Executor executor_;
    QThreadPool pool_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    QTimer pendingSearch_;
    std::shared_ptr<const std::vector<BookPage>> pages_;  // the book as last looked at
    bool placed_ = false;
    quint64 running_ = 0;  // the generation of the search under way, 0: none
    SearchResult result_;
};

} // namespace reader
