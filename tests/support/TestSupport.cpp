#include "TestSupport.h"

namespace lyrovan::test {

RecordingPresenter::RecordingPresenter()
{
    setMessagePresenter(this);
}

RecordingPresenter::~RecordingPresenter()
{
    setMessagePresenter(nullptr);
}

void RecordingPresenter::show(const QString& text, const QString& title, MessageIcon icon)
{
    messages.append({text, title, icon});
}

} // namespace lyrovan::test
