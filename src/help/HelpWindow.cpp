#include "HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextFrame>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lyrovan {

namespace {

// Pages of the help file are shown under chm:/path addresses.
constexpr QLatin1String HelpScheme("chm");

// Where a contents, index or search entry leads, kept on its item.
constexpr int LocalRole = Qt::UserRole;
// An index keyword without its indentation, to filter by.
constexpr int KeywordRole = Qt::UserRole + 1;
constexpr int LevelRole = Qt::UserRole + 2;

// How big the window likes to be, and how narrow it may get beside the
// main window before it goes back to the middle of the screen.
constexpr QSize PreferredSize(780, 560);
constexpr int NarrowestBeside = 560;

// The program's main window: the help goes beside it. The About box has no
// owner, so the owner's window alone would not do.
QWidget* mainWindowFor(QWidget* owner)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (qobject_cast<QMainWindow*>(window) && !qobject_cast<HelpWindow*>(window) && window->isVisible())
            return window;
    }
    return owner ? owner->window() : nullptr;
}

// The part of a page address the contents and index compare.
QString pageKey(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded).toLower();
}

QWidget* pane(QWidget* parent, std::initializer_list<QWidget*> widgets)
{
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    return page;
}

// A text browser that reads everything it shows from the help file.
class ChmBrowser final : public QTextBrowser {
public:
    ChmBrowser(const ChmFile& file, QWidget* parent) : QTextBrowser(parent), m_file(file) {}

    QVariant loadResource(int type, const QUrl& name) override
    {
        QUrl url = name;
        if (url.isRelative()) {
            // Relative to the page shown (or being loaded).
            const QUrl base = document()->baseUrl().isEmpty() ? source() : document()->baseUrl();
            url = base.resolved(url);
        }
        if (!HelpWindow::isHelpUrl(url))
            return QTextBrowser::loadResource(type, url);

        const QString path = url.path(QUrl::FullyDecoded);
        const std::optional<QByteArray> bytes = m_file.read(path);
        if (!bytes) {
            if (type == QTextDocument::HtmlResource)
                return notFoundPage(path);
            return {};
        }
        if (type == QTextDocument::StyleSheetResource)
            return QString::fromUtf8(*bytes);
        // Pages go back as bytes so that the browser honours their charset.
        return *bytes;
    }

private:
    static QString notFoundPage(const QString& path)
    {
        return QStringLiteral("<html><head><title>Page not found</title></head><body>"
                              "<h1>Page not found</h1><p>The help file has no page \"%1\".</p>"
                              "</body></html>")
            .arg(path.toHtmlEscaped());
    }

    const ChmFile& m_file;
};

} // namespace

