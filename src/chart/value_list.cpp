#include "chart/value_list.h"

#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {

ValueListRow ValueListTexts(int32_t elapsed, float pressure, int32_t unit, bool lightOn) {
  const double p = pressure;
  return {FormatHms(elapsed), unit == 2 ? Format("%4.2f", p) : Format("%4.1f", p),
          lightOn ? "on" : "off"};
}

}  // namespace corvala
