#include "frmAbout.h"

#include "Version.h"
#include "errors/ShellOpen.h"
#include "ui/Fonts.h"
#include "ui/Labels.h"
#include "ui/PictureButton.h"
#include "ui/Shapes.h"
#include "ui/Twips.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace lyrovan {

namespace {

const char* const OperatingSystemNote = "For use with Microsoft Windows 95 / 98 / Me operating systems only.";

// Lyrovan is licensed under GPL-3.0-or-later; both notices say so.
const char* const FreewareNotice =
    "Lyrovan is free software.  You may use, share and change it under the GNU General Public "
    "License, version 3 or later.  Register for free to hear about updates.";

const char* const LegalNotice =
    "Copyright 2026 The Lyrovan developers.  Lyrovan comes with ABSOLUTELY NO WARRANTY, to the "
    "extent permitted by law; see the GNU General Public License for details.  The sound of the "
    "built-in synthesizer comes from the General MIDI sound font installed on your system, under "
    "its own licence.";

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int top, bool bold)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(TahomaFont(8.25, bold));
    button->setGeometry(TwipRect(4440, top, 1215, 375));
    button->setAutoDefault(true);
    return button;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Lyrovan"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(Px(5730), Px(3555));
    setWindowIcon(PictureIcon({":/icon16.png", ":/icon32.png"}));
    setFont(WindowFont());

    // Built back to front, so that each control lies in front of the ones before it.
    new LineShape(this, QStringLiteral("Line1(0)"), 120, 2289, 5669, 2289, QColor(0xE0, 0xE0, 0xE0), 2);
    m_lblVersion = MakeLabel(this, QStringLiteral("lblVersion"), QStringLiteral("Version"), 4200, 360, 630, 195,
                             TahomaFont(8.25, true), Fit::Caption);
    MakeLabel(this, QStringLiteral("lbl(0)"), QString::fromLatin1(OperatingSystemNote), 1800, 840, 3375, 390,
              TahomaFont(8.25), Fit::Wraps);
    MakeLabel(this, QStringLiteral("lbl(1)"), QString::fromLatin1(FreewareNotice), 1800, 1320, 3375, 780,
              TahomaFont(8.25), Fit::Wraps);
    MakeLabel(this, QStringLiteral("Label3"), QStringLiteral("Lyrovan"), 1800, 120, 2190, 435, TahomaFont(18, true),
              Fit::Caption);
    MakeFilledRect(this, QStringLiteral("Shape1"), 120, 120, 1335, 2055, QColor(0x00, 0xFF, 0x00));
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(TwipRect(360, 240, 840, 1800));
    image->setScaledContents(true);
    image->setPixmap(QPixmap::fromImage(ReadPicture(QStringLiteral(":/icon32.png"))));
    MakeLabel(this, QStringLiteral("Label2"), QString::fromLatin1(LegalNotice), 120, 2340, 4245, 1365,
              TahomaFont(8.25), Fit::Wraps);
    new LineShape(this, QStringLiteral("Line1(1)"), 90, 2280, 5654, 2280, QColor(0x80, 0x80, 0x80), 1);
    m_cmdOK = MakeButton(this, QStringLiteral("cmdOK"), QStringLiteral("&OK"), 3120, false);
    m_cmdRegister = MakeButton(this, QStringLiteral("cmdRegister"), QStringLiteral("&Register"), 2640, true);
    m_cmdOK->raise();
    m_cmdRegister->raise();
    m_cmdOK->setDefault(true);
    setTabOrder(m_cmdRegister, m_cmdOK);
    m_cmdRegister->setFocus();

    connect(m_cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(m_cmdRegister, &QPushButton::clicked, this, [this] { cmdRegister_Click(); });
}

QString frmAbout::VersionText()
{
    return QStringLiteral("Version %1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

void frmAbout::Form_Load()
{
    SetCaption(m_lblVersion, VersionText());
}

void frmAbout::cmdOK_Click()
{
    done(QDialog::Accepted);
}

void frmAbout::cmdRegister_Click()
{
    ShellOpen(QString::fromLatin1(PublisherUrl));
}

void frmAbout::reject()
{
    cmdOK_Click();
}

} // namespace lyrovan
