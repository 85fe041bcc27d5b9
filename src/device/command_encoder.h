#pragma once
// Turns the pending mailbox commands into the bytes the device understands.
// Each byte carries the pause that must follow it, so the link thread only
// writes and sleeps.

#include <cstdint>
#include <vector>

namespace corvala {

struct CommandMailboxes;

// The chambers whose light is on and that run, as masks (I 1, II 2, III 4).
struct ChamberMasks {
  int32_t lit = 0;
  int32_t running = 0;
};

struct CommandByte {
  uint8_t byte = 0;
  int pauseMs = 0;
  bool operator==(const CommandByte&) const = default;
};
using CommandBytes = std::vector<CommandByte>;

// Pause after an ordinary command byte and after a byte of the calibration value block.
inline constexpr int kCommandPauseMs = 100;
inline constexpr int kCalibrationBlockPauseMs = 50;

// Command bytes with a fixed meaning.
inline constexpr uint8_t kPairFollows = 78;          // "N"
inline constexpr uint8_t kCalibrationFollows = 100;  // "d"
inline constexpr uint8_t kStepDown = 96;
inline constexpr uint8_t kStepUp = 97;
inline constexpr uint8_t kSignalOff = 98;
inline constexpr uint8_t kSignalOn = 99;
inline constexpr uint8_t kTemperatureOffset = 10;

// The highest set point whose byte (t + 10) stays below the calibration bytes;
// a larger value would reach the device as a different command.
inline constexpr int32_t kMaxSetPoint = 48;
// The block encodings carry a count byte (count + 20) that must fit in a byte,
// so the values they can carry are bounded: 235 chunks of 100 or of 180.
inline constexpr int32_t kMaxCalibrationValue = 235 * 100 - 1;
inline constexpr int32_t kMaxPairValue = 235 * 180;

// "d", count + 20, then each chunk of up to 100 + 20. Empty when the value is
// negative or above kMaxCalibrationValue: such a value cannot be encoded and
// is not sent at all rather than sent wrong.
CommandBytes EncodeCalibrationValue(int32_t value);

// "N", then for each value: count + 20 and each chunk of up to 180 + 20.
// Empty when either value lies outside 0..kMaxPairValue.
CommandBytes EncodePair(int32_t first, int32_t second);

// The bytes sent right after the port opens: the set point taken from its
// mailbox plus 10 (9 when none is pending), all lights off (77), no chamber
// running (87). When chambers are running or lit (a reconnection or a port
// change during a run), their light and run masks follow so the run goes on.
CommandBytes TakeGreeting(CommandMailboxes& commands, const ChamberMasks& masks);

// Takes every pending mailbox (get-and-reset) and returns the bytes in the
// fixed order: service, signal, step, temperature, calibration, light, run,
// calibration value block, factor pair block.
CommandBytes TakeCommandCycle(CommandMailboxes& commands);

}  // namespace corvala
