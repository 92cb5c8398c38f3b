// Fuzzes the reply parser with any byte stream. A small model of the controller's replies,
// written apart from the parser, says when each block completes and what it carries; the
// parser must agree byte by byte, survive a listener that throws, leave every other field of
// the game state alone, and decode a clean time block after any garbage and twelve zeros.

#include "link/protocol.h"
#include "link/reply_parser.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>

using devicelink::GameState;
using devicelink::ReplyListener;
using devicelink::ReplyParser;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "reply parser: %s\n", what);
        std::abort();
    }
}

using Data = std::array<std::uint8_t, 6>;

// A block whose first data byte is this makes the listener throw, as a refused settings write
// does in the window.
constexpr std::uint8_t throwMark = 0xEE;

struct Time
{
    int minutes;
    int seconds;
    int hundredths;
    bool operator==(const Time &) const = default;
};

Time timeOf(const Data &d)
{
    return { std::uint8_t(d[4] + 10 * d[5]), std::uint8_t(d[2] + 10 * d[3]), d[0] + 10 * d[1] };
}

struct Settings
{
    int siren;
    int period;
    int guest;
    int home;
    bool operator==(const Settings &) const = default;
};

Settings settingsOf(const Data &d)
{
    return { d[0], d[1], std::uint8_t(d[2] + 10 * d[3]), std::uint8_t(d[4] + 10 * d[5]) };
}

/// What the controller's replies mean: a header and six data bytes, headers only between
/// blocks; a settings block is followed by time data that may repeat its 0xDC header once.
class Model
{
public:
    enum State { Idle = 0, TimeBlock = 1, SettingsBlock = 2 };

    /// Feeds one byte; returns the block it completed, if any.
    std::optional<Data> feed(std::uint8_t b)
    {
        if (m_state == Idle) {
            if (b == devicelink::protocol::ReplyTime) {
                start(TimeBlock, false);
            } else if (b == devicelink::protocol::ReplySettings) {
                start(SettingsBlock, false);
            }
            return std::nullopt;
        }
        if (m_state == TimeBlock && m_count == 0 && m_headerMayFollow
            && b == devicelink::protocol::ReplyTime) {
            m_headerMayFollow = false;
            return std::nullopt;
        }
        m_headerMayFollow = false;
        m_data[m_count++] = b;
        if (m_count < 6) {
            return std::nullopt;
        }
        completed = m_state;
        if (m_state == SettingsBlock) {
            start(TimeBlock, true);
        } else {
            m_state = Idle;
        }
        return m_data;
    }

    State state() const { return m_state; }
    State completed = Idle;

private:
    void start(State state, bool headerMayFollow)
    {
        m_state = state;
        m_count = 0;
        m_headerMayFollow = headerMayFollow;
    }

    State m_state = Idle;
    int m_count = 0;
    bool m_headerMayFollow = false;
    Data m_data {};
};

class Listener final : public ReplyListener
{
public:
    explicit Listener(const GameState &state)
        : m_state(state)
    {
    }

    void timeBlockCompleted() override
    {
        check(m_state.StavPrijmu == 0, "time block reported while the parser is not idle");
        ++times;
        lastTime = { m_state.AktMinuty, m_state.AktSekundy, m_state.AktSetiny };
        throwIfAsked();
    }

    void settingsBlockCompleted() override
    {
        check(m_state.StavPrijmu == 1 && m_state.IndexPrijmu == 0,
              "settings block reported before the parser waits for the time");
        ++settings;
        lastSettings = { m_state.Sirena, m_state.Polocas, m_state.SkoreHoste, m_state.SkoreDomaci };
        throwIfAsked();
    }

    int times = 0;
    int settings = 0;
    Time lastTime {};
    Settings lastSettings {};
    bool throwOnCompletion = false;

private:
    void throwIfAsked()
    {
        if (throwOnCompletion) {
            throw std::runtime_error("refused");
        }
    }

    const GameState &m_state;
};

/// The fields the parser has no business touching, set to values it would not write.
GameState presetState()
{
    GameState s;
    s.Pripojeni = 1;
    s.StavSpojeni = 1;
    s.Uplynulo = 123456;
    s.UlozitNastaveni = 1;
    s.Minuty = 7;
    s.Sekundy = 8;
    s.Setiny = 9;
    s.CelkovyCas = s.presetMs();
    s.Zaklad = -5;
    s.CasStartu = 77;
    s.CasStopu = 88;
    return s;
}

