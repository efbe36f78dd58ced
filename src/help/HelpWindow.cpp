#include "HelpWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

namespace lyrovan {

namespace {

// Pages of the help file are shown under chm:/path addresses.
constexpr QLatin1String HelpScheme("chm");

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

    m_browser = new ChmBrowser(m_file, this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    // Links are followed here: help pages in the browser, the rest outside.
    m_browser->setOpenLinks(false);
    m_browser->document()->setDocumentMargin(10);
    setCentralWidget(m_browser);

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

    resize(640, 480);
    placeCentred();
    showDefaultTopic();
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::setFile(ChmFile file)
{
    m_file = std::move(file);
    m_browser->clearHistory();
    m_browser->clear();
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

void HelpWindow::followLink(const QUrl& url)
{
    if (isHelpUrl(url))
        m_browser->setSource(url);
    else if (!url.isEmpty())
        QDesktopServices::openUrl(url);
}

void HelpWindow::placeCentred()
{
    // Over the owner's window if there is one, else in the middle of the screen.
    QRect area;
    if (QWidget* owner = parentWidget())
        area = owner->window()->frameGeometry();
    if (area.isEmpty()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        area = screen->availableGeometry();
    }
    QRect frame(QPoint(), size());
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

} // namespace lyrovan
