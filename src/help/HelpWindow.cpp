#include "HelpWindow.h"

#include "errors/ShellOpen.h"
#include "ui/Background.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextFrame>
#include <QTimer>
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

// How big the window likes to be, how narrow it may get beside the main
// window (or over it, when the screen has room nowhere) and how low above or
// below it.
constexpr QSize PreferredSize(780, 560);
constexpr QSize SmallestBeside(560, 320);

// What one page may take in pictures (pixels, all together) and style
// sheets, whatever the file holds.
constexpr qint64 MostPixelsPerPage = 4 * 1024 * 1024;
constexpr int MostStyleSheetsPerPage = 16;

// Links the desktop's browser opens; anything else outside the help file
// (file:, other schemes) is not followed.
bool isWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || scheme == QLatin1String("mailto");
}

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

// The browser's document, which answers for everything a page refers to:
// from the help file, within limits, and from nowhere else. It keeps its own
// answers, by kind and address: Qt's cache keeps one answer an address
// whatever its kind, so that a picture asked for where a style sheet was
// found would be given the sheet's text, taken for no picture, and read by
// its name from the disk instead.
class ChmDocument final : public QTextDocument {
public:
    ChmDocument(const ChmFile& file, QObject* parent) : QTextDocument(parent), m_file(file) {}

    // The answer for name as a resource of type. Asked for a page, forgets
    // what the page before it asked for.
    QVariant answer(int type, const QUrl& name)
    {
        QUrl url = name;
        if (url.isRelative()) {
            // Relative to the page shown (or being loaded).
            auto* browser = qobject_cast<QTextBrowser*>(parent());
            url = (baseUrl().isEmpty() && browser ? browser->source() : baseUrl()).resolved(url);
        }
        if (type == QTextDocument::HtmlResource) {
            m_answers.clear();
            m_pixelsLeft = MostPixelsPerPage;
            m_styleSheetsLeft = MostStyleSheetsPerPage;
            return page(url);
        }
        const QString key = QString::number(type) + QLatin1Char(' ') + url.toString();
        auto known = m_answers.constFind(key);
        if (known == m_answers.cend())
            known = m_answers.insert(key, read(type, url));
        return *known;
    }

protected:
    // Qt asks here; answering without the base class keeps Qt from reading
    // a file: address itself.
    QVariant loadResource(int type, const QUrl& name) override { return answer(type, name); }

private:
    QVariant page(const QUrl& url) const
    {
        const QString path = url.path(QUrl::FullyDecoded);
        const std::optional<QByteArray> bytes = HelpWindow::isHelpUrl(url) ? m_file.read(path) : std::nullopt;
        if (!bytes)
            return notice(QStringLiteral("Page not found"),
                          QStringLiteral("The help file has no page \"%1\".").arg(path.toHtmlEscaped()));
        if (bytes->size() > PageLimits::LargestPage)
            return notice(QStringLiteral("Page too large"),
                          QStringLiteral("The page \"%1\" is too large to show.").arg(path.toHtmlEscaped()));
        return BoundedHtml(DecodeHtml(*bytes));
    }

    QVariant read(int type, const QUrl& url)
    {
        const std::optional<QByteArray> bytes =
            HelpWindow::isHelpUrl(url) ? m_file.read(url.path(QUrl::FullyDecoded)) : std::nullopt;
        switch (type) {
        case QTextDocument::ImageResource:
            // Always a picture, as the pixmap the window's thread draws:
            // given none, or one it cannot draw, Qt loads the picture's
            // name from the disk itself.
            return bytes ? picture(*bytes) : noPicture();
        case QTextDocument::StyleSheetResource:
            if (!bytes || bytes->size() > PageLimits::LargestPage || m_styleSheetsLeft <= 0)
                return QString();
            --m_styleSheetsLeft;
            return QString::fromUtf8(*bytes);
        default:
            return bytes.value_or(QByteArray());
        }
    }

    static QString notice(const QString& title, const QString& text)
    {
        return QStringLiteral("<html><head><title>%1</title></head><body><h1>%1</h1><p>%2</p></body></html>")
            .arg(title, text);
    }

