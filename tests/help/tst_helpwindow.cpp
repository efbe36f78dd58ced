// The help window's contents, index and search: the parsers behind them, good
// and damaged input alike, and the window using them on the shipped file;
// where the window opens, and the colours of the help's style sheet.

#include "help/ChmFile.h"
#include "help/Help.h"
#include "help/HelpTopics.h"
#include "help/HelpWindow.h"
#include "HostileHelp.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QtTest>

using namespace lyrovan;

namespace {

QString shippedFile()
{
    return QFileInfo(QStringLiteral(LYROVAN_HELP_FILE)).absoluteFilePath();
}

// "level:name>local" for each entry, joined by " | ".
QString describe(const QList<SitemapEntry>& entries)
{
    QStringList parts;
    for (const SitemapEntry& entry : entries)
        parts.append(QStringLiteral("%1:%2>%3").arg(entry.level).arg(entry.name, entry.local));
    return parts.join(QStringLiteral(" | "));
}

QByteArray object(const QByteArray& name, const QByteArray& local)
{
    return "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + name
        + "\"><param name=\"Local\" value=\"" + local + "\"></OBJECT>";
}

HelpWindow* openWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        auto* help = qobject_cast<HelpWindow*>(window);
        if (help && help->isVisible())
            return help;
    }
    return nullptr;
}

// The page a contents entry leads to, "/page.html".
QString pageOf(const QTreeWidgetItem* item)
{
    return item ? HelpWindow::urlForLocal(item->data(0, Qt::UserRole).toString()).path() : QString();
}

} // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void parseSitemap_data();
    void parseSitemap();
    void textOfPage_data();
    void textOfPage();
    void searchRanks_data();
    void searchRanks();
    void searchReadsPagesAsShown_data();
    void searchReadsPagesAsShown();
    void placeBeside_data();
    void placeBeside();
    void styleColoursHavePartners_data();
    void styleColoursHavePartners();

    void contentsShowsTheFilesTable();
    void contentsFollowsNavigation();
    void linksStayInFileOrGoToBrowser_data();
    void linksStayInFileOrGoToBrowser();
    void indexFilterNarrowsAndOpens_data();
    void indexFilterNarrowsAndOpens();
    void searchFindsPageByItsOwnWord_data();
    void searchFindsPageByItsOwnWord();
    void opensBesideMainWindow();

private:
    HelpWindow* show();

    ChmFile m_chm;
};

void TestHelpWindow::initTestCase()
{
    QVERIFY(m_chm.open(shippedFile()));
}

void TestHelpWindow::cleanup()
{
    while (HelpWindow* window = openWindow())
        delete window;
}

HelpWindow* TestHelpWindow::show()
{
    ShowHelp(shippedFile(), nullptr);
    return QTest::qWaitFor([] { return openWindow() != nullptr; }) ? openWindow() : nullptr;
}

