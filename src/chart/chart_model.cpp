#include "chart/chart_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>

#include "analysis/analysis_table.h"
#include "analysis/range_selection.h"
#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {
namespace {

// Label box columns (pixels from the plot's left edge).
constexpr int32_t kRespColumn[2] = {10, 135};
constexpr int32_t kSlopeColumn[2] = {145, 270};
constexpr int32_t kKphAColumn[2] = {280, 373};
constexpr int32_t kDelayColumn[2] = {383, 450};
constexpr int32_t kDelay2Column[2] = {383, 480};
constexpr int32_t kNoDelayColumn[2] = {383, 442};
constexpr int32_t kMaxAvgColumn[2] = {482, 592};
constexpr int32_t kMaxPeakColumn[2] = {602, 712};

double SafeTopValue(float top) {
  return (std::isfinite(top) && top != 0.0f) ? static_cast<double>(top) : 1.0;
}

// Asks for the cache line at p to be loaded, without waiting for it.
void Prefetch(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

bool ValidPos(int32_t pos, int32_t count) {
  return pos >= 0 && pos < count;
}

class MarkerList {
 public:
  MarkerList(std::vector<ChartMarker>& out, const MarkerLineSink* lines)
      : out_(out), lines_(lines) {}
  void Line(int32_t sample, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (lines_ != nullptr) {
      (*lines_)(x1, y1, x2, y2);
      return;
    }
    ChartMarker m;
    m.kind = ChartMarker::Kind::kLine;
    m.sample = sample;
    m.x1 = x1;
    m.y1 = y1;
    m.x2 = x2;
    m.y2 = y2;
    out_.push_back(std::move(m));
  }
  void Label(int32_t sample, const int32_t (&column)[2], std::string text) {
    ChartMarker m;
    m.kind = ChartMarker::Kind::kLabel;
    m.sample = sample;
    m.column = column[0];
    m.columnEnd = column[1];
    m.text = std::move(text);
    out_.push_back(std::move(m));
  }

 private:
  std::vector<ChartMarker>& out_;
  const MarkerLineSink* lines_;
};

// Positions of a chamber's analysis lists, sorted, each with the list entry it
// belongs to: a marker sample finds its entries by walking these instead of
// every plateau, bound and minimum pair.
using PosIndex = std::vector<std::pair<int32_t, size_t>>;
struct SortedPositions {
  PosIndex plateauStarts;  // the first plateau's start, and every plateau's peak
  PosIndex plateauEnds;    // the last sample of every plateau with a level
  PosIndex bounds;         // the inner light change bounds
  PosIndex mins;           // both ends of every minimum pair
};

SortedPositions SortPositions(const AnalysisBlock& block) {
  SortedPositions s;
  const size_t plateaus = block.m_plateauRange.size() / 2;
  for (size_t p = 0; p < plateaus; ++p) {
    if (p < block.m_plateauLevel.size()) {
      s.plateauEnds.emplace_back(block.m_plateauRange[2 * p + 1], p);
      if (p == 0) s.plateauStarts.emplace_back(block.m_plateauRange[0], p);
    }
    if (p < block.m_plateauPeakPos.size())
      s.plateauStarts.emplace_back(block.m_plateauPeakPos[p], p);
  }
  const auto& bounds = block.m_segmentBounds;
  for (size_t b = 1; b + 1 < bounds.size(); ++b) s.bounds.emplace_back(bounds[b], b);
  const auto& mins = block.m_minPos;
  for (size_t m = 0; m + 1 < mins.size(); m += 2) {
    s.mins.emplace_back(mins[m], m);
    s.mins.emplace_back(mins[m + 1], m);
  }
  for (PosIndex* index : {&s.plateauStarts, &s.plateauEnds, &s.bounds, &s.mins})
    if (!std::is_sorted(index->begin(), index->end())) std::sort(index->begin(), index->end());
  return s;
}

// The sorted positions change only with the analysis, not from one drawing to
// the next: each chamber keeps those of the analysis it last drew, per thread,
// so that no drawing thread shares them with another.
const SortedPositions& CachedPositions(int32_t chamber, const AnalysisBlock& block) {
  // Only the lists the positions come from are compared and kept.
  struct Entry {
    bool valid = false;
    std::vector<int32_t> plateauRange, plateauPeakPos, segmentBounds, minPos;
    size_t levels = 0;
    SortedPositions positions;
    bool Holds(const AnalysisBlock& b) const {
      return valid && levels == b.m_plateauLevel.size() && plateauRange == b.m_plateauRange &&
             plateauPeakPos == b.m_plateauPeakPos && segmentBounds == b.m_segmentBounds &&
             minPos == b.m_minPos;
    }
  };
  thread_local std::array<Entry, 3> cache;
  Entry& entry = cache[static_cast<size_t>(chamber)];
  if (!entry.Holds(block)) {
    entry.positions = SortPositions(block);
    entry.plateauRange = block.m_plateauRange;
    entry.plateauPeakPos = block.m_plateauPeakPos;
    entry.segmentBounds = block.m_segmentBounds;
    entry.minPos = block.m_minPos;
    entry.levels = block.m_plateauLevel.size();
    entry.valid = true;
  }
  return entry.positions;
}

// The regression over the first region of `pairs` (m_riseRange or
// m_fallRange). It changes only with the analysis or with the samples of that
// region, not from one drawing to the next: each chamber keeps the fits of its
// two regions with the samples they came from, per thread.
const std::optional<RateFit>& CachedRegionFit(int32_t chamber, size_t kind,
                                              const ChamberRecord& record,
                                              const std::vector<int32_t>& pairs) {
  struct Entry {
    bool valid = false;
    int32_t first = 0, last = -1;
    std::vector<int32_t> elapsed;
    std::vector<float> values;
    std::optional<RateFit> fit;
  };
  thread_local std::array<std::array<Entry, 2>, 3> cache;
  Entry& entry = cache[static_cast<size_t>(chamber)][kind];
  const int32_t first = std::max(pairs[0], 0);
  const int32_t last = std::min(pairs[1], record.Samples() - 1);
  const auto& elapsed = record.series.Elapsed();
  const auto& values = record.series.Pressure();
  const auto from = static_cast<std::ptrdiff_t>(first);
  const auto to = static_cast<std::ptrdiff_t>(std::max(last + 1, first));
  const bool holds = entry.valid && entry.first == first && entry.last == last &&
                     std::equal(entry.elapsed.begin(), entry.elapsed.end(), elapsed.begin() + from,
                                elapsed.begin() + to) &&
                     std::equal(entry.values.begin(), entry.values.end(), values.begin() + from,
                                values.begin() + to);
  if (!holds) {
    entry.valid = true;
    entry.first = first;
    entry.last = last;
    entry.elapsed.assign(elapsed.begin() + from, elapsed.begin() + to);
    entry.values.assign(values.begin() + from, values.begin() + to);
    entry.fit = FitRecordRange(record, first, last);
  }
  return entry.fit;
}

// Walks the samples at which a marker can appear, in order, and emits the
// markers of each as the chart's per-sample rules have them.
class MarkerBuilder {
 public:
  MarkerBuilder(const ChartView& view, const ChartScale& scale, const ChamberRecord& record,
                int32_t chamber, const VisibleRange& range, std::vector<ChartMarker>& out,
                const MarkerLineSink* lines)
      : view_(view),
        scale_(scale.ForRun(view, record.runUnit)),
        rec_(record),
        block_(record.analysis),
        c_(chamber),
        range_(range),
        n_(record.Samples()),
        offset_(view.normOffset[static_cast<size_t>(chamber)]),
        out_(out),
        lines_(lines) {
    delayLabelAt_ = FirstDelayEnd();
  }

  void Build() {
    const size_t before = out_.size();
    BuildMarkers();
    const int32_t pitch = LabelRowPitch(view_);
    for (size_t i = before; i < out_.size(); ++i) out_[i].pitch = pitch;
  }

 private:
  void BuildMarkers() {
    const bool slope = view_.showSlope || view_.showAll;
    const bool resp = view_.showResp || view_.showAll;
    const bool max = view_.showMax || view_.showAll;
    const bool delay = view_.showDelay || view_.showAll;
    // A marker appears only where an index entry or one of the first boxes is:
    // the candidates are the window's slices of the sorted indexes, merged.
    std::vector<int32_t> candidates;
    auto mergePositions = [&](const PosIndex& index) {
      const auto mid = static_cast<std::ptrdiff_t>(candidates.size());
      for (const auto& entry : index)
        if (candidates.empty() || candidates.back() != entry.first)
          candidates.push_back(entry.first);
      std::inplace_merge(candidates.begin(), candidates.begin() + mid, candidates.end());
    };
    if (!max && !delay && !slope && !resp) return;
    const SortedPositions* sorted = (max || delay) ? &CachedPositions(c_, block_) : nullptr;
    if (max) {
      IndexPlateaus(*sorted);
      mergePositions(plateauIndex_);
    }
    if (delay) {
      Slice(sorted->bounds, boundIndex_);
      Slice(sorted->mins, minIndex_);
      mergePositions(boundIndex_);
      mergePositions(minIndex_);
    }
    std::vector<int32_t> extra;
    if (slope && !block_.m_riseRange.empty()) extra.push_back(block_.m_riseRange[0]);
    if (resp && !block_.m_fallRange.empty()) extra.push_back(block_.m_fallRange[0]);
    if (delay) {
      extra.push_back(delayLabelAt_);
      extra.push_back(n_ - 1);
    }
    // Samples outside the window draw nothing and change no state.
    std::erase_if(extra, [&](int32_t j) { return !Visible(j); });
    std::sort(extra.begin(), extra.end());
    const auto mid = static_cast<std::ptrdiff_t>(candidates.size());
    candidates.insert(candidates.end(), extra.begin(), extra.end());
    std::inplace_merge(candidates.begin(), candidates.begin() + mid, candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    if (lines_ == nullptr) out_.reserve(out_.size() + 3 * candidates.size());
    // A long window's candidates lie far apart in the series, and what the
    // curve read before has left the cache: their times and pressures are
    // asked for a few candidates ahead.
    constexpr size_t kAhead = 8;
    const int32_t* elapsed = rec_.series.Elapsed().data();
    const float* pressure = rec_.series.Pressure().data();
    for (size_t i = 0; i < candidates.size(); ++i) {
      if (i + kAhead < candidates.size()) {
        const auto ahead = static_cast<size_t>(candidates[i + kAhead]);
        Prefetch(elapsed + ahead);
        Prefetch(pressure + ahead);
      }
      const int32_t j = candidates[i];
      if (slope) SlopeAt(j);
      if (resp) RespirationAt(j);
      if (max) MaximumAt(j);
      if (delay) DelayAt(j);
    }
  }

  bool Visible(int32_t j) const {
    if (j < range_.first || j >= range_.end) return false;
    return range_.monotonic || rec_.series.Elapsed()[static_cast<size_t>(j)] <= scale_.timeEnd;
  }
  int32_t T(int32_t j) const { return rec_.series.Elapsed()[static_cast<size_t>(j)]; }
  // The pixel of sample j: the markers of one sample ask for it many times.
  int32_t X(int32_t j) const {
    if (j != xAt_) {
      xAt_ = j;
      x_ = scale_.X(T(j));
    }
    return x_;
  }
  int32_t Y(int32_t j) const {
    if (j != yAt_) {
      yAt_ = j;
      y_ = scale_.Y(rec_.series.Pressure()[static_cast<size_t>(j)], offset_);
    }
    return y_;
  }
  // Rates and levels of the run, in the shown unit.
  std::string RateText(const char* key, float rate) const {
    const double shown = rate * scale_.valueScale;
    return view_.unit == 1 ? Format("%s%d=%4.3f mbar/s", key, c_ + 1, shown)
                           : Format("%s%d=%4.3f mg/(l*s)", key, c_ + 1, shown);
  }
  // The regression of a rate box's region under its text, in the shown unit:
  // "slope ± SE" and "R² r"; a line is left out where its figure is missing.
  std::vector<std::string> FitLines(const std::optional<RateFit>& fit) const {
    std::vector<std::string> lines;
    if (!fit) return lines;
    const double scale = scale_.valueScale;
    lines.push_back(fit->standardError ? Format("%.4g ± %.2g", fit->slope * scale,
                                                *fit->standardError * std::fabs(scale))
                                       : Format("%.4g", fit->slope * scale));
    if (fit->r2) lines.push_back(Format("R² %.4f", *fit->r2));
    return lines;
  }
  std::string LevelText(const char* key, float value) const {
    const double shown = value * scale_.valueScale;
    return view_.unit == 1 ? Format("%s%d=%4.1f mbar", key, c_ + 1, shown)
                           : Format("%s%d=%3.2f mg/l", key, c_ + 1, shown);
  }

  // The level line of plateau p runs over its visible samples; it is drawn
  // once, at the last of them.
  int32_t PlateauLineEnd(size_t p) const {
    const int32_t b = block_.m_plateauRange[2 * p + 1];
    return std::min(b, range_.end - 1);
  }

  void SlopeAt(int32_t j) {
    MarkerList list(out_, lines_);
    if (block_.m_riseRange.empty() || j != block_.m_riseRange[0]) return;
    if (!block_.m_riseRate.empty()) {
      list.Label(j, kSlopeColumn, RateText("S", block_.m_riseRate[0]));
      out_.back().moreLines = FitLines(CachedRegionFit(c_, 0, rec_, block_.m_riseRange));
    }
    // The box shows the first KphA, the one the analysis table takes.
    if ((view_.showAll || (view_.showResp && view_.showSlope)) && !block_.m_kphA.empty()) {
      list.Label(j, kKphAColumn, Format("KphA%d=%4.3f", c_ + 1, block_.m_kphA[0]));
    }
  }

  void RespirationAt(int32_t j) {
    if (block_.m_fallRange.empty() || j != block_.m_fallRange[0]) return;
    if (block_.m_fallRate.empty()) return;
    MarkerList(out_, lines_).Label(j, kRespColumn, RateText("R", block_.m_fallRate[0]));
    out_.back().moreLines = FitLines(CachedRegionFit(c_, 1, rec_, block_.m_fallRange));
  }

  // The window's part of a sorted index: the entries at visible samples.
  void Slice(const PosIndex& sorted, PosIndex& out) const {
    auto at = [](const auto& entry, int32_t pos) { return entry.first < pos; };
    const auto from = std::lower_bound(sorted.begin(), sorted.end(), range_.first, at);
    const auto to = std::lower_bound(from, sorted.end(), range_.end, at);
    out.assign(from, to);
    if (!range_.monotonic)
      std::erase_if(out, [&](const auto& entry) { return !Visible(entry.first); });
  }
  // The entries at position j, in list order, each once. The samples ask in
  // increasing order, so each index is walked once from where it was left.
  struct Cursor {
    const PosIndex& index;
    size_t at = 0;
  };
  static const std::vector<size_t>& EntriesAt(Cursor& cursor, int32_t j, std::vector<size_t>& out) {
    out.clear();
    const PosIndex& index = cursor.index;
    while (cursor.at < index.size() && index[cursor.at].first < j) ++cursor.at;
    for (size_t i = cursor.at; i < index.size() && index[i].first == j; ++i)
      out.push_back(index[i].second);
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
  }

  // The plateau entries of the window: starts, peaks and level line ends. A
  // plateau reaching past the window draws its line at the window's last sample.
  void IndexPlateaus(const SortedPositions& sorted) {
    PosIndex starts, ends;
    Slice(sorted.plateauStarts, starts);
    Slice(sorted.plateauEnds, ends);
    PosIndex cut;
    const int32_t last = range_.end - 1;
    if (Visible(last)) {
      auto at = [](const auto& entry, int32_t pos) { return entry.first < pos; };
      for (auto it = std::lower_bound(sorted.plateauEnds.begin(), sorted.plateauEnds.end(),
                                      range_.end, at);
           it != sorted.plateauEnds.end(); ++it)
        if (block_.m_plateauRange[2 * it->second] <= last) cut.emplace_back(last, it->second);
      std::sort(cut.begin(), cut.end());
    }
    plateauIndex_.clear();
    plateauIndex_.reserve(starts.size() + ends.size() + cut.size());
    std::merge(starts.begin(), starts.end(), ends.begin(), ends.end(),
               std::back_inserter(plateauIndex_));
    const auto mid = static_cast<std::ptrdiff_t>(plateauIndex_.size());
    plateauIndex_.insert(plateauIndex_.end(), cut.begin(), cut.end());
    std::inplace_merge(plateauIndex_.begin(), plateauIndex_.begin() + mid, plateauIndex_.end());
  }

  void MaximumAt(int32_t j) {
    MarkerList list(out_, lines_);
    for (size_t p : EntriesAt(plateauCursor_, j, entries_)) {
      const int32_t a = block_.m_plateauRange[2 * p];
      const int32_t b = block_.m_plateauRange[2 * p + 1];
      if (j < a || j > b) continue;
      if (p < block_.m_plateauLevel.size()) {
        const float level = block_.m_plateauLevel[p];
        if (j == PlateauLineEnd(p)) {
          const int32_t lo = std::max(a, range_.first);
          const int32_t y = scale_.Y(level, offset_);
          list.Line(j, X(std::max(lo - 1, 0)), y, X(j), y);
        }
        // Only the first plateau has a box, as only it has a table column.
        if (j == a && p == 0) list.Label(j, kMaxAvgColumn, LevelText("Ma", level - offset_));
      }
      if (p < block_.m_plateauPeakPos.size() && p < block_.m_plateauPeak.size() &&
          j == block_.m_plateauPeakPos[p]) {
        const float peak = block_.m_plateauPeak[p];
        const int32_t y = scale_.Y(peak, offset_);
        list.Line(j, X(j), y - 2, X(j), y + 2);
        if (p == 0) list.Label(j, kMaxPeakColumn, LevelText("Mm", peak - offset_));
      }
    }
  }

  void DelayLines(int32_t j, MarkerList& list) {
    list.Line(j, X(j), upper_, X(j), Y(j));
    list.Line(j, X(j), upper_ + 2, boundX_, upper_ + 2);
  }

  void DelayAt(int32_t j) {
    MarkerList list(out_, lines_);
    // Each inner bound at j (the list may repeat one) draws its line.
    const size_t boundsHere = EntriesAt(boundCursor_, j, entries_).size();
    for (size_t b = 0; b < boundsHere; ++b) {
      upper_ = Y(j) - 40;
      boundX_ = X(j);
      list.Line(j, boundX_, upper_, boundX_, Y(j));
      bound_ = j;
    }
    const auto& mins = block_.m_minPos;
    for (size_t m : EntriesAt(minCursor_, j, entries_)) {
      const int32_t m0 = mins[m];
      const int32_t m1 = mins[m + 1];
      if (!ValidPos(m0, n_) || !ValidPos(m1, n_)) continue;
      if (j == m0 && T(m0) < T(m1) && bound_ >= 0 && bound_ < j) {
        DelayLines(j, list);
        first_ = j;
      }
      if ((j == m1 && first_ >= 0) || (j == m0 && first_ < 0)) {
        list.Line(j, X(j), Y(j) - 2, X(j), Y(j) + 2);
        if (bound_ >= 0 && bound_ < j) DelayLines(j, list);
        bound_ = -1;
        first_ = -1;
      }
    }
    // One box per chamber, with the delays of the analysis table: from the
    // first light change to the minimum after it, shown where that minimum ends.
    if (j == delayLabelAt_) {
      const auto [delay1, delay2] = FirstDelays(block_, rec_.series.Elapsed());
      if (delay1 == delay2)
        list.Label(j, kDelayColumn, Format("D%d=%d s", c_ + 1, delay1));
      else
        list.Label(j, kDelay2Column, Format("D%d=%d/%d s", c_ + 1, delay1, delay2));
    } else if (j == n_ - 1 && delayLabelAt_ < 0) {
      list.Label(j, kNoDelayColumn, "D=0 s");
    }
  }

  // The sample where the first delay is labelled: the later of the two ends of
  // the minimum after the first light change; -1 when the table has no delay.
  int32_t FirstDelayEnd() const {
    const auto& bounds = block_.m_segmentBounds;
    if (bounds.size() < 2 || !ValidPos(bounds[1], n_)) return -1;
    int32_t end = -1;
    for (size_t i = 2; i < 4 && i < block_.m_minPos.size(); ++i)
      if (ValidPos(block_.m_minPos[i], n_)) end = std::max(end, block_.m_minPos[i]);
    return end;
  }

  const ChartView& view_;
  const ChartScale scale_;  // the chamber's, in its run's unit
  const ChamberRecord& rec_;
  const AnalysisBlock& block_;
  int32_t c_;
  VisibleRange range_;
  int32_t n_;
  float offset_;
  std::vector<ChartMarker>& out_;
  const MarkerLineSink* lines_;
  // Delay state while walking the samples.
  int32_t bound_ = -1;
  int32_t upper_ = 0;
  int32_t boundX_ = 0;
  int32_t first_ = -1;
  int32_t delayLabelAt_ = -1;
  PosIndex plateauIndex_, boundIndex_, minIndex_;
  Cursor plateauCursor_{plateauIndex_}, boundCursor_{boundIndex_}, minCursor_{minIndex_};
  std::vector<size_t> entries_;
  mutable int32_t xAt_ = -1, x_ = 0, yAt_ = -1, y_ = 0;
};

}  // namespace

double ChartView::ValueScale(int32_t runUnit) const {
  const FactorPair pair = DisplayPair(unit, effFactor1, effFactor2, factor1, factor2);
  return PressureScale(runUnit, unit, pair.factor1, pair.factor2);
}

float MaxPressureDisplay(const ChartView& view) {
  return MaxPressureDisplay(view.maxPressure, view.effFactor1, view.effFactor2);
}

PixelRect PlotRectFor(int32_t x, int32_t y, int32_t w, int32_t h) {
  const int32_t left = x + w / 25;
  const int32_t top = y + 20;
  return {left, top, left + (w - w / 15), top + (h - 49)};
}

ChartScale ChartScale::ForRun(const ChartView& view, int32_t runUnit) const {
  ChartScale s = *this;
  s.valueScale = view.ValueScale(runUnit);
  return s;
}

ChartScale MakeChartScale(const ChartView& view, int32_t left, int32_t top, int32_t width,
                          int32_t height) {
  ChartScale s;
  s.left = left;
  s.top = top;
  s.width = width;
  s.height = height;
  s.timeStart = view.TimeStart();
  s.timeEnd = view.TimeEnd();
  const double span = static_cast<double>(view.maxTime) - view.timeOffset;
  s.timeSpan = span != 0.0 ? span : 1.0;
  s.topValue = SafeTopValue(MaxPressureDisplay(view));
  return s;
}

bool ShortTimeAxis(const ChartView& view) {
  return view.TimeEnd() < 3600;
}

std::string TimeTickLabel(const ChartView& view, int32_t k) {
  const int32_t t = view.TimeStart() + (view.TimeEnd() - view.TimeStart()) / 10 * k;
  return ShortTimeAxis(view) ? FormatMs(t) : FormatHms(t);
}

std::string PressureTickLabel(const ChartView& view, int32_t k) {
  // The tick value is the exact tenth of the chart top, so a top of 104 mbar
  // labels its highest tick 104.0, not 100.0. It is shown with the pair the
  // curves are scaled with, so the axis and the curves agree.
  const float v = static_cast<float>(view.maxPressure) / 10.0f * static_cast<float>(k);
  return Format("%3.1f", view.unit == 1 ? v : v / view.effFactor1 * view.effFactor2);
}

std::string TimeAxisTitle(const ChartView& view) {
  return ShortTimeAxis(view) ? "t - mm:ss" : "t - hh:mm:ss";
}

double CorrectionMarkerX(const ChartView& view, const PixelRect& plot) {
  const int32_t tStart = view.TimeStart();
  if (view.correctionTime <= tStart) return plot.left;
  double span = static_cast<double>(view.maxTime) - view.timeOffset;
  if (span == 0.0) span = 1.0;
  return plot.left + plot.Width() * (static_cast<double>(view.correctionTime) - tStart) / span;
}

VisibleRange VisibleSamples(const ChamberRecord& record, int32_t timeStart, int32_t timeEnd) {
  VisibleRange r{0, 0, true};
  const int32_t n = record.Samples();
  if (n <= 0) return r;
  const auto begin = record.series.Elapsed().begin();
  const auto end = begin + n;
  if (*(end - 1) < timeStart) return r;
  r.monotonic = record.series.ElapsedSorted();
  if (r.monotonic) {
    r.first = static_cast<int32_t>(std::lower_bound(begin, end, timeStart) - begin);
    r.end = static_cast<int32_t>(std::upper_bound(begin, end, timeEnd) - begin);
    if (r.end < r.first) r.end = r.first;
  } else {
    const auto it = std::find_if(begin, end, [&](int32_t t) { return t >= timeStart; });
    r.first = it == end ? n - 1 : static_cast<int32_t>(it - begin);
    r.end = n;
  }
  return r;
}

std::vector<CurvePen> CurvePens(const ChartView& view, const ChamberRecord& record, int32_t chamber,
                                const VisibleRange& range) {
  std::vector<CurvePen> pens;
  if (range.Empty()) return pens;
  pens.reserve(static_cast<size_t>(range.end - range.first));
  for (int32_t j = range.first; j < range.end; ++j) {
    pens.push_back(record.series.Light()[static_cast<size_t>(j)] == 1 ? CurvePen::kLightOn
                                                                      : CurvePen::kLightOff);
  }
  auto highlight = [&](int32_t lo, int32_t hi) {
    lo = std::max(lo, range.first);
    hi = std::min(hi, range.end - 1);
    for (int32_t j = lo; j <= hi; ++j)
      pens[static_cast<size_t>(j - range.first)] = CurvePen::kHighlight;
  };
  auto highlightPairs = [&](const std::vector<int32_t>& pairs) {
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) highlight(pairs[i], pairs[i + 1]);
  };
  if (view.selSlope != kNoValue && view.selChamber == chamber) {
    highlight(view.selStart, view.selEnd);
  }
  if (view.showAll || view.showSlope) highlightPairs(record.analysis.m_riseRange);
  if (view.showAll || view.showResp) highlightPairs(record.analysis.m_fallRange);
  return pens;
}

namespace {

// The first sample from k on (before `to`) whose light pen differs from `on`.
// Runs last many samples, so they are passed over eight samples at a time.
int32_t NextLightChange(const uint8_t* light, int32_t k, int32_t to, bool on) {
  const uint64_t same = on ? 0x0101010101010101ULL : 0;
  for (;;) {
    for (uint64_t word = 0; k + 8 <= to; k += 8) {
      std::memcpy(&word, light + k, sizeof word);
      if (word != same) break;
    }
    const int32_t stop = std::min(to, k + 8);
    while (k < stop && (light[k] == 1) == on) ++k;
    if (k < stop || k >= to) return k;
  }
}

}  // namespace

std::vector<PenRun> CurvePenRuns(const ChartView& view, const ChamberRecord& record,
                                 int32_t chamber, const VisibleRange& range) {
  std::vector<PenRun> runs;
  if (range.Empty()) return runs;
  // The highlighted stretches inside the range (first and last sample), in order.
  std::vector<std::pair<int32_t, int32_t>> marked;
  auto highlight = [&](int32_t lo, int32_t hi) {
    lo = std::max(lo, range.first);
    hi = std::min(hi, range.end - 1);
    if (lo <= hi) marked.emplace_back(lo, hi);
  };
  // Each list comes in order from the analysis: merged, not sorted whole.
  auto highlightPairs = [&](const std::vector<int32_t>& pairs) {
    const auto mid = static_cast<std::ptrdiff_t>(marked.size());
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) highlight(pairs[i], pairs[i + 1]);
    if (!std::is_sorted(marked.begin() + mid, marked.end()))
      std::sort(marked.begin() + mid, marked.end());
    std::inplace_merge(marked.begin(), marked.begin() + mid, marked.end());
  };
  if (view.selSlope != kNoValue && view.selChamber == chamber) {
    highlight(view.selStart, view.selEnd);
  }
  if (view.showAll || view.showSlope) highlightPairs(record.analysis.m_riseRange);
  if (view.showAll || view.showResp) highlightPairs(record.analysis.m_fallRange);

