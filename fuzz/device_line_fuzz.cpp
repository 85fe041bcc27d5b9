// The device's bytes through the line reader and the frame parser, as the
// serial link feeds them.

#include <cmath>

#include "device/device_state.h"
#include "device/frame_parser.h"
#include "device/line_reader.h"
#include "fuzz_check.h"
#include "util/units.h"

namespace corvala::fuzz {

void FuzzDeviceLine(const uint8_t* data, size_t size) {
  constexpr const char* kTarget = "device_line";
  DeviceLink link;
  SharedUnitConfig units;
  int indicatorChanges = 0;
  FrameParser parser(link, units, [&](int bitmap) {
    Check(bitmap == kIndicatorOnTarget || bitmap == kIndicatorNear || bitmap == kIndicatorFar,
          kTarget, "indicator bitmap");
    ++indicatorChanges;
  });
  LineReader reader;
  for (size_t i = 0; i < size; ++i) {
    if (!reader.Feed(static_cast<char>(data[i]))) continue;
    Check(reader.Line().size() <= LineReader::kMaxLineLength, kTarget, "line longer than kept");
    parser.ParseLine(reader.Line());
    Check(parser.State() >= FrameParser::kOutside && parser.State() <= 9, kTarget, "parser state");
    for (int c = 0; c < 3; ++c) {
      const ReadingAccumulator::Sum sum = link.report.m_readings[c].Peek();
      Check(std::isfinite(sum.sum), kTarget, "a reading sum became infinite");
      Check(sum.count >= 0, kTarget, "reading count");
      Check(std::isfinite(link.report.m_lastReading[c].load()), kTarget, "live reading");
      Check(std::isfinite(link.report.m_chamberTemperature[c].load()), kTarget,
            "chamber temperature");
    }
    Check(std::isfinite(link.report.m_deviceTemperature.load()), kTarget, "device temperature");
    const int32_t mismatch = link.report.m_unitMismatch.load();
    Check(mismatch == 0 || mismatch == 1, kTarget, "unit mismatch state");
  }
  Check(indicatorChanges <= static_cast<int>(size), kTarget, "indicator changes");
}

}  // namespace corvala::fuzz