void TestHelpWindow::parseSitemap_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nested contents")
        << QByteArray("<HTML><BODY><OBJECT type=\"text/site properties\"><param name=\"ImageType\" "
                      "value=\"Folder\"></OBJECT><UL>" + object("Intro", "a.html")
                      + "<UL>" + object("Part", "b.html#p") + "</UL>" + object("End", "c.htm")
                      + "</UL></BODY></HTML>")
        << QStringLiteral("0:Intro>a.html | 1:Part>b.html#p | 0:End>c.htm");
    QTest::newRow("keyword with two topics, lower case, unquoted")
        << QByteArray("<ul><li><object type=text/sitemap><param name=name value=Strum>"
                      "<param name=local value=s.html><param name=Name value=Other>"
                      "<param name=Local value=o.html></object></ul>")
        << QStringLiteral("0:Strum>s.html");
    QTest::newRow("value before name, references")
        << QByteArray("<UL><OBJECT><param value=\"Tom &amp; Jerry&#33;\" name=\"Name\">"
                      "<param value='x.html' name='Local'></OBJECT></UL>")
        << QStringLiteral("0:Tom & Jerry!>x.html");
    QTest::newRow("heading without a page, page without a name")
        << QByteArray("<UL>" + object("Heading", "") + "<UL>" + object("", "p.html") + "</UL></UL>")
        << QStringLiteral("0:Heading> | 1:p.html>p.html");
    QTest::newRow("comment hides an entry")
        << QByteArray("<UL><!-- " + object("Gone", "g.html") + " -->" + object("Kept", "k.html"))
        << QStringLiteral("0:Kept>k.html");
    QTest::newRow("a name like Local is not Local, an empty Local is none")
        << QByteArray("<UL><OBJECT><param name=\"Localized\" value=\"x.html\"><param name=\"Local\" value=\"\">"
                      "<param name=\"Local\" value=\"y.html\"><param name=\"Name\" value=\"Y\"></OBJECT></UL>")
        << QStringLiteral("0:Y>y.html");
    QTest::newRow("Latin-1 bytes")
        << QByteArray("<UL>" + object("Caf\xe9", "c.html") + "</UL>") << QStringLiteral("0:Caf\u00e9>c.html");

    // Damaged files.
    QTest::newRow("closing lists first")
        << QByteArray("</UL></UL>" + object("A", "a.html") + "</UL><UL>" + object("B", "b.html"))
        << QStringLiteral("0:A>a.html | 0:B>b.html");
    QTest::newRow("level jumps by three")
        << QByteArray("<UL>" + object("A", "a.html") + "<UL><UL><UL>" + object("B", "b.html"))
        << QStringLiteral("0:A>a.html | 1:B>b.html");
    QTest::newRow("nested far too deep")
        << QByteArray(QByteArray("<UL>").repeated(100000) + object("A", "a.html") + "<UL>"
                      + object("B", "b.html"))
        << QStringLiteral("0:A>a.html | 1:B>b.html");
    {
        QByteArray deep;
        QStringList levels;
        for (int level = 0; level < MaxSitemapLevel + 3; ++level) {
            deep += "<UL>" + object("L", "l.html");
            levels.append(QStringLiteral("%1:L>l.html").arg(std::min(level, MaxSitemapLevel)));
        }
        QTest::newRow("levels stop at the deepest allowed") << deep << levels.join(QStringLiteral(" | "));
    }
    QTest::newRow("object never closed")
        << QByteArray("<UL><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A\">"
                      "<OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"B\">")
        << QStringLiteral("0:A> | 0:B>");
    QTest::newRow("quote never closed")
        << QByteArray("<UL><OBJECT><param name=\"Name\" value=\"A><param name=\"Local\" value=\"a.html\">"
                      "</OBJECT>" + object("B", "b.html"))
        << QStringLiteral("0:A>a.html | 0:B>b.html");
    QTest::newRow("cut inside a tag") << QByteArray("<UL>" + object("A", "a.html") + "<LI><OBJECT type=\"te")
                                      << QStringLiteral("0:A>a.html");
    QTest::newRow("lone brackets") << QByteArray("<<<>>><") << QString();
    QTest::newRow("bad references")
        << QByteArray("<OBJECT><param name=Name value=\"&#99999999;&#xD800;&#;&bogus;&\"></OBJECT>")
        << QStringLiteral("0:\ufffd\ufffd&#;&bogus;&>");
    QTest::newRow("nul bytes and noise")
        << QByteArray("\0\xff\xfe<UL>\0", 8) + object("A", "a.html") + "\x80\x81"
        << QStringLiteral("0:A>a.html");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestHelpWindow::parseSitemap()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QCOMPARE(describe(ParseSitemap(input)), expected);
}

// The text the search reads is the text the window shows.
void TestHelpWindow::textOfPage_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");

    QTest::newRow("page")
        << QStringLiteral("<html><head><title>The &amp; Title</title><style>p{color:red}</style>"
                          "<script>var x = 1;</script></head><body><h1>Head</h1><p>One <b>t</b>wo"
                          "<br>three&nbsp;&lt;4&gt;</p><!-- hidden --></body></html>")
        << QStringLiteral("Head One two three <4>") << QStringLiteral("The & Title");
    QTest::newRow("every reference decoded, none left as a word")
        << QStringLiteral("<p>Caf&eacute; &middot; 5&times;2 &hearts;</p>")
        << QStringLiteral("Caf\u00e9 \u00b7 5\u00d72 \u2665") << QString();
    QTest::newRow("comment never closed") << QStringLiteral("<p>kept<!-- lost <p>lost")
                                          << QStringLiteral("kept") << QString();
    QTest::newRow("tag never closed") << QStringLiteral("kept<p class=\"x") << QStringLiteral("kept") << QString();
    QTest::newRow("title never closed") << QStringLiteral("<title>Name") << QString() << QStringLiteral("Name");
}

void TestHelpWindow::textOfPage()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QFETCH(QString, title);
    const PageText page = TextOfPage(html);
    QCOMPARE(page.text, text);
    QCOMPARE(page.title, title);
}