HelpWindow::HelpWindow(ChmFile file, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_file(std::move(file))
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Lyrovan Help"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splHelp"));
    splitter->setChildrenCollapsible(false);
    m_tabs = new QTabWidget(splitter);
    m_tabs->setObjectName(QStringLiteral("tabHelpNav"));
    m_browser = new ChmBrowser(m_file, splitter);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    // Links are followed here: help pages in the browser, the rest outside.
    m_browser->setOpenLinks(false);
    m_browser->document()->setDocumentMargin(10);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, PreferredSize.width() - 220});
    setCentralWidget(splitter);
    buildNavigation();

    QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setObjectName(QStringLiteral("tbrHelp"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"));
    m_back->setObjectName(QStringLiteral("actBack"));
    m_back->setShortcut(QKeySequence::Back);
    m_back->setEnabled(false);
    m_forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                               QStringLiteral("&Forward"));
    m_forward->setObjectName(QStringLiteral("actForward"));
    m_forward->setShortcut(QKeySequence::Forward);
    m_forward->setEnabled(false);
    m_home = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("&Home"));
    m_home->setObjectName(QStringLiteral("actHome"));

    connect(m_back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(m_home, &QAction::triggered, this, &HelpWindow::showDefaultTopic);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::selectCurrentInContents);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::matchPageBackground);

    resize(PreferredSize);
    place();
    loadTopics();
    showDefaultTopic();
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::buildNavigation()
{
    m_contents = new QTreeWidget(m_tabs);
    m_contents->setObjectName(QStringLiteral("tvwContents"));
    m_contents->setHeaderHidden(true);
    m_contents->setUniformRowHeights(true);
    m_tabs->addTab(m_contents, QStringLiteral("&Contents"));

    m_indexFilter = new QLineEdit(m_tabs);
    m_indexFilter->setObjectName(QStringLiteral("txtIndexFilter"));
    m_indexFilter->setPlaceholderText(QStringLiteral("Type a keyword"));
    m_indexFilter->setClearButtonEnabled(true);
    m_index = new QListWidget(m_tabs);
    m_index->setObjectName(QStringLiteral("lstIndex"));
    m_tabs->addTab(pane(m_tabs, {m_indexFilter, m_index}), QStringLiteral("&Index"));

    m_search = new QLineEdit(m_tabs);
    m_search->setObjectName(QStringLiteral("txtSearch"));
    m_search->setPlaceholderText(QStringLiteral("Words to look for"));
    m_search->setClearButtonEnabled(true);
    auto* find = new QPushButton(QStringLiteral("&List Topics"), m_tabs);
    find->setObjectName(QStringLiteral("cmdSearch"));
    m_searchStatus = new QLabel(m_tabs);
    m_searchStatus->setObjectName(QStringLiteral("lblSearchStatus"));
    m_searchStatus->setWordWrap(true);
    m_results = new QListWidget(m_tabs);
    m_results->setObjectName(QStringLiteral("lstSearchResults"));
    m_tabs->addTab(pane(m_tabs, {m_search, find, m_searchStatus, m_results}), QStringLiteral("&Search"));

    connect(m_contents, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && !m_selectingCurrent)
            showLocal(item->data(0, LocalRole).toString());
    });
    connect(m_contents, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { showLocal(item->data(0, LocalRole).toString()); });
    connect(m_indexFilter, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    connect(m_indexFilter, &QLineEdit::returnPressed, this, &HelpWindow::openFirstIndexMatch);
    const auto openItem = [this](QListWidgetItem* item) { showLocal(item->data(LocalRole).toString()); };
    connect(m_index, &QListWidget::itemActivated, this, openItem);
    connect(m_index, &QListWidget::itemClicked, this, openItem);
    connect(m_search, &QLineEdit::returnPressed, this, &HelpWindow::runSearch);
    connect(find, &QPushButton::clicked, this, &HelpWindow::runSearch);
    const auto openHit = [this](QListWidgetItem* item) {
        showLocal(item->data(LocalRole).toString());
        // Show where the page holds the first word looked for.
        const QStringList words = HelpSearchIndex::wordsOf(m_search->text());
        if (!words.isEmpty()) {
            m_browser->moveCursor(QTextCursor::Start);
            m_browser->find(words.first(), QTextDocument::FindWholeWords);
        }
    };
    connect(m_results, &QListWidget::itemActivated, this, openHit);
    connect(m_results, &QListWidget::itemClicked, this, openHit);
}

void HelpWindow::loadTopics()
{
    m_contents->clear();
    QList<QTreeWidgetItem*> lastAt; // the latest item of each level
    const QList<SitemapEntry> contents = ReadContents(m_file);
    for (const SitemapEntry& entry : contents) {
        lastAt.resize(entry.level);
        auto* item = entry.level == 0 ? new QTreeWidgetItem(m_contents)
                                      : new QTreeWidgetItem(lastAt.constLast());
        item->setText(0, entry.name);
        item->setToolTip(0, entry.name);
        item->setData(0, LocalRole, entry.local);
        lastAt.append(item);
    }
    const QIcon book = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon page = style()->standardIcon(QStyle::SP_FileIcon);
    for (QTreeWidgetItemIterator it(m_contents); *it; ++it)
        (*it)->setIcon(0, (*it)->childCount() > 0 ? book : page);

    m_index->clear();
    const QList<SitemapEntry> index = ReadIndex(m_file);
    for (const SitemapEntry& entry : index) {
        auto* item = new QListWidgetItem(QString(entry.level * 4, QLatin1Char(' ')) + entry.name, m_index);
        item->setData(LocalRole, entry.local);
        item->setData(KeywordRole, entry.name);
        item->setData(LevelRole, entry.level);
    }
    filterIndex(m_indexFilter->text());

    m_searchIndex.reset();
    m_results->clear();
    m_searchStatus->clear();
}

