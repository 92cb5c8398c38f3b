#pragma once

#include <cstdint>
#include <vector>

// The scoreboard controller's byte protocol. A command is a code byte and its payload; a
// two-digit quantity travels as two digit values (not characters), units first.
namespace devicelink::protocol {

enum Command : std::uint8_t {
    Probe = 0xCC,     ///< answered by the controller with ReplyTime alone
    StartStop = 0xA5, ///< toggles the controller's clock
    ReadBack = 0xD3,  ///< answered with a settings block and a headerless time block
    SetTime = 0xEA,   ///< hundredths, seconds, minutes, each units then tens
    SetScore = 0xCA,  ///< guest units, guest tens, home units, home tens
    SetPeriod = 0xD5, ///< the period number itself
    SetSiren = 0xDA,  ///< the siren length in seconds
};

enum Reply : std::uint8_t {
    ReplyTime = 0xDC,     ///< hundredths, seconds, minutes, each units then tens
    ReplySettings = 0xFC, ///< siren, period, guest units, guest tens, home units, home tens
};

using Message = std::vector<std::uint8_t>;

/// Set time: the preset time as six digits, hundredths first, each units then tens.
Message setTime(std::uint8_t minutes, std::uint8_t seconds, std::uint8_t hundredths);
/// Set score: the guest goes before the home side.
Message setScore(std::uint8_t home, std::uint8_t guest);
Message setPeriod(std::uint8_t period);
Message setSiren(std::uint8_t siren);

} // namespace devicelink::protocol