void TestHelpWindow::searchRanks_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("more often first") << QStringLiteral("chord") << QStringList{"/often", "/once"};
    QTest::newRow("title first, however often mentioned")
        << QStringLiteral("strum") << QStringList{"/strumming", "/mentions"};
    QTest::newRow("the family of a word with an ending")
        << QStringLiteral("strummed") << QStringList{"/strumming", "/mentions"};
    QTest::newRow("start of a word") << QStringLiteral("cho") << QStringList{"/often", "/once"};
    QTest::newRow("a short or vowelless stem stays whole")
        << QStringLiteral("singing string") << QStringList{};
    QTest::newRow("every word needed") << QStringLiteral("chord neck") << QStringList{"/once"};
    QTest::newRow("any case, any order") << QStringLiteral("NECK, Chord!") << QStringList{"/once"};
    QTest::newRow("accents do not matter") << QStringLiteral("CAFE") << QStringList{"/cafe"};
    QTest::newRow("one word missing") << QStringLiteral("chord zither") << QStringList{};
    QTest::newRow("no words") << QStringLiteral(" ,.; ") << QStringList{};
}

void TestHelpWindow::searchRanks()
{
    QFETCH(QString, query);
    QFETCH(QStringList, expected);
    HelpSearchIndex index;
    index.add(QStringLiteral("/once"), QStringLiteral("Once"), QStringLiteral("A chord on the neck."));
    index.add(QStringLiteral("/often"), QStringLiteral("Often"), QStringLiteral("Chord, chord and chord."));
    index.add(QStringLiteral("/strumming"), QStringLiteral("Strumming"), QStringLiteral("Hear it."));
    index.add(QStringLiteral("/mentions"), QStringLiteral("Sound"),
              QStringLiteral("It strums, strummed and is strumming: strum, strum, strum."));
    index.add(QStringLiteral("/cafe"), QStringLiteral("Caf\u00e9"), QStringLiteral("Sing a song in the street."));
    QStringList found;
    for (const HelpSearchIndex::Hit& hit : index.search(query))
        found.append(hit.path);
    QCOMPARE(found, expected);
}

void TestHelpWindow::placeBeside_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("expected");
    // A 600x400 window, at least 400 wide beside and 300 high above or
    // below, on a 1280x1000 screen under a 24 pixel panel.
    QTest::newRow("right") << QRect(10, 100, 500, 300) << QRect(510, 100, 600, 400);
    QTest::newRow("left") << QRect(700, 100, 500, 300) << QRect(100, 100, 600, 400);
    QTest::newRow("right, narrowed") << QRect(100, 100, 700, 300) << QRect(800, 100, 480, 400);
    QTest::newRow("left, narrowed") << QRect(450, 100, 700, 300) << QRect(0, 100, 450, 400);
    QTest::newRow("kept below the panel") << QRect(10, 0, 500, 300) << QRect(510, 24, 600, 400);
    QTest::newRow("kept above the bottom") << QRect(10, 900, 500, 90) << QRect(510, 600, 600, 400);
    QTest::newRow("no room beside: below") << QRect(300, 100, 700, 300) << QRect(300, 400, 600, 400);
    QTest::newRow("below, lowered to the room") << QRect(300, 400, 700, 300) << QRect(300, 700, 600, 300);
    QTest::newRow("no room beside or below: above") << QRect(300, 600, 700, 300) << QRect(300, 200, 600, 400);
    // No room anywhere: at the screen's edge on the side with more room, at
    // the narrowest, over as little of the anchor as that leaves.
    QTest::newRow("no room, more on the left") << QRect(300, 200, 700, 600) << QRect(0, 200, 400, 400);
    QTest::newRow("no room, more on the right") << QRect(280, 200, 700, 600) << QRect(880, 200, 400, 400);
}

void TestHelpWindow::placeBeside()
{
    QFETCH(QRect, anchor);
    QFETCH(QRect, expected);
    QCOMPARE(HelpWindow::placeBeside(anchor, QSize(600, 400), QSize(400, 300), QRect(0, 24, 1280, 976)), expected);
}

void TestHelpWindow::styleColoursHavePartners_data()
{
    QTest::addColumn<QString>("rule");
    QFile css(QFileInfo(shippedFile()).absolutePath() + QStringLiteral("/help/help.css"));
    QVERIFY(css.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(css.readAll());
    text.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                   QRegularExpression::DotMatchesEverythingOption));
    static const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^}]*)\\}"));
    for (auto it = rule.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        QTest::newRow(qPrintable(match.captured(1).simplified())) << match.captured(2);
    }
}

