#include "Help.h"

#include "ChmFile.h"
#include "HelpTopics.h"
#include "HelpWindow.h"
#include "errors/MessagePresenter.h"
#include "ui/Background.h"

#include <QApplication>
#include <QDir>
#include <QPointer>

namespace lyrovan {

namespace {

// The program has one help window, whoever opened it.
HelpWindow* openHelpWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        auto* help = qobject_cast<HelpWindow*>(window);
        if (help && !help->testAttribute(Qt::WA_WState_Hidden))
            return help;
    }
    return nullptr;
}

// Gives a window another owner where it stays as it was, shown or not.
void moveToOwner(HelpWindow* window, QWidget* owner)
{
    const bool shown = window->isVisible();
    const QRect place = window->geometry();
    window->setParent(owner, window->windowFlags()); // hides it
    window->setGeometry(place);
    if (shown)
        window->show();
}

// What a worker hands back: the file read with its contents and index, or
// the message that says why it cannot be shown.
struct ReadHelp {
    QString path;
    HelpBook book;
    QString problem;
};

ReadHelp readHelp(const QString& path, const QStringList& alsoLookedIn)
{
    ReadHelp read;
    read.path = path;
    read.problem = OpenHelpFile(read.book.file, path, alsoLookedIn);
    if (read.problem.isEmpty()) {
        read.book.contents = ReadContents(read.book.file);
        read.book.index = ReadIndex(read.book.file);
    }
    return read;
}

// The request the help window is being read for. Only the window's thread
// touches it.
struct Request {
    QString path;
    QStringList alsoLookedIn;
    QPointer<QWidget> owner;
    bool owned = false;  // asked for by a window, which may close meanwhile
    bool reading = false;
};

Request& request()
{
    static Request current;
    return current;
}

void present(ReadHelp read, QWidget* owner)
{
    if (!read.problem.isEmpty()) {
        ShowMessage(read.problem, QStringLiteral("Lyrovan"), MessageIcon::Warning);
        return;
    }
    HelpWindow* window = openHelpWindow();
    if (!window) {
        window = new HelpWindow(std::move(read.book), owner);
    } else {
        // A modal box blocks every window but those it owns.
        if (window->parentWidget() != owner)
            moveToOwner(window, owner);
        if (window->file().fileName() == read.book.file.fileName())
            window->showDefaultTopic();
        else
            window->setFile(std::move(read.book));
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void startReading()
{
    Request& current = request();
    current.reading = true;
    const auto done = [](const ReadHelp& read) {
        Request& latest = request();
        latest.reading = false;
        // Asked for another file meanwhile: that one is read instead.
        if (read.path != latest.path) {
            startReading();
            return;
        }
        if (latest.owned && !latest.owner)
            return; // whoever asked is gone
        present(read, latest.owner);
    };
    // Should reading throw (out of memory), the reading still ends, so that
    // the next F1 starts again.
    const auto failed = [] { request().reading = false; };
    WhenDone(RunInBackground([path = current.path, alsoLookedIn = current.alsoLookedIn] {
                 return readHelp(path, alsoLookedIn);
             }),
             QCoreApplication::instance(), done, failed);
}

} // namespace

QString OpenHelpFile(ChmFile& file, const QString& chmPath, const QStringList& alsoLookedIn)
{
    QString problem;
    if (!file.open(chmPath)) {
        problem = file.errorString();
        if (file.error() == ChmFile::Error::Missing)
            problem += AlsoLookedIn(alsoLookedIn);
    } else if (const QString topic = file.defaultTopic(); topic.isEmpty() || !file.read(topic)) {
        problem = QStringLiteral("it has no page to show"); // a damaged or empty help file
        file.close();
    } else if (file.read(topic)->size() > PageLimits::LargestPage) {
        problem = QStringLiteral("its first page is too large to show");
        file.close();
    }
    if (problem.isEmpty())
        return {};
    return QStringLiteral("Cannot open the help file \"%1\": %2.")
        .arg(QDir::toNativeSeparators(file.fileName()), problem);
}

void ShowHelp(const QString& chmPath, QWidget* parent, const QStringList& alsoLookedIn)
{
    Request& current = request();
    current.owner = parent;
    current.owned = parent != nullptr;
    current.alsoLookedIn = alsoLookedIn;
    current.path = chmPath;
    // A file being read serves this request too; one being read for
    // another path is followed by this one once it is done.
    if (!current.reading)
        startReading();
}

void HandOverHelpWindows(QWidget* from, QWidget* to)
{
    const QList<HelpWindow*> windows = from->findChildren<HelpWindow*>(Qt::FindDirectChildrenOnly);
    for (HelpWindow* window : windows)
        moveToOwner(window, to);
    Request& current = request();
    if (current.reading && current.owner == from) {
        current.owner = to;
        current.owned = to != nullptr;
    }
}

} // namespace lyrovan
