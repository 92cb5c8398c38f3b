#include "platform/testing/fakes.h"

using namespace platform;

namespace testing {

FakeTicks::FakeTicks(quint32 start)
    : m_now(start)
{
    setTickSource(this);
}

FakeTicks::~FakeTicks()
{
    setTickSource(nullptr);
}

quint32 FakeTicks::tickCount()
{
    const quint32 now = m_now;
    m_now += m_autoAdvance;
    return now;
}

void FakeTicks::sleep(quint32 ms)
{
    m_now += ms;
    m_slept += ms;
}

BeepCounter::BeepCounter()
{
    setBeeper(this);
}

BeepCounter::~BeepCounter()
{
    setBeeper(nullptr);
}

RecordingDialogs::RecordingDialogs()
{
    setDialogs(this);
}

RecordingDialogs::~RecordingDialogs()
{
    setDialogs(nullptr);
}

MsgResult RecordingDialogs::messageBox(const QString &text, const QString &caption, MsgIcon icon,
                                       MsgButtons buttons)
{
    shown.append({ text, caption, icon, buttons, false });
    if (whileOpen) {
        whileOpen(shown.constLast());
    }
    return answers.isEmpty() ? lastButton(buttons) : answers.takeFirst();
}

void RecordingDialogs::showMessage(const QString &text)
{
    shown.append({ text, applicationTitle(), MsgIcon::None, MsgButtons::Ok, true });
    if (whileOpen) {
        whileOpen(shown.constLast());
    }
}

QStringList RecordingDialogs::texts() const
{
    QStringList result;
    for (const Shown &s : shown) {
        result.append(s.text);
    }
    return result;
}

} // namespace testing
