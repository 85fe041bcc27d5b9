#include "files/rate_settings_file.h"

#include <cmath>
#include <filesystem>
#include <optional>

#include "util/c_format.h"
#include "util/file_io.h"
#include "util/key_value_text.h"

namespace corvala {
namespace {

// Calls take(key, value) for each "key=value" line.
template <typename Take>
void EachSetting(std::string_view text, Take take) {
  ForEachLine(text, [&](std::string_view line) {
    const size_t equals = line.find('=');
    if (equals != std::string_view::npos) take(line.substr(0, equals), line.substr(equals + 1));
  });
}

// The chamber (0..2) of a key "<prefix>1" .. "<prefix>3", or -1.
int ChamberOfKey(std::string_view key, std::string_view prefix) {
  if (key.size() != prefix.size() + 1 || key.substr(0, prefix.size()) != prefix) return -1;
  const int number = key.back() - '0';
  return number >= 1 && number <= 3 ? number - 1 : -1;
}

// A whole number written as one, or nothing.
std::optional<int64_t> WholeNumber(std::string_view text) {
  const std::optional<double> value = ParseNumber(text);
  if (!value || !(std::fabs(*value) <= 1.0e15) || std::trunc(*value) != *value) return std::nullopt;
  return static_cast<int64_t>(*value);
}

std::string OptionalNumberText(const std::optional<double>& value, bool (*allowed)(double)) {
  return value && allowed(*value) ? RateNumberText(*value) : std::string();
}

}  // namespace

std::string RateNumberText(double value) {
  const std::string shorter = Format("%.15g", value);
  if (ParseNumber(shorter) == value) return shorter;
  return Format("%.17g", value);
}

bool VolumeAllowed(double volumeMl) {
  return volumeMl > 0.0 && volumeMl <= kMaxVolumeMl;
}

bool AmountAllowed(double amount) {
  return amount > 0.0 && amount <= kMaxAmount;
}

bool AmountUnitAllowed(std::string_view unit) {
  if (unit.size() > kMaxAmountUnitBytes) return false;
  for (char c : unit) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

bool RateWindowAllowed(int64_t window) {
  return window == 0 || (window >= kMinRateWindow && window <= kMaxRateWindow);
}

RateSettings ParseRateSettings(std::string_view text) {
  RateSettings settings;
  EachSetting(text, [&](std::string_view key, std::string_view value) {
    if (key == "Blank") {
      const std::optional<int64_t> blank = WholeNumber(value);
      if (blank && *blank == 0) settings.blankChamber.reset();
      if (blank && *blank >= 1 && *blank <= 3)
        settings.blankChamber = static_cast<int32_t>(*blank - 1);
      return;
    }
    if (key == "Window") {
      const std::optional<int64_t> window = WholeNumber(value);
      if (window && RateWindowAllowed(*window)) settings.window = static_cast<int32_t>(*window);
      return;
    }
    if (const int c = ChamberOfKey(key, "AmountUnit"); c >= 0) {
      if (AmountUnitAllowed(value)) settings.chambers[static_cast<size_t>(c)].amountUnit = value;
      return;
    }
    const int volumeOf = ChamberOfKey(key, "Volume");
    const int amountOf = ChamberOfKey(key, "Amount");
    const bool volume = volumeOf >= 0;
    if (!volume && amountOf < 0) return;
    OxygenSettings& oxygen =
        settings.chambers[static_cast<size_t>(volume ? volumeOf : amountOf)].oxygen;
    std::optional<double>& figure = volume ? oxygen.volumeMl : oxygen.amount;
    // An empty value is none; a value out of range leaves what was there.
    if (value.empty()) {
      figure.reset();
      return;
    }
    const std::optional<double> number = ParseNumber(value);
    if (number && (volume ? VolumeAllowed(*number) : AmountAllowed(*number))) figure = *number;
  });
  return settings;
}

std::string FormatRateSettings(const RateSettings& settings) {
  const bool blankAllowed =
      settings.blankChamber && *settings.blankChamber >= 0 && *settings.blankChamber <= 2;
  std::string out = Format("Blank=%d\r\n", blankAllowed ? *settings.blankChamber + 1 : 0);
  for (size_t c = 0; c < settings.chambers.size(); ++c) {
    const ChamberOxygen& chamber = settings.chambers[c];
    const int number = static_cast<int>(c) + 1;
    out += Format("Volume%d=", number) +
           OptionalNumberText(chamber.oxygen.volumeMl, VolumeAllowed) + "\r\n";
    out += Format("Amount%d=", number) + OptionalNumberText(chamber.oxygen.amount, AmountAllowed) +
           "\r\n";
    out += Format("AmountUnit%d=", number) +
           (AmountUnitAllowed(chamber.amountUnit) ? chamber.amountUnit : std::string()) + "\r\n";
  }
  out += Format("Window=%d\r\n", RateWindowAllowed(settings.window) ? settings.window : 0);
  return out;
}

Expected<RateSettings> ReadRateSettings(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return RateSettings{};
  const Expected<std::string> text = ReadWholeFile(path);
  if (!text) return text.Status();
  return ParseRateSettings(*text);
}

Result WriteRateSettings(const std::string& path, const RateSettings& settings) {
  return WriteFileAtomically(path, FormatRateSettings(settings));
}

}  // namespace corvala