void HelpWindow::setFile(ChmFile file)
{
    m_file = std::move(file);
    m_browser->clearHistory();
    m_browser->clear();
    loadTopics();
    showDefaultTopic();
}

void HelpWindow::showDefaultTopic()
{
    const QString topic = m_file.defaultTopic();
    if (topic.isEmpty()) {
        m_browser->setHtml(QStringLiteral("<h1>Lyrovan Help</h1><p>This help file has no pages.</p>"));
        return;
    }
    const QUrl url = urlForPath(topic);
    if (m_browser->source() == url)
        m_browser->reload(); // back to the top of the page
    else
        m_browser->setSource(url);
}

QUrl HelpWindow::urlForPath(const QString& path)
{
    QUrl url;
    url.setScheme(HelpScheme);
    url.setPath(ChmFile::normalizedPath(path), QUrl::DecodedMode);
    return url;
}

bool HelpWindow::isHelpUrl(const QUrl& url)
{
    return url.scheme() == HelpScheme;
}

QUrl HelpWindow::urlForLocal(const QString& local)
{
    QString target = local.trimmed();
    // "mk:@MSITStore:Help.chm::/page.html" and "Help.chm::/page.html"
    if (const qsizetype inside = target.indexOf(QLatin1String("::")); inside >= 0)
        target = target.mid(inside + 2);
    if (target.isEmpty())
        return {};
    const QUrl asWritten(target);
    if (asWritten.scheme().size() > 1) // not a drive letter
        return asWritten;
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    QUrl url = urlForPath(target.left(hash));
    if (hash >= 0 && hash + 1 < target.size())
        url.setFragment(target.mid(hash + 1));
    return url;
}

void HelpWindow::followLink(const QUrl& url)
{
    if (isHelpUrl(url))
        m_browser->setSource(url);
    else if (!url.isEmpty())
        QDesktopServices::openUrl(url);
}

void HelpWindow::showLocal(const QString& local)
{
    const QUrl url = urlForLocal(local);
    if (url.isEmpty())
        return; // a heading of the contents
    if (url == m_browser->source())
        return;
    followLink(url);
}

void HelpWindow::selectCurrentInContents(const QUrl& url)
{
    // The entry for this part of the page, else for the page.
    QTreeWidgetItem* found = nullptr;
    for (QTreeWidgetItemIterator it(m_contents); *it; ++it) {
        const QUrl target = urlForLocal((*it)->data(0, LocalRole).toString());
        if (!isHelpUrl(target) || pageKey(target) != pageKey(url))
            continue;
        if (target.fragment() == url.fragment()) {
            found = *it;
            break;
        }
        if (!found)
            found = *it;
    }
    m_selectingCurrent = true;
    if (found) {
        m_contents->setCurrentItem(found);
        m_contents->scrollToItem(found);
    } else {
        m_contents->setCurrentItem(nullptr);
        m_contents->clearSelection();
    }
    m_selectingCurrent = false;
}

void HelpWindow::matchPageBackground()
{
    // A page that paints its own background gets text colours that go with
    // it for what it does not colour itself (list bullets, table borders);
    // other pages take both from the desktop.
    QPalette colours = palette();
    const QBrush background = m_browser->document()->rootFrame()->frameFormat().background();
    if (background.style() != Qt::NoBrush) {
        colours.setBrush(QPalette::Base, background);
        colours.setColor(QPalette::Text, background.color().lightness() < 128 ? Qt::white : Qt::black);
    }
    m_browser->setPalette(colours);
}

