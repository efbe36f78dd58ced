#include "MessagePresenter.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

namespace lyrovan {

namespace {

class BoxPresenter final : public MessagePresenter {
public:
    void show(const QString& text, const QString& title, MessageIcon icon) override
    {
        showDetailed(text, title, icon, QString());
    }

    void showDetailed(const QString& text, const QString& title, MessageIcon icon, const QString& details) override
    {
        QMessageBox box(toBoxIcon(icon), title, text, QMessageBox::Ok);
        if (!details.isEmpty())
            box.setDetailedText(details);
        box.exec();
    }

private:
    static QMessageBox::Icon toBoxIcon(MessageIcon icon)
    {
        switch (icon) {
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Critical: return QMessageBox::Critical;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::None: break;
        }
        return QMessageBox::NoIcon;
    }
};

BoxPresenter g_boxPresenter;
MessagePresenter* g_installed = nullptr;

} // namespace

MessagePresenter& messagePresenter()
{
    return g_installed ? *g_installed : g_boxPresenter;
}

void setMessagePresenter(MessagePresenter* presenter)
{
    g_installed = presenter;
}

void ShowMessage(const QString& text, const QString& title, MessageIcon icon, const QString& details)
{
    if (details.isEmpty())
        messagePresenter().show(text, title, icon);
    else
        messagePresenter().showDetailed(text, title, icon, details);
}

QString AlsoLookedIn(const QStringList& folders)
{
    QStringList shown;
    for (const QString& folder : folders)
        shown << QDir::toNativeSeparators(folder);
    return shown.isEmpty() ? QString() : QStringLiteral("; also looked in ") + shown.join(QStringLiteral(", "));
}

} // namespace lyrovan
