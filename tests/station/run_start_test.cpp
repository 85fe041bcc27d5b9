#include "station/run_start.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(RunStart, StartAsksBeforeUnsavedDataIsOverwritten) {
  Station s;
  ScriptedPrompts prompts;
  OnStart(s, {true, false, true}, prompts);
  EXPECT_TRUE(prompts.asked.empty());  // saved records need no question
  EXPECT_EQ(s.m_link.commands.m_runCommand, 79 + 5);

  Station t;
  t.m_run[1].m_running = 1;
  for (int c : {0, 1, 2}) t.m_chamber[c].Access([](ChamberRecord& r) { r.saved = 0; });
  prompts.answers = {false, true};
  OnStart(t, {true, true, true}, prompts);
  // A running chamber is not restarted, so it is not asked about.
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{
                               "Unsaved measurement datas in chamber 1 will be overwritten!",
                               "Unsaved measurement datas in chamber 3 will be overwritten!"}));
  EXPECT_FALSE(t.m_chamber[0].Snapshot().runRequested);  // Cancel leaves chamber I alone
  EXPECT_TRUE(t.m_chamber[2].Snapshot().runRequested);
  EXPECT_EQ(t.m_link.commands.m_runCommand, 79 + 2 + 4);
}

}  // namespace
}  // namespace corvala