  auto push = [&](int32_t first, CurvePen pen) {
    if (runs.empty() || runs.back().pen != pen) runs.push_back(PenRun{first, pen});
  };
  const uint8_t* light = record.series.Light().data();
  auto lightRuns = [&](int32_t from, int32_t to) {
    for (int32_t k = from; k < to;) {
      const bool on = light[k] == 1;
      push(k, on ? CurvePen::kLightOn : CurvePen::kLightOff);
      k = NextLightChange(light, k + 1, to, on);
    }
  };
  int32_t next = range.first;  // the first sample not yet given a pen
  for (const auto& [lo, hi] : marked) {
    if (hi < next) continue;
    lightRuns(next, lo);
    push(std::max(lo, next), CurvePen::kHighlight);
    next = hi + 1;
  }
  lightRuns(next, range.end);
  return runs;
}

std::vector<ChartMarker> ChamberMarkers(const ChartView& view, const ChartScale& scale,
                                        const ChamberRecord& record, int32_t chamber,
                                        const VisibleRange& range) {
  std::vector<ChartMarker> out;
  if (chamber < 0 || chamber > 2 || range.Empty()) return out;
  MarkerBuilder(view, scale, record, chamber, range, out, nullptr).Build();
  return out;
}

std::vector<ChartMarker> ChamberMarkers(const ChartView& view, const ChartScale& scale,
                                        const ChamberRecord& record, int32_t chamber,
                                        const VisibleRange& range, const MarkerLineSink& lines) {
  std::vector<ChartMarker> out;
  if (chamber < 0 || chamber > 2 || range.Empty()) return out;
  MarkerBuilder(view, scale, record, chamber, range, out, &lines).Build();
  return out;
}

