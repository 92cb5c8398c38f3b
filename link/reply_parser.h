#pragma once

#include "link/game_state.h"

namespace devicelink {

/// What the window does when a reply block is complete; the parser itself only moves bytes
/// into the game state.
class ReplyListener
{
public:
    virtual ~ReplyListener() = default;
    /// AktMinuty, AktSekundy and AktSetiny hold the received time.
    virtual void timeBlockCompleted() = 0;
    /// Sirena, Polocas, SkoreHoste and SkoreDomaci hold the received settings.
    virtual void settingsBlockCompleted() = 0;
};

/// Turns the controller's replies into game state, one byte at a time. Replies are a header
/// (0xDC time, 0xFC settings) and six data bytes; headers count only between blocks. The
/// controller sends a time block right behind a settings block, with or without its header,
/// so after a settings block the parser waits for time data and takes a 0xDC in the first
/// place as that header. Whatever arrives, it is idle again twelve data bytes after a header.
class ReplyParser
{
public:
    ReplyParser(GameState &state, ReplyListener &listener);

    void consume(quint8 b);
    /// Back to idle, so that the next byte is read as a header.
    void reset();

private:
    void timeByte(quint8 b);
    void settingsByte(quint8 b);

    GameState &m_state;
    ReplyListener &m_listener;
    bool m_headerMayFollow = false;
};

} // namespace devicelink
