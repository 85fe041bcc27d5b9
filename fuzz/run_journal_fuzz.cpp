// A journal of a running measurement as the start-up reads it back.

#include <algorithm>

#include "files/journal_file.h"
#include "fuzz_check.h"
#include "run/run_journal.h"

namespace corvala::fuzz {

void FuzzRunJournal(const uint8_t* data, size_t size) {
  constexpr const char* kTarget = "run_journal";
  const std::string_view text = AsText(data, size);
  const JournalContent content = ParseRunJournal(text, MeasurementReadContext{});
  const SampleSeries& s = content.record.series;
  const size_t n = s.Elapsed().size();
  Check(s.Hour().size() == n && s.Minute().size() == n && s.Second().size() == n &&
            s.Pressure().size() == n && s.Light().size() == n && s.Temperature().size() == n,
        kTarget, "series of different lengths");
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  Check(n <= lines, kTarget, "more samples than lines");
  Check(content.record.stepTime.size() == content.record.stepLight.size(), kTarget,
        "program copy lengths");
  Check(content.record.stepTime.size() <= std::max<size_t>(9999, size), kTarget,
        "steps allocated by an untrusted count");
  Check((content.state == JournalContent::State::kDamaged) == !content.problem.empty(), kTarget,
        "damage without a reason");
  for (size_t k = 0; k < n; ++k)
    Check(s.Light()[k] <= 1 && s.Hour()[k] >= 0 && s.Hour()[k] <= 23 && s.Elapsed()[k] >= 0,
          kTarget, "a sample out of range");

  // A restored run's journal is written anew and must read back exactly.
  if (n == 0) return;
  const std::string written = FormatJournal(content.record);
  const JournalContent again = ParseRunJournal(written, MeasurementReadContext{});
  Check(again.state == JournalContent::State::kWhole, kTarget, "a written journal is not whole");
  Check(FormatJournal(again.record) == written, kTarget,
        "a written journal does not read back equal");
}

}  // namespace corvala::fuzz
