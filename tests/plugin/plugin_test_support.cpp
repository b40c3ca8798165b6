#include "plugin/plugin_test_support.h"

#include "helpers/table_bytes.h"

namespace quillon::testing {

void PluginSession::SetUp() { ASSERT_TRUE(library_->loaded()) << library_->failure(); }

void PluginSession::TearDown() {
  if (library_ == nullptr) return;
  EXPECT_EQ(library_->TakeMessages(), std::vector<std::string>{}) << "messages nobody expected";
}

void PluginSession::Unload() {
  if (library_ == nullptr) return;
  EXPECT_EQ(library_->TakeMessages(), std::vector<std::string>{}) << "messages nobody expected";
  library_.reset();
}

void PluginSession::Reload() {
  Unload();
  library_ = std::make_unique<PluginLibrary>();
  ASSERT_TRUE(library_->loaded()) << library_->failure();
}

void PluginSession::ExpectMessages(const std::vector<std::string>& expected) {
  EXPECT_EQ(library_->TakeMessages(), expected);
}

std::string ThreeRecords() {
  TableBytes t;
  t.fields = {{"NAME", 'C', 10}, {"AGE", 'N', 3}};
  t.AddValues({"North", " 42"});
  t.AddValues({"South", "  7"});
  t.AddValues({"East", "100"});
  t.afterRecords = "\x1A";
  return t.Build();
}

std::string Item(const std::string& list, int place) {
  size_t start = 0;
  for (int i = 0; i < place && start != std::string::npos; ++i) {
    start = list.find('|', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos) return "<no item " + std::to_string(place) + ">";
  return list.substr(start, list.find('|', start) - start);
}

}  // namespace quillon::testing
