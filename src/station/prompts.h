#pragma once
// Questions, notices and file choices put to the user. The window implements
// them with message boxes ("Meldung") and file dialogs; tests script the answers.

#include <atomic>
#include <deque>
#include <string>
#include <vector>

namespace corvala {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // OK/Cancel question; true for OK.
  virtual bool AskOkCancel(const std::string& text) = 0;
  // Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // File dialogs with one filter "*.<extension>". The save dialog appends
  // ".<extension>" when the user typed no extension. False when cancelled.
  virtual bool ChooseOpenFile(const std::string& extension, std::string& path) = 0;
  virtual bool ChooseSaveFile(const std::string& extension, std::string& path) = 0;
  // A notice with an OK button (errors that must not pass silently).
  virtual void ShowNotice(const std::string& text) = 0;
  // True once the program is being ended by a signal: nobody is there to
  // answer, so an answer got from then on is no answer and must change nothing.
  virtual bool Silenced() const { return false; }
};

// Passes everything to another Prompts until Silence(); from then on nothing is
// asked: questions answer No or Cancel, file dialogs are cancelled and notices
// go to standard error, so that an end by a signal never waits on a dialog.
class SilenceablePrompts : public Prompts {
 public:
  explicit SilenceablePrompts(Prompts& inner) : inner_(inner) {}
  void Silence() { silenced_ = true; }
  bool Silenced() const override { return silenced_ || inner_.Silenced(); }

  bool AskOkCancel(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool ChooseOpenFile(const std::string& extension, std::string& path) override;
  bool ChooseSaveFile(const std::string& extension, std::string& path) override;
  void ShowNotice(const std::string& text) override;

 private:
  Prompts& inner_;
  std::atomic<bool> silenced_{false};
};

// Answers from a script, in order; records every text it was shown.
class ScriptedPrompts : public Prompts {
 public:
  std::deque<bool> answers;           // for AskOkCancel and AskYesNo; true when empty
  std::deque<std::string> filePaths;  // for the file dialogs; an empty path cancels
  std::vector<std::string> asked;     // every question and notice, in order

  bool AskOkCancel(const std::string& text) override { return Next(text); }
  bool AskYesNo(const std::string& text) override { return Next(text); }
  bool ChooseOpenFile(const std::string&, std::string& path) override { return NextPath(path); }
  bool ChooseSaveFile(const std::string&, std::string& path) override { return NextPath(path); }
  void ShowNotice(const std::string& text) override { asked.push_back(text); }

 private:
  bool Next(const std::string& text) {
    asked.push_back(text);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool NextPath(std::string& path) {
    if (filePaths.empty()) return false;
    path = filePaths.front();
    filePaths.pop_front();
    return !path.empty();
  }
};

}  // namespace corvala
