#include "station/prompts.h"

#include <cstdio>

namespace corvala {
namespace {

void ToStandardError(const char* what, const std::string& text) {
  std::fprintf(stderr, "corvala3: %s%s\n", what, text.c_str());
  std::fflush(stderr);
}

}  // namespace

bool SilenceablePrompts::AskOkCancel(const std::string& text) {
  if (Silenced()) {
    ToStandardError("not asked while ending: ", text);
    return false;
  }
  return inner_.AskOkCancel(text);
}

bool SilenceablePrompts::AskYesNo(const std::string& text) {
  if (Silenced()) {
    ToStandardError("not asked while ending: ", text);
    return false;
  }
  return inner_.AskYesNo(text);
}

bool SilenceablePrompts::ChooseOpenFile(const std::string& extension, std::string& path) {
  return !Silenced() && inner_.ChooseOpenFile(extension, path);
}

bool SilenceablePrompts::ChooseSaveFile(const std::string& extension, std::string& path) {
  return !Silenced() && inner_.ChooseSaveFile(extension, path);
}

void SilenceablePrompts::ShowNotice(const std::string& text) {
  if (Silenced()) {
    ToStandardError("", text);
    return;
  }
  inner_.ShowNotice(text);
}

}  // namespace corvala
