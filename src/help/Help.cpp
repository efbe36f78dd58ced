#include "Help.h"

#include "ChmFile.h"
#include "HelpWindow.h"
#include "errors/MessagePresenter.h"

#include <QApplication>
#include <QDir>
#include <QThread>

#include <chrono>
#include <future>

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

// Opens the file on a worker while the windows go on painting and the
// timers run (a strum keeps sounding); user input waits. A damaged file is
// given up by the reader itself at its deadline.
bool openKeepingWindowsAlive(ChmFile& file, const QString& chmPath)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return file.open(chmPath);
    std::future<bool> opening = std::async(std::launch::async, [&file, chmPath] { return file.open(chmPath); });
    while (opening.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    return opening.get();
}

} // namespace

QString OpenHelpFile(ChmFile& file, const QString& chmPath, const QStringList& alsoLookedIn)
{
    QString problem;
    if (!openKeepingWindowsAlive(file, chmPath)) {
        problem = file.errorString();
        if (file.error() == ChmFile::Error::Missing)
            problem += AlsoLookedIn(alsoLookedIn);
    } else if (const QString topic = file.defaultTopic(); topic.isEmpty() || !file.read(topic)) {
        problem = QStringLiteral("it has no page to show"); // a damaged or empty help file
        file.close();
    }
    if (problem.isEmpty())
        return {};
    return QStringLiteral("Cannot open the help file \"%1\": %2.")
        .arg(QDir::toNativeSeparators(file.fileName()), problem);
}

void ShowHelp(const QString& chmPath, QWidget* parent, const QStringList& alsoLookedIn)
{
    ChmFile file;
    if (const QString problem = OpenHelpFile(file, chmPath, alsoLookedIn); !problem.isEmpty()) {
        ShowMessage(problem, QStringLiteral("Lyrovan"), MessageIcon::Warning);
        return;
    }

    HelpWindow* window = openHelpWindow();
    if (!window) {
        window = new HelpWindow(std::move(file), parent);
    } else {
        // A modal box blocks every window but those it owns.
        if (window->parentWidget() != parent)
            moveToOwner(window, parent);
        if (window->file().fileName() == file.fileName())
            window->showDefaultTopic();
        else
            window->setFile(std::move(file));
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void HandOverHelpWindows(QWidget* from, QWidget* to)
{
    const QList<HelpWindow*> windows = from->findChildren<HelpWindow*>(Qt::FindDirectChildrenOnly);
    for (HelpWindow* window : windows)
        moveToOwner(window, to);
}

} // namespace lyrovan