void HelpWindow::filterIndex(const QString& text)
{
    // A keyword shows when it or the keyword it belongs to holds the text.
    const QString wanted = text.trimmed();
    QList<bool> shownAt;
    QListWidgetItem* first = nullptr;
    QListWidgetItem* best = nullptr;
    for (int row = 0; row < m_index->count(); ++row) {
        QListWidgetItem* item = m_index->item(row);
        const int level = item->data(LevelRole).toInt();
        shownAt.resize(level);
        const bool shown = wanted.isEmpty()
            || item->data(KeywordRole).toString().contains(wanted, Qt::CaseInsensitive)
            || (level > 0 && shownAt.constLast());
        shownAt.append(shown);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
        // Typing the start of a keyword picks it, as in a printed index.
        if (shown && !best && item->data(KeywordRole).toString().startsWith(wanted, Qt::CaseInsensitive))
            best = item;
    }
    if (best)
        first = best;
    if (first && !wanted.isEmpty())
        m_index->setCurrentItem(first);
    else if (first)
        m_index->scrollToItem(first);
}

void HelpWindow::openFirstIndexMatch()
{
    QListWidgetItem* item = m_index->currentItem();
    if (!item || item->isHidden()) {
        item = nullptr;
        for (int row = 0; row < m_index->count() && !item; ++row) {
            if (!m_index->item(row)->isHidden())
                item = m_index->item(row);
        }
    }
    if (item)
        showLocal(item->data(LocalRole).toString());
}

void HelpWindow::runSearch()
{
    if (!m_searchIndex) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_searchIndex.emplace();
        m_searchIndex->addPages(m_file);
        QApplication::restoreOverrideCursor();
    }
    m_results->clear();
    const QString query = m_search->text();
    if (HelpSearchIndex::wordsOf(query).isEmpty()) {
        m_searchStatus->setText(QStringLiteral("Type the words to look for."));
        return;
    }
    const QList<HelpSearchIndex::Hit> hits = m_searchIndex->search(query);
    for (const HelpSearchIndex::Hit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title, m_results);
        item->setData(LocalRole, hit.path);
        item->setToolTip(hit.path.mid(1));
    }
    if (hits.isEmpty())
        m_searchStatus->setText(QStringLiteral("No page holds all of these words."));
    else if (hits.size() == 1)
        m_searchStatus->setText(QStringLiteral("1 page found."));
    else
        m_searchStatus->setText(QStringLiteral("%1 pages found, best first.").arg(hits.size()));
    if (!hits.isEmpty())
        m_results->setCurrentRow(0);
}

QRect HelpWindow::placeBeside(const QRect& anchor, const QSize& size, int minimumWidth,
                              const QRect& available)
{
    const int right = available.right() - anchor.right();
    const int left = anchor.left() - available.left();
    int width = 0;
    int x = 0;
    if (right >= size.width() || (right >= minimumWidth && right >= left)) {
        width = std::min(size.width(), right);
        x = anchor.right() + 1;
    } else if (left >= minimumWidth) {
        width = std::min(size.width(), left);
        x = anchor.left() - width;
    } else {
        return {};
    }
    const int height = std::min(size.height(), available.height());
    const int y = std::clamp(anchor.top(), available.top(), available.bottom() + 1 - height);
    return {x, y, width, height};
}

void HelpWindow::place()
{
    // Beside the main window if the screen has room there; else over the
    // owner's window, else in the middle of the screen.
    QWidget* main = mainWindowFor(parentWidget());
    const QScreen* screen = main ? main->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (main && main->isVisible()) {
        // Before it is shown this window's frame is unknown: take the main window's.
        const QRect mainFrame = main->frameGeometry();
        const QMargins frame(main->geometry().left() - mainFrame.left(),
                             main->geometry().top() - mainFrame.top(),
                             mainFrame.right() - main->geometry().right(),
                             mainFrame.bottom() - main->geometry().bottom());
        const QRect beside = placeBeside(mainFrame, size().grownBy(frame), NarrowestBeside, available);
        if (!beside.isEmpty()) {
            resize(beside.size().shrunkBy(frame));
            move(beside.topLeft());
            return;
        }
    }
    QRect area;
    if (QWidget* owner = parentWidget())
        area = owner->window()->frameGeometry();
    if (area.isEmpty())
        area = available;
    QRect frame(QPoint(), size());
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

} // namespace lyrovan
