#pragma once
// The About box: product name, version, notices, and a button that opens
// the publisher's page. Built afresh each time it is opened, shown modally.

#include <QDialog>

class QLabel;
class QPushButton;

namespace lyrovan {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Runs when the box is created: writes the version text.
    void Form_Load();
    void cmdOK_Click();
    void cmdRegister_Click();

    // "Version 1.0.1", from the project's version number.
    static QString VersionText();

protected:
    void reject() override; // Escape and the close button act like OK

private:
    QLabel* m_lblVersion = nullptr;
    QPushButton* m_cmdRegister = nullptr;
    QPushButton* m_cmdOK = nullptr;
};

} // namespace lyrovan
