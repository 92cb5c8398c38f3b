#include "link/reply_parser.h"

#include "link/protocol.h"

namespace {
constexpr qint32 Idle = 0;
constexpr qint32 TimeBlock = 1;
constexpr qint32 SettingsBlock = 2;
} // namespace

namespace devicelink {

ReplyParser::ReplyParser(GameState &state, ReplyListener &listener)
    : m_state(state)
    , m_listener(listener)
{
}

void ReplyParser::reset()
{
    m_state.StavPrijmu = Idle;
    m_state.IndexPrijmu = 0;
    m_headerMayFollow = false;
}

void ReplyParser::consume(quint8 b)
{
    m_state.PosledniBajt = b;
    switch (m_state.StavPrijmu) {
    case Idle:
        if (b == devicelink::protocol::ReplyTime) {
            m_state.StavPrijmu = TimeBlock;
            m_state.IndexPrijmu = 0;
            m_headerMayFollow = false;
        } else if (b == devicelink::protocol::ReplySettings) {
            m_state.StavPrijmu = SettingsBlock;
            m_state.IndexPrijmu = 0;
            m_headerMayFollow = false;
        }
        break;
    case TimeBlock:
        timeByte(b);
        break;
    case SettingsBlock:
        settingsByte(b);
        break;
    default:
        // Only the scan and this parser write the state; anything else is read as idle.
        m_state.StavPrijmu = Idle;
        break;
    }
}

void ReplyParser::timeByte(quint8 b)
{
    if (m_state.IndexPrijmu == 0 && m_headerMayFollow && b == devicelink::protocol::ReplyTime) {
        m_headerMayFollow = false;
        return;
    }
    m_headerMayFollow = false;
    switch (m_state.IndexPrijmu) {
    case 0:
        m_state.AktSetiny = b;
        break;
    case 1:
        m_state.AktSetiny = m_state.AktSetiny + 10 * b;
        break;
    case 2:
        m_state.AktSekundy = b;
        break;
    case 3:
        m_state.AktSekundy = static_cast<quint8>(m_state.AktSekundy + 10 * b);
        break;
    case 4:
        m_state.AktMinuty = b;
        break;
    default:
        m_state.AktMinuty = static_cast<quint8>(m_state.AktMinuty + 10 * b);
        m_state.StavPrijmu = Idle;
        ++m_state.IndexPrijmu;
        m_listener.timeBlockCompleted();
        return;
    }
    ++m_state.IndexPrijmu;
}

void ReplyParser::settingsByte(quint8 b)
{
    switch (m_state.IndexPrijmu) {
    case 0:
        m_state.Sirena = b;
        break;
    case 1:
        m_state.Polocas = b;
        break;
    case 2:
        m_state.SkoreHoste = b;
        break;
    case 3:
        m_state.SkoreHoste = static_cast<quint8>(m_state.SkoreHoste + 10 * b);
        break;
    case 4:
        m_state.SkoreDomaci = b;
        break;
    default:
        m_state.SkoreDomaci = static_cast<quint8>(m_state.SkoreDomaci + 10 * b);
        // The controller follows the settings with the time.
        m_state.StavPrijmu = TimeBlock;
        m_state.IndexPrijmu = 0;
        m_headerMayFollow = true;
        m_listener.settingsBlockCompleted();
        return;
    }
    ++m_state.IndexPrijmu;
}

} // namespace devicelink
