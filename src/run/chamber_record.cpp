#include "run/chamber_record.h"

namespace corvala {

void AnalysisBlock::Clear() {
  *this = AnalysisBlock{};
}

void SampleSeries::Append(const Sample& s) {
  if (!elapsed_.empty() && s.elapsed < elapsed_.back()) ++descents_;
  hour_.push_back(s.hour);
  minute_.push_back(s.minute);
  second_.push_back(s.second);
  elapsed_.push_back(s.elapsed);
  pressure_.push_back(s.pressure);
  light_.push_back(s.light);
  temperature_.push_back(s.temperature);
}

void SampleSeries::Replace(int32_t i, const Sample& s) {
  const auto k = static_cast<size_t>(i);
  // The steps on both sides of sample i are counted afresh.
  auto descentsAround = [&] {
    int32_t d = 0;
    if (k > 0 && elapsed_[k] < elapsed_[k - 1]) ++d;
    if (k + 1 < elapsed_.size() && elapsed_[k + 1] < elapsed_[k]) ++d;
    return d;
  };
  descents_ -= descentsAround();
  hour_[k] = s.hour;
  minute_[k] = s.minute;
  second_[k] = s.second;
  elapsed_[k] = s.elapsed;
  pressure_[k] = s.pressure;
  light_[k] = s.light;
  temperature_[k] = s.temperature;
  descents_ += descentsAround();
}

void SampleSeries::Clear() {
  *this = SampleSeries{};
}

void SampleSeries::Reserve(size_t count) {
  hour_.reserve(count);
  minute_.reserve(count);
  second_.reserve(count);
  elapsed_.reserve(count);
  pressure_.reserve(count);
  light_.reserve(count);
  temperature_.reserve(count);
}

void SampleSeries::Truncate(int32_t count) {
  const auto k = static_cast<size_t>(count);
  hour_.resize(k);
  minute_.resize(k);
  second_.resize(k);
  elapsed_.resize(k);
  pressure_.resize(k);
  light_.resize(k);
  temperature_.resize(k);
}

Sample SampleSeries::At(int32_t i) const {
  const auto k = static_cast<size_t>(i);
  return Sample{hour_[k],     minute_[k], second_[k],     elapsed_[k],
                pressure_[k], light_[k],  temperature_[k]};
}

int32_t ChamberRecord::SamplesOfNewRun() const {
  return runRequested || pendingRun ? 0 : series.Size();
}

bool AppendSample(ChamberRecord& record, float pressure, float temperature, uint8_t light,
                  const LocalTime& sampleTime, int32_t elapsed) {
  if (record.pendingRun) {
    PendingRun& run = *record.pendingRun;
    record.runUnit = run.unit;
    record.runInterval = run.interval;
    record.runTemperature = run.temperature;
    record.stepTime = std::move(run.stepTime);
    record.stepLight = std::move(run.stepLight);
    record.analysis.m_minPos.clear();
    record.analysis.m_maxPos.clear();
    record.analysis.m_segmentBounds.clear();
    record.hasRun = 1;
    record.pendingRun.reset();
    record.series.Clear();
  }
  if (record.series.Empty()) {
    record.startDay = sampleTime.day;
    record.startMonth = sampleTime.month;
    record.startYear = sampleTime.year;
    record.startHour = sampleTime.hour;
    record.startMinute = sampleTime.minute;
    record.startSecond = sampleTime.second;
    record.series.Clear();
    record.measurementName.clear();
  }
  record.series.Append(Sample{sampleTime.hour, sampleTime.minute, sampleTime.second, elapsed,
                              pressure, light, temperature});
  record.saved = 0;
  return true;
}

}  // namespace corvala