void checkUntouched(const GameState &s)
{
    const GameState p = presetState();
    check(s.Pripojeni == p.Pripojeni && s.Port == p.Port && s.StavSpojeni == p.StavSpojeni
              && s.Uplynulo == p.Uplynulo && s.UlozitNastaveni == p.UlozitNastaveni
              && s.Minuty == p.Minuty && s.Sekundy == p.Sekundy && s.Setiny == p.Setiny
              && s.CelkovyCas == p.CelkovyCas && s.Zaklad == p.Zaklad && s.CasStartu == p.CasStartu
              && s.CasStopu == p.CasStopu,
          "a field outside the parser's reach changed");
}

/// What the parser writes besides its own state.
struct Fields
{
    int minutes, seconds, hundredths, siren, period, guest, home;
    bool operator==(const Fields &) const = default;
};

Fields fieldsOf(const GameState &s)
{
    return { s.AktMinuty, s.AktSekundy, s.AktSetiny,  s.Sirena,
             s.Polocas,   s.SkoreHoste, s.SkoreDomaci };
}

struct Harness
{
    GameState state = presetState();
    Listener listener { state };
    ReplyParser parser { state, listener };
    Model model;

    void feed(std::uint8_t b)
    {
        const int times = listener.times;
        const int settings = listener.settings;
        const Model::State before = model.state();
        const Fields fieldsBefore = fieldsOf(state);
        const std::optional<Data> block = model.feed(b);
        listener.throwOnCompletion = block && (*block)[0] == throwMark;
        bool threw = false;
        try {
            parser.consume(b);
        } catch (const std::runtime_error &) {
            threw = true;
        }
        check(state.PosledniBajt == b, "PosledniBajt is not the last byte");
        check(threw == (block && (*block)[0] == throwMark), "listener error lost or invented");
        check(state.StavPrijmu == model.state(), "parser state differs from the replies' meaning");
        if (model.state() != Model::Idle) {
            check(state.IndexPrijmu <= 5, "index ran past a block");
        }
        if (before == Model::Idle && model.state() == Model::Idle) {
            check(fieldsOf(state) == fieldsBefore, "a byte between blocks changed the game");
        }
        const bool timeDone = block && model.completed == Model::TimeBlock;
        const bool settingsDone = block && model.completed == Model::SettingsBlock;
        check(listener.times == times + (timeDone ? 1 : 0), "time block count differs");
        check(listener.settings == settings + (settingsDone ? 1 : 0),
              "settings block count differs");
        if (timeDone) {
            check(listener.lastTime == timeOf(*block), "time block decoded wrongly");
        }
        if (settingsDone) {
            check(listener.lastSettings == settingsOf(*block), "settings block decoded wrongly");
        }
        checkUntouched(state);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Harness h;
    for (std::size_t i = 0; i < size; ++i) {
        h.feed(data[i]);
    }

    // Twelve data bytes finish whatever the garbage began, even a settings block followed by
    // its time block; then a clean time block must come through exactly.
    for (int i = 0; i < 12; ++i) {
        h.feed(0);
    }
    check(h.state.StavPrijmu == 0, "not idle twelve bytes after the garbage");
    Data digits {};
    for (std::size_t i = 0; i < digits.size(); ++i) {
        digits[i] = i < size ? data[i] % 10 : std::uint8_t(i);
    }
    const int times = h.listener.times;
    h.feed(devicelink::protocol::ReplyTime);
    for (std::uint8_t d : digits) {
        h.feed(d);
    }
    check(h.listener.times == times + 1, "clean time block not reported");
    check(h.listener.lastTime
              == Time { digits[4] + 10 * digits[5], digits[2] + 10 * digits[3],
                        digits[0] + 10 * digits[1] },
          "clean time block decoded wrongly");
    check(h.state.StavPrijmu == 0, "parser not idle after a clean time block");
    h.feed(devicelink::protocol::ReplySettings);
    check(h.state.StavPrijmu == 2, "header after a clean time block not recognised");
    return 0;
}
