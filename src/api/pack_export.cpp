// memopak: rebuilds the table and its memo file. Every record is copied,
// field by field, into a new table in the temporary folder, so that the new
// memo file holds only the texts the records still refer to. The old files
// are copied to backups beside them ("baz", "mem"), the rebuilt ones copied
// over them, and the table opened again.
//
// The rebuild trims values, normalises definitions and renumbers memo
// blocks, and any of that could lose data a table from another program
// holds. So every record is read back from the copy and compared with what
// the read exports showed before; the old files are replaced only when the
// copy is faithful and complete and every backup it needs was made, and
// never one file of the pair without the other. Backups are complete before
// anything is replaced, and the replacement is one change that names them,
// so one cut off is put back from them at the next open.
#include <string>
#include <vector>

#include "api/field_values.h"
#include "engine/creation.h"
#include "engine/cursor.h"
#include "engine/fields.h"
#include "engine/memo.h"
#include "engine/records.h"
#include "engine/table.h"
#include "host/library.h"
#include "host/messages.h"
#include "platform/platform.h"
#include "quillon.h"
#include "support/field_names.h"
#include "support/file_names.h"

namespace {

namespace engine = quillon::engine;
namespace host = quillon::host;
namespace support = quillon::support;
using engine::DbfTable;
using engine::EngineError;

struct PackFiles {
  std::string table;
  std::string tableBackup;
  std::string memo;  // empty: the table has no memo file
  std::string memoBackup;
  std::string tempFolder;  // empty: no safe temporary folder
  std::string tempTable;
  std::string tempMemo;
  bool HasMemo() const { return !memo.empty(); }
};

PackFiles WorkOutFiles(const DbfTable& t) {
  PackFiles f;
  f.table = t.fileName;
  f.tableBackup = support::BackupName(t.fileName, "dbf", "baz");
  f.memo = t.memoFileName;
  if (f.HasMemo()) f.memoBackup = support::BackupName(t.memoFileName, "dbt", "mem");
  if (!quillon::platform::Current().TempFolder(&f.tempFolder)) f.tempFolder.clear();
  f.tempTable = f.tempFolder + "temp.dbf";
  f.tempMemo = f.tempFolder + "temp.dbt";
  return f;
}

// Copies one record's values into the copy's new record. False when a value
// may not arrive: a memo text that could not be read or stored, a memo field
// whose text cannot be read (no memo file is open), or a field of another
// type that points into the memo file.
bool CopyValues(DbfTable& resident, DbfTable& copy, std::vector<std::string>& values) {
  const bool memoReadable = resident.memoFile != nullptr;
  bool whole = true;
  for (int32_t f = 1; f <= resident.fieldCount; ++f) {
    const bool memo = quillon::api::IsMemoField(resident, f);
    std::string& value = values[static_cast<size_t>(f)];
    bool read = true;
    value = quillon::api::ExportedValue(resident, f, &read);
    if (!read || (engine::HasMemoPointer(resident, f) && (!memo || !memoReadable))) whole = false;
    if (memo && memoReadable) {
      if (!engine::SetMemoText(copy, f, value)) whole = false;
    } else if (!memo) {
      engine::PutFieldByNumber(copy, f, quillon::api::FieldValueCut(value));
    }
  }
  return whole;
}

// Whether every field of the copy is found by the names that found it in the
// resident table: a rebuilt definition trims and upper-cases names, and a
// host that asks for a field by its old name must still get it.
bool SameFieldNames(DbfTable& resident, DbfTable& copy) {
  if (copy.fieldCount != resident.fieldCount) return false;
  for (int32_t f = 1; f <= resident.fieldCount; ++f) {
    if (support::LookupFieldName(engine::FieldName(copy, f)) !=
        support::LookupFieldName(engine::FieldName(resident, f))) {
      return false;
    }
  }
  return true;
}

// Copies every record of the resident table into the copy table and reads
// each one back. False when any value may not have arrived exactly as the
// read exports showed it: cut or refused by the copy's definitions, a memo
// text that could not be read or written, a memo the copy cannot hold.
bool CopyRecords(DbfTable& resident, DbfTable& copy) {
  if (!resident.isOpen || !copy.isOpen || !SameFieldNames(resident, copy)) return false;
  std::vector<std::string> values(static_cast<size_t>(resident.fieldCount) + 1);
  const uint32_t count = resident.header.recordCount;
  bool faithful = true;
  for (uint32_t i = 1; i <= count && faithful; ++i) {
    engine::GoToRecord(resident, i);
    faithful = !resident.bufferIsStandIn && engine::AppendBlank(copy) &&
               CopyValues(resident, copy, values);
    // Reading the record back from the file writes it first.
    engine::GoToRecord(copy, i);
    faithful = faithful && !copy.bufferIsStandIn;
    for (int32_t f = 1; f <= resident.fieldCount && faithful; ++f) {
      bool read = true;
      faithful = quillon::api::ExportedValue(copy, f, &read) == values[static_cast<size_t>(f)] &&
                 read;
    }
  }
  return faithful && copy.header.recordCount == count;
}

// Steps 2 to 6: the rebuilt copy in the temporary folder. False when it is
// not complete, or when this call did not make it.
bool Rebuild(DbfTable& resident, const PackFiles& files) {
  if (files.tempFolder.empty()) return false;
  auto& os = quillon::platform::Current();
  // Leftovers of an earlier run must never be taken for this call's copy.
  os.DeleteFile(files.tempTable);
  os.DeleteFile(files.tempMemo);
  const bool created = engine::CreateTableLike(resident, files.tempTable);
  // No one reads the copy before it is closed, so its many small writes are
  // gathered and written out in large pieces.
  bool writeOutFailed = false;
  auto copy = engine::NewDbfTable(files.tempTable, files.HasMemo() ? files.tempMemo : "");
  copy->scratchWriteOutFailed = &writeOutFailed;
  engine::SetActive(*copy, true);
  const bool complete = created && CopyRecords(resident, *copy);
  return engine::SetActive(*copy, false) && complete && !writeOutFailed;
}

struct Replacement {
  bool table = false;
  bool memo = false;
};

// Copies the rebuilt pair over the old one as one change. The backups,
// complete on the disk, hold the old bytes: a replacement that fails is put
// back from them at once, one cut off at the next open, so the pair is
// never left half old and half new. Says which file was replaced for good.
Replacement ReplacePair(const PackFiles& files) {
  auto& os = quillon::platform::Current();
  using quillon::platform::OpenMode;
  auto table = os.Open(files.table, OpenMode::kReadWriteShareRead);
  auto memo = files.HasMemo() ? os.Open(files.memo, OpenMode::kReadWriteShareRead) : nullptr;
  Replacement done;
  if (table == nullptr) return done;
  engine::Change change({table.get(), memo.get(), files.table}, true);
  done.table = change.Replace(engine::FileRole::kTable, files.tempTable, files.tableBackup) ==
               engine::ChangeStatus::kOk;
  if (files.HasMemo()) {
    done.memo = done.table && memo != nullptr &&
                change.Replace(engine::FileRole::kMemo, files.tempMemo, files.memoBackup) ==
                    engine::ChangeStatus::kOk;
    // The new table's memo pointers mean nothing in the old memo file.
    if (!done.memo) change.Fail();
  }
  if (change.Commit() != engine::Change::Outcome::kMade) {
    // Told as the last file that could not be made new.
    (files.HasMemo() ? done.memo : done.table) = false;
  }
  return done;
}

std::string ReplaceFailed(const std::string& from, const std::string& to) {
  return std::string(host::kReplaceFailedBefore) + from + std::string(host::kReplaceFailedBetween) +
         to;
}

void PackTable() {
  DbfTable* resident = host::ResidentTable();
  if (resident == nullptr) return;
  auto& os = quillon::platform::Current();
  const PackFiles files = WorkOutFiles(*resident);
  const bool rebuilt = Rebuild(*resident, files);
  engine::SetActive(*resident, false);

  // A copy that lost anything replaces nothing, and leaves the backups of an
  // earlier run alone too: they may be the only good copy left.
  bool tableBackedUp = false;
  bool memoBackedUp = false;
  if (rebuilt) {
    tableBackedUp = os.CopyFile(files.table, files.tableBackup);
    if (!tableBackedUp) os.ShowMessage(std::string(host::kBackupTableFailed));
    memoBackedUp = !files.HasMemo() || os.CopyFile(files.memo, files.memoBackup);
    if (!memoBackedUp) os.ShowMessage(std::string(host::kBackupMemoFailed));
  }

  const Replacement replaced =
      rebuilt && tableBackedUp && memoBackedUp ? ReplacePair(files) : Replacement{};
  if (!replaced.table) os.ShowMessage(ReplaceFailed(files.tempTable, files.table));
  if (files.HasMemo() && !replaced.memo) {
    os.ShowMessage(ReplaceFailed(files.tempMemo, files.memo));
  }

  if (!files.tempFolder.empty()) {
    os.DeleteFile(files.tempTable);
    if (files.HasMemo()) os.DeleteFile(files.tempMemo);
  }
  os.ShowMessage(std::string(host::kTablePacked));
  engine::SetActive(*resident, true);
}

}  // namespace

void memopak() { host::Guarded(PackTable); }
