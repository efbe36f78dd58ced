#pragma once
// Every message box of the program goes through one presenter: a modal box
// with a text, a title, an icon and one OK button, and optionally a detailed
// text that the box shows on request. Tests install a recorder so that no
// test ever waits on a modal box.

#include <QString>
#include <QStringList>

namespace lyrovan {

enum class MessageIcon { None, Warning, Critical, Information };

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void show(const QString& text, const QString& title, MessageIcon icon) = 0;
    // The same box with a detailed text; a presenter that has no place for
    // it shows the plain box.
    virtual void showDetailed(const QString& text, const QString& title, MessageIcon icon, const QString& details)
    {
        (void)details;
        show(text, title, icon);
    }
};

// The presenter in use; a QMessageBox presenter unless one was installed.
MessagePresenter& messagePresenter();
// Installs a presenter (not owned); nullptr restores the QMessageBox one.
void setMessagePresenter(MessagePresenter* presenter);

// Shows one box through the presenter in use; details, when not empty, is
// the box's detailed text.
void ShowMessage(const QString& text, const QString& title, MessageIcon icon, const QString& details = QString());

// The end of a message about a missing file that was looked for in several
// folders: "; also looked in /a, /b" for the folders besides the one named;
// empty for none.
QString AlsoLookedIn(const QStringList& folders);

} // namespace lyrovan