    // What stands for a picture that is not shown: one clear pixel.
    static QPixmap noPicture()
    {
        QPixmap none(1, 1);
        none.fill(Qt::transparent);
        return none;
    }

    // The picture in bytes when its header gives a size within what the
    // page has left, else none.
    QPixmap picture(const QByteArray& bytes)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : m_pixelsLeft + 1;
        if (pixels > m_pixelsLeft)
            return noPicture();
        m_pixelsLeft -= pixels;
        const QImage read = reader.read();
        return read.isNull() ? noPicture() : QPixmap::fromImage(read);
    }

    const ChmFile& m_file;
    QHash<QString, QVariant> m_answers; // "type address" -> answer, for the page shown
    qint64 m_pixelsLeft = MostPixelsPerPage;
    int m_styleSheetsLeft = MostStyleSheetsPerPage;
};

// A text browser that shows pages of the help file, through its ChmDocument.
class ChmBrowser final : public QTextBrowser {
public:
    ChmBrowser(const ChmFile& file, QWidget* parent)
        : QTextBrowser(parent), m_document(new ChmDocument(file, this))
    {
        setDocument(m_document);
    }

    // The browser asks here for the pages it goes to.
    QVariant loadResource(int type, const QUrl& name) override { return m_document->answer(type, name); }

private:
    ChmDocument* m_document;
};

} // namespace

HelpWindow::HelpWindow(HelpBook book, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_file(std::move(book.file))
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
    loadTopics(book.contents, std::move(book.index));
    // The first page comes when the window is shown (showEvent), laid out
    // once at the width it has then rather than first at a guess.
}

HelpWindow::~HelpWindow()
{
    stopSearchBuild();
}

void HelpWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        showDefaultTopic();
    }
}

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
    m_index->setUniformItemSizes(true);
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
        // Show where the page holds the first word looked for (or a word
        // of its family).
        const QStringList words = HelpSearchIndex::wordsOf(m_search->text());
        if (!words.isEmpty()) {
            m_browser->moveCursor(QTextCursor::Start);
            m_browser->find(HelpSearchIndex::stemOf(words.first()));
        }
    };
    connect(m_results, &QListWidget::itemActivated, this, openHit);
    connect(m_results, &QListWidget::itemClicked, this, openHit);
}

void HelpWindow::loadTopics(const QList<SitemapEntry>& contents, QList<SitemapEntry> index)
{
    stopSearchBuild();
    m_searchIndex.reset();
    m_results->clear();
    m_searchStatus->clear();

    // Built apart from the tree and handed to it at once: much quicker than
    // adding the items to the tree one by one.
    m_contents->clear();
    QList<QTreeWidgetItem*> topLevel;
    QList<QTreeWidgetItem*> lastAt; // the latest item of each level
    QList<QTreeWidgetItem*> all;
    all.reserve(contents.size());
    for (const SitemapEntry& entry : contents) {
        lastAt.resize(entry.level);
        auto* item = entry.level == 0 ? new QTreeWidgetItem() : new QTreeWidgetItem(lastAt.constLast());
        if (entry.level == 0)
            topLevel.append(item);
        item->setText(0, entry.name);
        item->setToolTip(0, entry.name);
        item->setData(0, LocalRole, entry.local);
        lastAt.append(item);
        all.append(item);
    }
    const QIcon book = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon page = style()->standardIcon(QStyle::SP_FileIcon);
    for (QTreeWidgetItem* item : std::as_const(all))
        item->setIcon(0, item->childCount() > 0 ? book : page);
    m_contents->addTopLevelItems(topLevel);

    m_index->clear();
    m_indexPending = std::move(index);
    m_indexNext = 0;
    if (!m_indexStepDue) // else the step due lists this index
        fillIndex();
}

void HelpWindow::fillIndex()
{
    // A few milliseconds at a time, so that the window answers while a long
    // index is listed; a short one is listed at once.
    constexpr int StepMs = 15;
    m_indexStepDue = false;
    QElapsedTimer step;
    step.start();
    while (m_indexNext < m_indexPending.size() && !step.hasExpired(StepMs)) {
        const SitemapEntry& entry = m_indexPending.at(m_indexNext++);
        auto* item = new QListWidgetItem(QString(entry.level * 4, QLatin1Char(' ')) + entry.name, m_index);
        item->setData(LocalRole, entry.local);
        item->setData(KeywordRole, entry.name);
        item->setData(LevelRole, entry.level);
    }
    if (m_indexNext < m_indexPending.size()) {
        m_indexStepDue = true;
        QTimer::singleShot(0, this, &HelpWindow::fillIndex);
        return;
    }
    m_indexPending.clear();
    m_indexNext = 0;
    filterIndex(m_indexFilter->text());
}