void TestHelpWindow::styleColoursHavePartners()
{
    QFETCH(QString, rule);
    QSet<QString> properties;
    for (const QString& declaration : rule.split(QLatin1Char(';')))
        properties.insert(declaration.section(QLatin1Char(':'), 0, 0).trimmed().toLower());
    const bool background = properties.contains(QStringLiteral("background-color"))
        || properties.contains(QStringLiteral("background"));
    QCOMPARE(properties.contains(QStringLiteral("color")), background);
}

void TestHelpWindow::contentsShowsTheFilesTable()
{
    HelpWindow* window = show();
    QVERIFY(window);
    auto* tree = test::named<QTreeWidget>(window, QStringLiteral("tvwContents"));
    QVERIFY(tree);
    const QList<SitemapEntry> contents = ReadContents(m_chm);
    QVERIFY(contents.size() > 1);
    QList<SitemapEntry> shown;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        int level = 0;
        for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++level;
        shown.append(SitemapEntry{(*it)->text(0), (*it)->data(0, Qt::UserRole).toString(), level});
    }
    QCOMPARE(shown, contents);
}

// Whichever way a page is reached, its entry in the contents is selected.
void TestHelpWindow::contentsFollowsNavigation()
{
    HelpWindow* window = show();
    QVERIFY(window);
    auto* browser = test::named<QTextBrowser>(window, QStringLiteral("txtHelp"));
    auto* tree = test::named<QTreeWidget>(window, QStringLiteral("tvwContents"));
    auto* filter = test::named<QLineEdit>(window, QStringLiteral("txtIndexFilter"));
    auto* search = test::named<QLineEdit>(window, QStringLiteral("txtSearch"));
    auto* results = test::named<QListWidget>(window, QStringLiteral("lstSearchResults"));
    auto* back = test::named<QAction>(window, QStringLiteral("actBack"));
    auto* forward = test::named<QAction>(window, QStringLiteral("actForward"));
    QVERIFY(browser && tree && filter && search && results && back && forward);
    const auto selectedPage = [&] { return pageOf(tree->currentItem()); };

    QCOMPARE(selectedPage(), browser->source().path());

    // A click in the contents shows its page.
    QTreeWidgetItem* last = tree->topLevelItem(tree->topLevelItemCount() - 1);
    tree->scrollToItem(last);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(last).center());
    QCOMPARE(browser->source().path(), pageOf(last));
    QCOMPARE(tree->currentItem(), last);

    // A link on the page.
    browser->setSource(HelpWindow::urlForPath(m_chm.defaultTopic()));
    QCOMPARE(selectedPage(), browser->source().path());
    const QString linked = HelpWindow::urlForLocal(tree->topLevelItem(1)->data(0, Qt::UserRole).toString()).path();
    emit browser->anchorClicked(browser->source().resolved(QUrl(linked.mid(1))));
    QCOMPARE(browser->source().path(), linked);
    QCOMPARE(selectedPage(), linked);

    back->trigger();
    QCOMPARE(selectedPage(), browser->source().path());
    forward->trigger();
    QCOMPARE(selectedPage(), linked);

    // The index.
    const QList<SitemapEntry> index = ReadIndex(m_chm);
    QVERIFY(!index.isEmpty());
    auto* list = test::named<QListWidget>(window, QStringLiteral("lstIndex"));
    filter->setText(index.constLast().name);
    QVERIFY(list->currentItem() && !list->currentItem()->isHidden());
    QTest::keyClick(filter, Qt::Key_Return);
    QCOMPARE(browser->source().path(),
             HelpWindow::urlForLocal(list->currentItem()->data(Qt::UserRole).toString()).path());
    QCOMPARE(selectedPage(), browser->source().path());

    // A search result.
    search->setText(tree->topLevelItem(0)->text(0));
    QTest::keyClick(search, Qt::Key_Return);
    QTRY_VERIFY(results->count() > 0);
    QListWidgetItem* hit = results->item(results->count() - 1);
    emit results->itemActivated(hit);
    QCOMPARE(browser->source().path(), hit->data(Qt::UserRole).toString());
    QCOMPARE(selectedPage(), browser->source().path());
}

