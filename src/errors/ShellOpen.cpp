#include "ShellOpen.h"

#include "MessagePresenter.h"
#include "ReportError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <utility>

namespace lyrovan {

namespace {

QStringList& OwnVariables()
{
    static QStringList variables;
    return variables;
}

constexpr int Success = 42;
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;
constexpr int AccessDenied = 5;
constexpr int AssociationInvalid = 27;
constexpr int NoAssociation = 31;

// How long xdg-open has to report a failure. On a desktop it hands the
// target over and returns at once; without one it may run the browser
// itself and not return, which counts as success.
constexpr int OpenerWaitMs = 500;

class XdgOpener final : public DesktopOpener {
public:
    void open(const QString& target, std::function<void(int)> done) override
    {
        const int local = checkLocalFile(target);
        if (local != Success)
            return done(local);
        const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (program.isEmpty())
            return done(NoAssociation);
        // Not owned by anything: an opener still running when we stop
        // listening must outlive even the program (a QProcess kills its
        // process when destroyed); it deletes itself once it is done.
        auto* process = new QProcess;
        // done is called once: with what xdg-open answered within the wait,
        // else with success.
        auto answer = std::make_shared<std::function<void(int)>>(std::move(done));
        const auto reply = [answer](int code) {
            if (*answer)
                std::exchange(*answer, {})(code);
        };
        QObject::connect(process, &QProcess::finished, process, [process, reply](int exitCode, QProcess::ExitStatus status) {
            process->deleteLater();
            if (status != QProcess::NormalExit)
                return reply(0);
            switch (exitCode) {
            case 0: return reply(Success);
            case 1: return reply(AssociationInvalid);
            case 2: return reply(FileNotFound);
            default: return reply(NoAssociation);
            }
        });
        QObject::connect(process, &QProcess::errorOccurred, process, [process, reply](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                process->deleteLater();
                reply(NoAssociation);
            }
        });
        QTimer::singleShot(OpenerWaitMs, process, [reply] { reply(Success); });
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        if (!OwnVariables().isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const QString& variable : std::as_const(OwnVariables()))
                environment.remove(variable);
            process->setProcessEnvironment(environment);
        }
        process->start(program, {target});
    }

private:
    // Local paths (plain or file: URLs) are checked before anything starts.
    static int checkLocalFile(const QString& target)
    {
        QString path;
        const QUrl url(target);
        if (url.isLocalFile())
            path = url.toLocalFile();
        else if (url.scheme().size() > 1) // a web address or another scheme
            return Success;
        else
            path = target;
        const QFileInfo info(path);
        if (!info.exists())
            return info.absoluteDir().exists() ? FileNotFound : PathNotFound;
        if (!info.isReadable())
            return AccessDenied;
        return Success;
    }
};

XdgOpener g_xdgOpener;
DesktopOpener* g_installed = nullptr;

} // namespace

DesktopOpener& desktopOpener()
{
    return g_installed ? *g_installed : g_xdgOpener;
}

void setDesktopOpener(DesktopOpener* opener)
{
    g_installed = opener;
}

QString ShellOpenMessage(int code)
{
    switch (code) {
    case 2: return QStringLiteral("The specified file was not found.");
    case 3: return QStringLiteral("The specified path was not found.");
    case 5: return QStringLiteral("The operating system denied access to the specified file.");
    case 8: return QStringLiteral("There was not enough memory to complete the operation.");
    case 11: return QStringLiteral("The .exe file is invalid (non-Win32\u00AE .exe or error in .exe image).");
    case 26: return QStringLiteral("A sharing violation occurred.");
    case 27: return QStringLiteral("The file name association is incomplete or invalid.");
    case 28: return QStringLiteral("The DDE transaction could not be completed because the request timed out.");
    case 29: return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral(
            "The DDE transaction could not be completed because other DDE transactions were being processed.");
    case 31: return QStringLiteral("There is no application associated with the given file name extension.");
    case 32: return QStringLiteral("The specified dynamic-link library was not found.");
    default: return {};
    }
}

void ShellOpen(const QString& Target)
{
    desktopOpener().open(Target, [](int result) {
        if (result <= 32)
            ShowMessage(ShellOpenMessage(result), QString::fromLatin1(ProductName), MessageIcon::Warning);
    });
}

void KeepFromChildren(const QString& variable)
{
    if (!OwnVariables().contains(variable))
        OwnVariables() << variable;
}

} // namespace lyrovan
