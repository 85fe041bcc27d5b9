// Cost of reading the device's frames and of encoding the longest command blocks.

#include <benchmark/benchmark.h>

#include "device/command_encoder.h"
#include "device/frame_parser.h"
#include "device/line_reader.h"
#include "run/station.h"

namespace {

void BM_ReadFrame(benchmark::State& state) {
  corvala::Station station;
  corvala::FrameParser parser(station.m_link, station.m_units, nullptr);
  corvala::LineReader reader;
  const std::string frame =
      "anfang\r\n3\r\n25.0\r\n201.53\r\n202.51\r\n203.57\r\n24.1\r\n24.2\r\n24.3\r\n1\r\nende\r\n";
  for (auto _ : state) {
    for (char c : frame) {
      if (reader.Feed(c)) parser.ParseLine(reader.Line());
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadFrame);

void BM_EncodeLargestPair(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        corvala::EncodePair(corvala::kMaxPairValue, corvala::kMaxPairValue).size());
  }
}
BENCHMARK(BM_EncodeLargestPair);

}  // namespace
