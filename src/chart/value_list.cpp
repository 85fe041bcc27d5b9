#include "chart/value_list.h"

#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {

ValueListRow ValueListTexts(int32_t elapsed, double pressure, int32_t unit, bool lightOn) {
  return {FormatHms(elapsed), unit == 2 ? Format("%4.2f", pressure) : Format("%4.1f", pressure),
          lightOn ? "on" : "off"};
}

ValueListRow ValueListRowOf(const Sample& sample, float offset, int32_t runUnit, int32_t shownUnit,
                            FactorPair pair) {
  const double shown =
      ConvertPressure(sample.pressure - offset, runUnit, shownUnit, pair.factor1, pair.factor2);
  return ValueListTexts(sample.elapsed, shown, shownUnit, sample.light == 1);
}

}  // namespace corvala