void TestHelpWindow::linksStayInFileOrGoToBrowser_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("page");    // shown after the click, "" for the page before
    QTest::addColumn<QString>("browser"); // handed to the desktop's browser, "" for nothing
    QTest::newRow("page of the file") << "getting_started.html" << "/getting_started.html" << "";
    QTest::newRow("web page") << "https://example.org/a b" << "" << "https://example.org/a%20b";
    QTest::newRow("mail") << "mailto:someone@example.org" << "" << "mailto:someone@example.org";
    QTest::newRow("file: address") << "file:///etc/passwd" << "" << "";
    QTest::newRow("absolute path") << "/etc/passwd" << "/etc/passwd" << "";
    QTest::newRow("out of the file") << "../../../etc/passwd" << "/etc/passwd" << "";
    QTest::newRow("other scheme") << "ftp://example.org/" << "" << "";
}

// A link leads to a page of the help file (a missing one shows "Page not
// found", never a file from the disk), a web page opens in the desktop's
// browser, and anything else is not followed.
void TestHelpWindow::linksStayInFileOrGoToBrowser()
{
    QFETCH(QString, href);
    QFETCH(QString, page);
    QFETCH(QString, browser);
    test::FakeOpener opener(42);
    HelpWindow* window = show();
    QVERIFY(window);
    auto* view = test::named<QTextBrowser>(window, QStringLiteral("txtHelp"));
    const QUrl before = view->source();
    emit view->anchorClicked(before.resolved(QUrl(href)));
    QCOMPARE(view->source().path(), page.isEmpty() ? before.path() : page);
    QVERIFY(HelpWindow::isHelpUrl(view->source()));
    QVERIFY(!view->toPlainText().contains(QStringLiteral("root:")));
    QCOMPARE(opener.targets, browser.isEmpty() ? QStringList() : QStringList{browser});
}

void TestHelpWindow::indexFilterNarrowsAndOpens_data()
{
    QTest::addColumn<int>("row");
    const QList<SitemapEntry> index = ReadIndex(m_chm);
    QVERIFY(index.size() > 2);
    for (int row = 0; row < index.size(); ++row)
        QTest::newRow(qPrintable(index[row].name)) << row;
}

void TestHelpWindow::indexFilterNarrowsAndOpens()
{
    QFETCH(int, row);
    HelpWindow* window = show();
    QVERIFY(window);
    auto* filter = test::named<QLineEdit>(window, QStringLiteral("txtIndexFilter"));
    auto* list = test::named<QListWidget>(window, QStringLiteral("lstIndex"));
    auto* browser = test::named<QTextBrowser>(window, QStringLiteral("txtHelp"));
    QVERIFY(filter && list && browser);
    const SitemapEntry entry = ReadIndex(m_chm).at(row);
    QCOMPARE(list->count(), ReadIndex(m_chm).size());

    QTest::keyClicks(filter, entry.name.toLower());
    int shown = 0;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isHidden())
            continue;
        ++shown;
        QVERIFY2(list->item(i)->text().contains(entry.name, Qt::CaseInsensitive), qPrintable(list->item(i)->text()));
    }
    QVERIFY(shown >= 1);
    QVERIFY(shown < list->count());
    QListWidgetItem* item = list->item(row);
    QVERIFY(!item->isHidden());

    emit list->itemActivated(item);
    const QUrl expected = HelpWindow::urlForLocal(entry.local);
    QCOMPARE(browser->source().path(), expected.path());
    QCOMPARE(browser->source().fragment(), expected.fragment());
}

void TestHelpWindow::searchReadsPagesAsShown_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("found");
    const QByteArray utf8 = "<meta charset=\"utf-8\">";
    QTest::newRow("named reference") << QByteArray("<p>Caf&eacute; au lait</p>") << "caf\u00e9" << true;
    QTest::newRow("named reference, no accent typed") << QByteArray("<p>Caf&eacute;</p>") << "cafe" << true;
    QTest::newRow("number reference") << QByteArray("<p>Caf&#233;</p>") << "caf\u00e9" << true;
    QTest::newRow("written out in UTF-8") << utf8 + "<p>Caf\xc3\xa9</p>" << "caf\u00e9" << true;
    QTest::newRow("written out in Latin-1")
        << QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"><p>Caf\xe9</p>")
        << "caf\u00e9" << true;
    QTest::newRow("name of a reference shown as a sign") << QByteArray("<p>One &middot; two</p>") << "middot" << false;
    QTest::newRow("name of a reference Qt does not know") << QByteArray("<p>A &zither; b</p>") << "zither" << true;
    QTest::newRow("reference written as text") << QByteArray("<p>Write &amp;middot; for it</p>") << "middot" << true;
    QTest::newRow("comment") << QByteArray("<p>Shown</p><!-- hidden -->") << "hidden" << false;
}