void HelpWindow::setFile(HelpBook book)
{
    m_file = std::move(book.file);
    m_browser->clearHistory();
    m_browser->clear();
    loadTopics(book.contents, std::move(book.index));
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
    else if (isWebUrl(url))
        ShellOpen(url.toString(QUrl::FullyEncoded)); // the desktop's browser, without waiting for it
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
    if (HelpSearchIndex::wordsOf(m_search->text()).isEmpty()) {
        m_results->clear();
        m_searchStatus->setText(QStringLiteral("Type the words to look for."));
        return;
    }
    if (m_searchIndex) {
        showHits();
        return;
    }
    m_results->clear();
    m_searchStatus->setText(QStringLiteral("Reading the pages\u2026"));
    if (m_searchBuildStop)
        return; // being built: the hits for what is typed then follow
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_searchBuildStop = stop;
    WhenDone(
        RunInBackground([file = m_file, stop] {
            HelpSearchIndex index;
            index.addPages(file, stop.get());
            return index;
        }),
        this,
        [this, stop](const HelpSearchIndex& index) {
            if (stop->load())
                return; // built for a file the window no longer shows
            m_searchBuildStop.reset();
            m_searchIndex = index;
            showHits();
        },
        [this, stop] {
            if (stop->load())
                return;
            m_searchBuildStop.reset();
            m_searchStatus->setText(QStringLiteral("The pages could not be read for a search."));
        });
}

void HelpWindow::showHits()
{
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

void HelpWindow::stopSearchBuild()
{
    if (m_searchBuildStop) {
        m_searchBuildStop->store(true);
        m_searchBuildStop.reset();
    }
}

QRect HelpWindow::placeBeside(const QRect& anchor, const QSize& size, const QSize& minimum,
                              const QRect& available)
{
    const int right = available.right() - anchor.right();
    const int left = anchor.left() - available.left();
    const int below = available.bottom() - anchor.bottom();
    const int above = anchor.top() - available.top();
    // Beside: to the right, else to the left, top edges level.
    const auto besideAt = [&](int x, int width) {
        const int height = std::min(size.height(), available.height());
        const int y = std::clamp(anchor.top(), available.top(), available.bottom() + 1 - height);
        return QRect(x, y, width, height);
    };
    if (right >= size.width() || (right >= minimum.width() && right >= left))
        return besideAt(anchor.right() + 1, std::min(size.width(), right));
    if (left >= minimum.width()) {
        const int width = std::min(size.width(), left);
        return besideAt(anchor.left() - width, width);
    }
    // Below, else above, left edges level, as low as the room there.
    const int width = std::min(size.width(), available.width());
    const int x = std::clamp(anchor.left(), available.left(), available.right() + 1 - width);
    if (below >= minimum.height())
        return {x, anchor.bottom() + 1, width, std::min(size.height(), below)};
    if (above >= minimum.height()) {
        const int height = std::min(size.height(), above);
        return {x, anchor.top() - height, width, height};
    }
    // At the screen's edge on the side with more room, as narrow as
    // allowed: what hangs over anchor is as little as it can be.
    const int narrowest = std::min(minimum.width(), available.width());
    return besideAt(right >= left ? available.right() + 1 - narrowest : available.left(), narrowest);
}

void HelpWindow::place()
{
    // Beside the main window (or above or below it), over as little of it
    // as the screen allows; with no main window shown, in the middle of the
    // screen.
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
        const QRect beside = placeBeside(mainFrame, size().grownBy(frame), SmallestBeside, available);
        resize(beside.size().shrunkBy(frame));
        move(beside.topLeft());
        return;
    }
    QRect frame(QPoint(), size());
    frame.moveCenter(available.center());
    move(frame.topLeft());
}

} // namespace lyrovan
