#include "fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace corvala::fuzz {
namespace {

FailureHandler g_handler = nullptr;

}  // namespace

void SetFailureHandler(FailureHandler handler) {
  g_handler = handler;
}

void Fail(const char* target, const std::string& what) {
  if (g_handler != nullptr) {
    g_handler(target, what);
    return;
  }
  std::fprintf(stderr, "%s: property broken: %s\n", target, what.c_str());
  std::abort();
}

}  // namespace corvala::fuzz
