#pragma once
#include <QWidget>

#include "station/prompts.h"

namespace corvala {

// Message boxes with the caption "Meldung" and the desktop's file dialogs.
class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent) : parent_(parent) {}
  bool AskOkCancel(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool ChooseOpenFile(const std::string& extension, std::string& path) override;
  bool ChooseSaveFile(const std::string& extension, std::string& path) override;
  void ShowNotice(const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace corvala
