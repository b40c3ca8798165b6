// loaddb: points the resident table at the table file named in the text slot
// and opens it, with the memo file beside it when there is one.
#include <string>

#include "engine/table.h"
#include "host/library.h"
#include "host/messages.h"
#include "platform/platform.h"
#include "quillon.h"
#include "support/file_names.h"

namespace quillon::host {

namespace {

void LoadTable() {
  engine::DbfTable* table = ResidentTable();
  if (table == nullptr || TheSlots() == nullptr) return;
  auto& os = platform::Current();
  std::string& slot = TheSlots()->file;
  if (!os.IsExistingFile(slot)) {
    os.ShowMessage(MissingFileMessage(kTableMissingBefore, slot));
    return;
  }
  engine::SetActive(*table, false);
  table->fileName = slot;
  const std::string memo = support::MemoFileName(slot);
  if (!memo.empty()) slot = memo;
  table->memoFileName = !memo.empty() && os.IsExistingFile(memo) ? memo : "";
  engine::SetActive(*table, true);
}

}  // namespace

}  // namespace quillon::host

void loaddb() { quillon::host::Guarded(quillon::host::LoadTable); }
