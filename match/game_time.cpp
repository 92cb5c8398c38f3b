#include "match/game_time.h"

#include "match/events.h"

namespace match {

void GameTime::presetSet(qint64 presetMs, bool periodStarted)
{
    m_preset = presetMs;
    if (periodStarted) {
        m_offset = m_reference - presetMs;
    } else {
        m_reference = presetMs;
        m_offset = 0;
    }
}

void GameTime::started()
{
    if (!m_started) {
        m_started = true;
        m_reference = m_preset;
        m_offset = 0;
    }
}

void GameTime::periodEnded(qint64 elapsedAtEnd)
{
    m_base += m_offset + elapsedAtEnd;
    m_offset = 0;
    m_started = false;
}

void GameTime::reset()
{
    const qint64 preset = m_preset;
    *this = GameTime();
    m_preset = m_reference = preset;
}

void GameTime::apply(const Event &event)
{
    if (event.kind == events::clockStart) {
        started();
    } else if (event.kind == events::periodEnd) {
        periodEnded(event.elapsedMs);
    } else if (event.kind == events::timeSet || event.kind == events::setAll
               || event.kind == events::programStart) {
        if (const auto preset = events::parsePresetMs(event.value)) {
            presetSet(*preset, m_started);
        }
    }
}

} // namespace match