int32_t LabelRowPitch(const ChartView& view) {
  const bool rates = view.showSlope || view.showResp || view.showAll;
  return rates ? 30 + 2 * kLabelLineHeight : 30;
}

PixelRect LabelBox(const ChartScale& scale, int32_t chamber, int32_t a, int32_t b, int32_t pitch,
                   int32_t lines) {
  const int32_t more = std::max(lines - 1, 0) * kLabelLineHeight;
  return {scale.left + a, scale.top + 10 + pitch * chamber, scale.left + b,
          scale.top + 32 + pitch * chamber + more};
}

std::string SimulatedMarkText(const ChartView& view, const ChartChambers& chambers) {
  if (view.simulated) return "SIMULATED DEVICE - these values are not measured";
  for (size_t c = 0; c < 3; ++c)
    if (view.chamberShown[c] && chambers[c] != nullptr && chambers[c]->simulated &&
        !chambers[c]->series.Empty())
      return "SIMULATED RUN - these values are not measured";
  return {};
}

std::string HoverValueText(const ChartView& view) {
  return view.unit == 1 ? Format("%4.1f mbar", view.hoverValue)
                        : Format("%3.2f mg/l", view.hoverValue);
}

std::string HoverSampleText(const ChartView& view, const ChartChambers& chambers) {
  const int32_t c = view.hoverChamber;
  if (c < 0 || c > 2 || chambers[static_cast<size_t>(c)] == nullptr) return {};
  const ChamberRecord& rec = *chambers[static_cast<size_t>(c)];
  if (!ValidPos(view.hoverSample, rec.Samples())) return {};
  const int32_t t = rec.series.Elapsed()[static_cast<size_t>(view.hoverSample)];
  return Format("Ch-%d - Mp:%d - %s", c + 1, view.hoverSample, FormatHms(t).c_str());
}

