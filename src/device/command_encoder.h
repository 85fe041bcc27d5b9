#pragma once
// Turns the pending mailbox commands into the bytes the device understands.
// Each byte carries the pause that must follow it, so the link thread only
// writes and sleeps.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvala {

struct CommandMailboxes;

// Which command a byte belongs to, so that a command cut short by a lost link
// can be put back for the next connection (PutBack).
enum class CommandKind : uint8_t {
  kOther,  // restored from the decided state by the next greeting
  kService,
  kSignal,
  kStep,
  kCalibration,
  kCalibrationValue,
  kPair,
};

struct CommandByte {
  uint8_t byte = 0;
  int pauseMs = 0;
  // The last byte of a factor pair block: once it and its pause have gone, the
  // device has the new pair.
  bool endsPair = false;
  CommandKind kind = CommandKind::kOther;
  int32_t taken = 0;  // the mailbox value the command was made of
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

// The light command for the chambers of mask whose light is on: 69 + mask, 77 for none.
int32_t LightCommandOf(int32_t mask);
// The run command for the chambers of mask that run: 79 + mask, 87 for none.
int32_t RunCommandOf(int32_t mask);

// Decisions for the device. Each is kept in the commanded state and its command
// replaces whatever waits in the mailbox, so the byte sent always carries the
// whole state as last decided. Callers that change chamber flags along with
// them hold the station's command lock.
void CommandLights(CommandMailboxes& commands, int32_t mask);
void CommandRuns(CommandMailboxes& commands, int32_t mask);
// A set point outside 0..kMaxSetPoint cannot be sent and changes nothing.
void CommandSetPoint(CommandMailboxes& commands, int32_t setPoint);
// Asks for a calibration of the chambers of mask (1..7), united with the
// chambers of a request that still waits.
void RequestCalibration(CommandMailboxes& commands, int32_t mask);

// The bytes sent right after the port opens: the set point in force plus 10
// (9 when none has been decided), all lights off (77), no chamber running (87),
// then the factor pair in force (a device that was switched off comes back in
// mbar with no pair). After a reconnection or a port change during a run, the
// lights of the running chambers and the running chambers follow as last
// commanded, so the run goes on. The light and run mailboxes are taken with
// it: what waits there is already part of the decided state and is not sent
// a second time.
CommandBytes TakeGreeting(CommandMailboxes& commands);

// Takes every pending mailbox (get-and-reset) and returns the bytes in the
// fixed order: service, signal, step, temperature, calibration, light, run,
// calibration value block, factor pair block. A pair that cannot be encoded
// counts as delivered at once.
CommandBytes TakeCommandCycle(CommandMailboxes& commands);

// The link was lost after `sent` of the bytes had gone out whole: every
// command of them not sent whole waits again for the next connection (unless
// a newer one of its kind waits already), so a calibration value block, a
// service, signal or step command or a calibration request is never lost
// half way. Set point, lights and runs come back with the greeting, the pair
// through its own mailbox.
void PutBack(CommandMailboxes& commands, const CommandBytes& bytes, size_t sent);

}  // namespace corvala
