#pragma once
// Property checks of the fuzz targets. A broken property is a finding: under
// libFuzzer the target aborts, so the input is kept as a crash; the regression
// test of tests/fuzz records it as a test failure instead.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvala::fuzz {

using FailureHandler = void (*)(const char* target, const std::string& what);

// Abort (the default) or the handler set here.
void SetFailureHandler(FailureHandler handler);
void Fail(const char* target, const std::string& what);

inline void Check(bool holds, const char* target, const std::string& what) {
  if (!holds) Fail(target, what);
}

// The fuzz input as text.
inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// One function per reader of outside input.
void FuzzDeviceLine(const uint8_t* data, size_t size);
void FuzzMeasurementFile(const uint8_t* data, size_t size);
void FuzzRunJournal(const uint8_t* data, size_t size);
void FuzzAnalysisFile(const uint8_t* data, size_t size);
void FuzzSettingsFile(const uint8_t* data, size_t size);
void FuzzCommandLine(const uint8_t* data, size_t size);
void FuzzWorkbook(const uint8_t* data, size_t size);

}  // namespace corvala::fuzz
