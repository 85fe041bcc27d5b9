#include "station/rate_entries.h"

#include <cmath>
#include <optional>

#include "files/rate_settings_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

std::string Refusal(const std::string& field, const std::string& text, const std::string& range) {
  return Format("%s \"%s\" is not taken: enter %s.", field.c_str(), text.c_str(), range.c_str());
}

std::string ChamberField(const char* what, size_t chamber) {
  return Format("%s of chamber %s", what, kBlankChoices[chamber + 1]);
}

bool Blank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

// A volume or amount field: empty is none; false for text that is not a
// number the setting allows.
bool TakeFigure(const std::string& text, bool (*allowed)(double), std::optional<double>& figure) {
  if (Blank(text)) {
    figure.reset();
    return true;
  }
  const std::optional<double> value = ParseNumber(text);
  if (!value || !allowed(*value)) return false;
  figure = *value;
  return true;
}

}  // namespace

RateEntries RateEntriesOf(const RateSettings& settings) {
  RateEntries entries;
  entries.blankIndex = settings.blankChamber ? *settings.blankChamber + 1 : 0;
  for (size_t c = 0; c < entries.chambers.size(); ++c) {
    const ChamberOxygen& chamber = settings.chambers[c];
    entries.chambers[c].volume =
        chamber.oxygen.volumeMl ? RateNumberText(*chamber.oxygen.volumeMl) : std::string();
    entries.chambers[c].amount =
        chamber.oxygen.amount ? RateNumberText(*chamber.oxygen.amount) : std::string();
    entries.chambers[c].amountUnit = chamber.amountUnit;
  }
  entries.window = settings.window > 0 ? Format("%d", settings.window) : std::string();
  return entries;
}

RateConfirmOutcome ConfirmRateEntries(const RateEntries& entries, RateSettings& settings,
                                      const std::string& file, Prompts& prompts) {
  RateConfirmOutcome outcome;
  RateSettings taken = settings;
  auto refuse = [&](const std::string& field, const std::string& text, const std::string& range) {
    outcome.refused = true;
    prompts.ShowNotice(Refusal(field, text, range));
  };

  // A combo box without a selection keeps the blank in force.
  if (entries.blankIndex == 0) taken.blankChamber.reset();
  if (entries.blankIndex >= 1 && entries.blankIndex <= 3)
    taken.blankChamber = entries.blankIndex - 1;

  const std::string volumeRange = Format(
      "a number of ml with a decimal point, above 0 and up to %s (the gas volume for mbar runs, "
      "the water volume "
      "for mg/l runs), or nothing",
      RateNumberText(kMaxVolumeMl).c_str());
  const std::string amountRange =
      Format("a number with a decimal point, above 0 and up to %s, or nothing",
             RateNumberText(kMaxAmount).c_str());
  for (size_t c = 0; c < entries.chambers.size(); ++c) {
    const ChamberRateEntries& typed = entries.chambers[c];
    OxygenSettings& oxygen = taken.chambers[c].oxygen;
    std::optional<double> volume = oxygen.volumeMl;
    if (TakeFigure(typed.volume, VolumeAllowed, volume))
      oxygen.volumeMl = volume;
    else
      refuse(ChamberField("Volume (ml)", c), typed.volume, volumeRange);
    std::optional<double> amount = oxygen.amount;
    if (TakeFigure(typed.amount, AmountAllowed, amount))
      oxygen.amount = amount;
    else
      refuse(ChamberField("Amount", c), typed.amount, amountRange);
    if (AmountUnitAllowed(typed.amountUnit))
      taken.chambers[c].amountUnit = typed.amountUnit;
    else
      refuse(
          ChamberField("Amount unit", c), typed.amountUnit,
          Format("a text of at most %zu bytes without tabs or line breaks", kMaxAmountUnitBytes));
  }

  if (Blank(entries.window)) {
    taken.window = 0;
  } else {
    // 0 is the default as well, as in the file.
    const std::optional<double> window = ParseNumber(entries.window);
    if (window && std::trunc(*window) == *window && std::fabs(*window) <= kMaxRateWindow &&
        RateWindowAllowed(static_cast<int64_t>(*window)))
      taken.window = static_cast<int32_t>(*window);
    else
      refuse("Window W", entries.window,
             Format("a whole number of samples from %d to %d, or nothing for a tenth of the "
                    "light segment",
                    kMinRateWindow, kMaxRateWindow));
  }

  if (taken == settings) return outcome;
  settings = taken;
  outcome.changed = true;
  const Result written = WriteRateSettings(file, settings);
  if (!written) prompts.ShowNotice(written.Message());
  return outcome;
}

}  // namespace corvala