int32_t HoverOffset(const ChartView& view) {
  return view.hoverValue / 5 + view.hoverValue < MaxPressureDisplay(view) ? -20 : 20;
}

std::string SelectionText(const ChartView& view, const ChartChambers& chambers) {
  const int32_t c = view.selChamber;
  const bool known = c >= 0 && c <= 2 && chambers[static_cast<size_t>(c)] != nullptr;
  const double slope =
      view.selSlope * (known ? view.ValueScale(chambers[static_cast<size_t>(c)]->runUnit) : 1.0);
  return view.unit == 1 ? Format("%3.3f mbar/s", slope) : Format("%4.3f mg/(l*s)", slope);
}

std::string SelectionFitText(const ChartView& view, const ChartChambers& chambers) {
  const int32_t c = view.selChamber;
  if (!view.selFit || c < 0 || c > 2 || chambers[static_cast<size_t>(c)] == nullptr) return {};
  return RangeFitText(*view.selFit, view.ValueScale(chambers[static_cast<size_t>(c)]->runUnit),
                      view.unit);
}

std::optional<SelectionLabelPlace> PlaceSelectionLabel(const ChartView& view,
                                                       const ChartChambers& chambers,
                                                       const PixelRect& plot, int32_t x) {
  const int32_t c = view.selChamberHit;
  if (c < 0 || c > 2 || chambers[static_cast<size_t>(c)] == nullptr) return std::nullopt;
  const ChamberRecord& rec = *chambers[static_cast<size_t>(c)];
  // The end sample must exist: an index equal to the count would read past the series.
  if (!ValidPos(view.selEnd, rec.Samples())) return std::nullopt;
  const double p = (rec.series.Pressure()[static_cast<size_t>(view.selEnd)] -
                    view.normOffset[static_cast<size_t>(c)]) *
                   view.ValueScale(rec.runUnit);
  const double top = SafeTopValue(MaxPressureDisplay(view));
  SelectionLabelPlace place;
  place.x = x;
  place.y = ToPixel(plot.bottom - plot.Height() * static_cast<double>(p) / top);
  place.d = plot.top <= place.y + 60 ? -40 : 40;
  return place;
}

