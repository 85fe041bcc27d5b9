// The libFuzzer entry of one target; CORVALA_FUZZ_TARGET names its function.
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  corvala::fuzz::CORVALA_FUZZ_TARGET(data, size);
  return 0;
}
