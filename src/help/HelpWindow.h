#pragma once
// The help window: shows the pages of a help file in a text browser, with
// Back, Forward and Home on a small toolbar. Pages, pictures and style sheets
// all come out of the help file; links to the web open in the web browser.

#include "ChmFile.h"

#include <QMainWindow>
#include <QUrl>

class QAction;
class QTextBrowser;

namespace lyrovan {

class HelpWindow final : public QMainWindow {
    Q_OBJECT

public:
    // Takes over an opened help file. A parent only ties the window to its
    // owner; it is still a window of its own.
    explicit HelpWindow(ChmFile file, QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Switches to another opened help file and shows its default topic.
    void setFile(ChmFile file);
    const ChmFile& file() const { return m_file; }

    // Shows the page the help file names as its first page.
    void showDefaultTopic();

    // The address a path inside the help file is shown under, and back.
    static QUrl urlForPath(const QString& path);
    static bool isHelpUrl(const QUrl& url);

private:
    void followLink(const QUrl& url);
    void placeCentred();

    ChmFile m_file;
    QTextBrowser* m_browser = nullptr;
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_home = nullptr;
};

} // namespace lyrovan