std::optional<HoverHit> SampleUnderMouse(const ChartView& view, const ChartChambers& chambers,
                                         int32_t left, int32_t top, int32_t width, int32_t height) {
  if (height <= 0) return std::nullopt;
  int64_t t = 0;
  if (width > 0) {
    t = static_cast<int64_t>(view.timeOffset) + 60LL * view.scroll +
        (static_cast<int64_t>(view.maxTime) - view.timeOffset) *
            (static_cast<int64_t>(view.mouseX) - left) / width;
  }
  const float v = MaxPressureDisplay(view) * static_cast<float>(height + top - view.mouseY) /
                  static_cast<float>(height);
  if (!std::isfinite(v)) return std::nullopt;
  const int64_t interval = view.sampleInterval > 0 ? view.sampleInterval : 1;
  t -= t % interval;
  if (t < std::numeric_limits<int32_t>::min() || t > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  // The samples at the grid time; where there are none, those within the
  // interval after it: after a gap in the time axis the samples lie off the grid.
  auto hit = [&](bool offGrid) -> std::optional<HoverHit> {
    for (int32_t c = 0; c < 3; ++c) {
      const ChamberRecord* rec = chambers[static_cast<size_t>(c)];
      if (!view.chamberShown[static_cast<size_t>(c)] || rec == nullptr) continue;
      const float offset = view.normOffset[static_cast<size_t>(c)];
      const double scale = view.ValueScale(rec->runUnit);
      // Elapsed times that never decrease hold the candidates in one stretch.
      const std::vector<int32_t>& elapsed = rec->series.Elapsed();
      int32_t lo = 0;
      int32_t hi = rec->Samples();
      if (rec->series.ElapsedSorted()) {
        const auto begin = elapsed.begin();
        const auto end = begin + hi;
        const auto from = offGrid ? std::upper_bound(begin, end, t, std::less<int64_t>())
                                  : std::lower_bound(begin, end, t, std::less<int64_t>());
        const auto to =
            std::lower_bound(from, end, offGrid ? t + interval : t + 1, std::less<int64_t>());
        lo = static_cast<int32_t>(from - begin);
        hi = static_cast<int32_t>(to - begin);
      }
      for (int32_t j = lo; j < hi; ++j) {
        const int64_t e = elapsed[static_cast<size_t>(j)];
        if (offGrid ? e <= t || e >= t + interval : e != t) continue;
        // Compared in the shown unit, where the curve is drawn.
        const auto value =
            static_cast<float>((rec->series.Pressure()[static_cast<size_t>(j)] - offset) * scale);
        const float d = value - v;
        if (std::isnan(d)) continue;
        const int32_t whole = TruncToInt32(d);
        if (whole >= -1 && whole <= 1) return HoverHit{value, j, c};
      }
    }
    return std::nullopt;
  };
  if (const auto onGrid = hit(false)) return onGrid;
  return hit(true);
}

PixelRect LastPointRect(const ChartView& view, const ChamberRecord* record, int32_t chamber,
                        int32_t index, int32_t left, int32_t top, int32_t width, int32_t height) {
  if (record == nullptr || chamber < 0 || chamber > 2 || index < -1) return {};
  const int32_t n = record->Samples();
  const int32_t j = index == -1 ? n - 1 : index;
  if (j < 0 || j >= n) return {};
  const ChartScale s = MakeChartScale(view, 0, 0, width, height).ForRun(view, record->runUnit);
  const float offset = view.normOffset[static_cast<size_t>(chamber)];
  auto point = [&](int32_t k, int32_t& x, int32_t& y) {
    const auto i = static_cast<size_t>(k);
    x = left + ToPixel(width * (static_cast<double>(record->series.Elapsed()[i]) - s.timeStart) /
                       s.timeSpan);
    y = top + height -
        ToPixel(height *
                (static_cast<double>(record->series.Pressure()[i] - offset) * s.valueScale) /
                s.topValue);
  };
  int32_t x1, y1, x0, y0;
  point(j, x1, y1);
  if (j > 0) {
    point(j - 1, x0, y0);
  } else {
    x0 = x1;
    y0 = y1;
  }
  return {std::min(x0, x1) - 3, std::min(y0, y1) - 3, std::max(x0, x1) + 3, std::max(y0, y1) + 3};
}

bool LastPointChanged(LastPointMemory& memory, const ChartView& view, const ChartChambers& chambers,
                      int32_t chamber, int32_t index, int32_t left, int32_t top, int32_t width,
                      int32_t height, PixelRect& rect) {
  rect = {};
  if (chamber < 0 || chamber > 2) return false;
  const ChamberRecord* rec = chambers[static_cast<size_t>(chamber)];
  if (rec == nullptr) return false;
  const int32_t n = rec->Samples();
  const int32_t j = index == -1 ? n - 1 : index;
  if (index < -1 || j < 0 || j >= n) return false;
  rect = LastPointRect(view, rec, chamber, index, left, top, width, height);
  PixelRect& remembered = memory.rect[static_cast<size_t>(chamber)];
  if (rect == remembered) return false;
  remembered = rect;
  return true;
}

bool IsTimeGap(int32_t before, int32_t after, int32_t interval) {
  return int64_t{after} - before > 2 * int64_t{std::max<int32_t>(1, interval)};
}

std::vector<TimeGap> TimeGaps(const ChamberRecord& record, const VisibleRange& range) {
  std::vector<TimeGap> gaps;
  const int32_t n = record.Samples();
  if (n < 2) return gaps;  // an empty range may still lie inside a gap
  const std::vector<int32_t>& elapsed = record.series.Elapsed();
  const int32_t last = std::min(range.end, n - 1);
  // IsTimeGap for every pair, with the limit worked out once: a week of
  // one-second samples is walked at every drawing.
  const int64_t limit = 2 * int64_t{std::max<int32_t>(1, record.runInterval)};
  // Gaps are rare: sixteen pairs at a time are passed over when none of them
  // can be one. The step taken modulo 2^32 is at most the limit for every
  // pair that is no gap, times going back excepted; such a block is looked
  // at pair by pair.
  constexpr int32_t kBlock = 16;
  const int32_t* e = elapsed.data();
  const bool blocks = limit < (int64_t{1} << 31);
  const auto blockLimit = static_cast<uint32_t>(limit);
  for (int32_t j = std::max(range.first, 1); j <= last;) {
    if (blocks && last - j >= kBlock) {
      uint32_t widest = 0;
      for (int32_t i = j; i < j + kBlock; ++i)
        widest = std::max(widest, static_cast<uint32_t>(e[i]) - static_cast<uint32_t>(e[i - 1]));
      if (widest <= blockLimit) {
        j += kBlock;
        continue;
      }
    }
    if (int64_t{e[j]} - e[j - 1] > limit) gaps.push_back(TimeGap{e[j - 1], e[j]});
    ++j;
  }
  return gaps;
}

}  // namespace corvala