// The search finds a page by the words the window shows on it, whatever
// references and charset they are written in, and by no others.
void TestHelpWindow::searchReadsPagesAsShown()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, query);
    QFETCH(bool, found);
    test::HelpFileLayout layout;
    layout.files = {{QStringLiteral("/index.html"), "<html><body>" + page + "</body></html>"}};
    ChmFile file;
    QVERIFY(file.openBytes(test::WriteHelpFile(layout)));
    HelpSearchIndex index;
    index.addPages(file);
    QCOMPARE(index.pageCount(), 1);
    QCOMPARE(!index.search(query).isEmpty(), found);
}

void TestHelpWindow::searchFindsPageByItsOwnWord_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("word");
    // The words of each page as Qt's own HTML reader sees them.
    QHash<QString, QSet<QString>> wordsOf;
    const QStringList files = m_chm.files();
    for (const QString& file : files) {
        if (!file.endsWith(QLatin1String(".html")))
            continue;
        QTextDocument document;
        document.setHtml(QString::fromUtf8(m_chm.read(file).value_or(QByteArray())));
        const QString text = document.metaInformation(QTextDocument::DocumentTitle) + QLatin1Char(' ')
            + document.toPlainText();
        static const QRegularExpression word(QStringLiteral("[A-Za-z0-9]+"));
        for (auto it = word.globalMatch(text); it.hasNext();)
            wordsOf[file].insert(it.next().captured().toLower());
    }
    QVERIFY(wordsOf.size() > 2);
    // A word finds the words its stem starts: a page's own word is one
    // whose stem starts no word of another page.
    const auto elsewhere = [&wordsOf](const QString& page, const QString& stem) {
        for (auto other = wordsOf.cbegin(); other != wordsOf.cend(); ++other) {
            for (const QString& w : other.value()) {
                if (other.key() != page && w.startsWith(stem))
                    return true;
            }
        }
        return false;
    };
    for (auto it = wordsOf.cbegin(); it != wordsOf.cend(); ++it) {
        QStringList own;
        for (const QString& w : it.value()) {
            if (w.size() >= 4 && !w.front().isDigit() && !elsewhere(it.key(), HelpSearchIndex::stemOf(w)))
                own.append(w);
        }
        std::sort(own.begin(), own.end());
        if (!own.isEmpty())
            QTest::newRow(qPrintable(it.key() + QLatin1Char(' ') + own.first())) << it.key() << own.first();
    }
}

void TestHelpWindow::searchFindsPageByItsOwnWord()
{
    QFETCH(QString, page);
    QFETCH(QString, word);
    HelpWindow* window = show();
    QVERIFY(window);
    auto* tabs = test::named<QTabWidget>(window, QStringLiteral("tabHelpNav"));
    auto* search = test::named<QLineEdit>(window, QStringLiteral("txtSearch"));
    auto* results = test::named<QListWidget>(window, QStringLiteral("lstSearchResults"));
    auto* browser = test::named<QTextBrowser>(window, QStringLiteral("txtHelp"));
    QVERIFY(tabs && search && results && browser);
    tabs->setCurrentIndex(2);

    QTest::keyClicks(search, word.toUpper());
    QTest::keyClick(search, Qt::Key_Return);
    QTRY_COMPARE(results->count(), 1);
    QCOMPARE(results->item(0)->data(Qt::UserRole).toString(), page);
    emit results->itemActivated(results->item(0));
    QCOMPARE(browser->source().path(), page);

    // With a word of no page besides, nothing is found and the box says so.
    search->setText(word + QStringLiteral(" zzzzqqq"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(results->count(), 0);
    QVERIFY(!test::named<QLabel>(window, QStringLiteral("lblSearchStatus"))->text().isEmpty());
}

void TestHelpWindow::opensBesideMainWindow()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QMainWindow main;
    main.resize(screen.width() / 4, screen.height() / 3);
    main.move(screen.topLeft());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    ShowHelp(shippedFile(), &main);
    QTRY_VERIFY(openWindow());
    HelpWindow* window = openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY2(!window->frameGeometry().intersects(main.frameGeometry()),
             qPrintable(QStringLiteral("help at %1,%2").arg(window->x()).arg(window->y())));
    QVERIFY(window->frameGeometry().left() > main.frameGeometry().right());
    QVERIFY(screen.contains(window->frameGeometry()));
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
