#pragma once
// The help window: shows the pages of a help file in a text browser, with
// Back, Forward and Home on a small toolbar and, on the left, the help file's
// table of contents, its index and a full-text search. Pages, pictures and
// style sheets all come out of the help file, within limits, and pages are
// bounded before Qt lays them out (BoundedHtml); nothing else on the disk is
// read. Links to web pages open in the web browser. A long index is filled
// in steps and the search index is built on a worker, so that the window
// keeps answering.

#include "ChmFile.h"
#include "HelpTopics.h"

#include <QMainWindow>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace lyrovan {

// A help file as the window shows it: the file, with its contents and index
// read on the worker that opened it.
struct HelpBook {
    ChmFile file;
    QList<SitemapEntry> contents;
    QList<SitemapEntry> index;
};

class HelpWindow final : public QMainWindow {
    Q_OBJECT

public:
    // Takes over an opened help file. A parent only ties the window to its
    // owner; it is still a window of its own, placed beside the program's
    // main window where it covers the least of it.
    explicit HelpWindow(HelpBook book, QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Switches to another opened help file and shows its default topic.
    void setFile(HelpBook book);
    const ChmFile& file() const { return m_file; }

    // Shows the page the help file names as its first page.
    void showDefaultTopic();

    // The address a path inside the help file is shown under, and back.
    static QUrl urlForPath(const QString& path);
    static bool isHelpUrl(const QUrl& url);
    // The address of a contents or index target: "page.html#part", also in
    // the "file.chm::/page.html" form; web addresses stay as they are.
    static QUrl urlForLocal(const QString& local);

    // Where a window whose frame has size goes beside the frame anchor within
    // available: to its right, else to its left, top edges level, narrowed to
    // the room there down to minimum's width; else below, else above, left
    // edges level, lowered to the room there down to minimum's height. With
    // room nowhere, minimum's width wide at the screen's edge on the side
    // with more room, over as little of anchor as that allows.
    static QRect placeBeside(const QRect& anchor, const QSize& size, const QSize& minimum,
                             const QRect& available);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildNavigation();
    void loadTopics(const QList<SitemapEntry>& contents, QList<SitemapEntry> index);
    void fillIndex();
    void followLink(const QUrl& url);
    void showLocal(const QString& local);
    void selectCurrentInContents(const QUrl& url);
    void matchPageBackground();
    void filterIndex(const QString& text);
    void openFirstIndexMatch();
    void runSearch();
    void showHits();
    void stopSearchBuild();
    void place();

    ChmFile m_file;
    QTextBrowser* m_browser = nullptr;
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_home = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_contents = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QListWidget* m_index = nullptr;
    QLineEdit* m_search = nullptr;
    QListWidget* m_results = nullptr;
    QLabel* m_searchStatus = nullptr;
    // Index entries still to be listed, from m_indexNext on.
    QList<SitemapEntry> m_indexPending;
    qsizetype m_indexNext = 0;
    bool m_indexStepDue = false;
    // Built on a worker on the first search: reading every page takes a
    // while. Set to stop that worker when its file is gone.
    std::optional<HelpSearchIndex> m_searchIndex;
    std::shared_ptr<std::atomic<bool>> m_searchBuildStop;
    bool m_selectingCurrent = false;
    bool m_firstShow = true;
};

} // namespace lyrovan
