#pragma once
// Helpers shared by the tests: finding controls by their names and
// recording message boxes instead of showing them.

#include "errors/MessagePresenter.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTest>

namespace lyrovan::test {

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
};

// Records every message box instead of showing it; installs itself for its lifetime.
class RecordingPresenter final : public MessagePresenter {
public:
    RecordingPresenter();
    ~RecordingPresenter() override;
    RecordingPresenter(const RecordingPresenter&) = delete;
    RecordingPresenter& operator=(const RecordingPresenter&) = delete;

    void show(const QString& text, const QString& title, MessageIcon icon) override;

    QList<ShownMessage> messages;
};

// The object called name (e.g. "lbl6(21)") below root; fails the test if absent.
template <typename T>
T* named(QObject* root, const QString& name)
{
    T* found = root->findChild<T*>(name);
    if (!found)
        QTest::qFail(qPrintable(QStringLiteral("no object named ") + name), __FILE__, __LINE__);
    return found;
}

// Name of element index of a control array: "lblPanel(1)".
inline QString element(const QString& array, int index)
{
    return array + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

} // namespace lyrovan::test
