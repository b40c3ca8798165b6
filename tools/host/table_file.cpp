// A table file's structure as the host reads it; see the header.
#include "table_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "engine/structure.h"
#include "os.h"
#include "support/field_names.h"
#include "support/file_names.h"

namespace quillon_host {

namespace {

namespace engine = quillon::engine;

// The table file, read as the engine reads the one it opens.
class FileOnDisk final : public engine::StructureSource {
 public:
  explicit FileOnDisk(const std::string& path) : file_(path, std::ios::binary) {}
  bool IsOpen() const { return file_.is_open(); }
  bool Read(uint64_t offset, uint8_t* into, size_t length, size_t* got) override {
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset));
    file_.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(length));
    *got = static_cast<size_t>(file_.gcount());
    return !file_.bad();
  }
  bool Size(uint64_t* size) override {
    file_.clear();
    file_.seekg(0, std::ios::end);
    const std::streamoff end = file_.tellg();
    *size = static_cast<uint64_t>(end);
    return end >= 0;
  }

 private:
  std::ifstream file_;
};

struct CodePage {
  uint8_t byte;
  const char* name;
};

constexpr uint8_t kNoCodePage = 0x00;
constexpr uint8_t kDos866Russian = 0x26;
constexpr uint8_t kDos866 = 0x65;
constexpr uint8_t kWindows1251 = 0xC9;
constexpr const char* kDos866Name = "DOS Russian (code page 866)";
constexpr const char* kWindows1251Name = "Windows-1251";

// The code pages dBase-family writers name in header byte 29.
constexpr CodePage kCodePages[] = {
    {0x01, "DOS USA (code page 437)"},
    {0x02, "DOS multilingual (code page 850)"},
    {0x03, "Windows Western European (code page 1252)"},
    {kDos866Russian, kDos866Name},
    {0x57, "the system's ANSI code page"},
    {0x64, "DOS Eastern European (code page 852)"},
    {kDos866, kDos866Name},
    {0x66, "DOS Nordic (code page 865)"},
    {0x96, "Macintosh Cyrillic"},
    {0xC8, "Windows Eastern European (code page 1250)"},
    {kWindows1251, kWindows1251Name},
    {0xCA, "Windows Turkish (code page 1254)"},
    {0xCB, "Windows Greek (code page 1253)"},
};

std::string Hex(uint8_t byte) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", byte);
  return hex;
}

}  // namespace

TableShape ReadTableFacts(const std::string& path, TableFacts& facts) {
  FileOnDisk file(path);
  if (!file.IsOpen()) return TableShape::kUnreadable;
  uint64_t size = 0;
  if (!file.Size(&size)) return TableShape::kUnreadable;
  if (size < engine::kHeaderSize) return TableShape::kTooShort;
  const engine::TableStructure s = engine::ReadTableStructure(file);
  if (s.verdict == engine::StructureVerdict::kRefused) return TableShape::kNotATable;
  facts.version = s.header.version;
  facts.year = engine::FullYear(s.header.lastUpdate[0]);
  facts.month = s.header.lastUpdate[1];
  facts.day = s.header.lastUpdate[2];
  facts.codePage = engine::CodePageOf(s.header);
  facts.fields.clear();
  for (int32_t i = 1; i <= s.fieldCount; ++i) {
    const engine::DbfFieldDesc& desc = s.fields[static_cast<size_t>(i)];
    facts.fields.push_back({quillon::support::ListedFieldName(desc.name),
                            static_cast<char>(desc.type), desc.width, desc.decimals});
  }
  return TableShape::kTable;
}

bool IsMemoField(const FieldFacts& field) {
  return engine::FieldTypeOfLetter(static_cast<uint8_t>(field.type)) == engine::kMemoField;
}

std::vector<int32_t> DeletedRecords(const std::string& path) {
  std::vector<int32_t> deleted;
  FileOnDisk file(path);
  if (!file.IsOpen()) return deleted;
  const engine::TableStructure s = engine::ReadTableStructure(file);
  if (s.verdict == engine::StructureVerdict::kRefused) return deleted;
  const size_t recordLength = s.header.recordLength;
  // Whole records are read in large pieces: one read per record would cost
  // a system call each on a table of many thousands.
  constexpr size_t kPiece = 1 << 16;
  const size_t perPiece = std::max<size_t>(1, kPiece / recordLength);
  std::vector<uint8_t> piece(perPiece * recordLength);
  const uint32_t count = s.header.recordCount;
  for (uint32_t first = 0; first < count; first += static_cast<uint32_t>(perPiece)) {
    const size_t wanted = std::min<size_t>(perPiece, count - first);
    size_t got = 0;
    const uint64_t at = s.header.headerLength + uint64_t{first} * recordLength;
    if (!file.Read(at, piece.data(), wanted * recordLength, &got) || got == 0) break;
    // A last record the file ends inside still has its flag byte.
    for (size_t i = 0; i * recordLength < got; ++i) {
      if (piece[i * recordLength] == engine::kDeletedFlag) {
        deleted.push_back(static_cast<int32_t>(first + i + 1));
      }
    }
  }
  return deleted;
}

std::string VersionName(uint8_t version) {
  const char* memos = "the library reads no memo texts for this version";
  switch (engine::MemoLayoutOf(version)) {
    case engine::MemoLayout::kFixed:
      memos = "memo texts, if any, in 512-byte blocks";
      break;
    case engine::MemoLayout::kSized:
      memos = engine::HasBinaryMemoPointers(version)
                  ? "memo texts, if any, in blocks that carry their size; block numbers stored as "
                    "binary"
                  : "memo texts, if any, in blocks that carry their size";
      break;
    case engine::MemoLayout::kNone:
      break;
  }
  return Hex(version) + " (" + memos + ")";
}

MemoFileState MemoFileOf(const std::string& table, const std::string& memo) {
  MemoFileState state;
  if (memo.empty() || memo == table) {
    state.problem =
        "none: the file name holds no \"dbf\" to name one after, so the memo fields read as empty";
    return state;
  }
  if (KindOfFile(memo) == FileKind::kFile) {
    state.found = true;
    return state;
  }
  state.problem = memo + " is missing, so the memo fields read as empty";
  std::string foxPro = table;
  if (quillon::support::ReplaceInFileName(foxPro, "dbf", "fpt") &&
      KindOfFile(foxPro) == FileKind::kFile) {
    state.problem += "; " + foxPro +
                     " is there, a FoxPro-style memo file, which the plug-in does not open: to "
                     "read its texts, copy it to " +
                     memo + " (edits then go into the copy only)";
  }
  return state;
}

std::string CodePageWarning(uint8_t codePage, TableEncoding shownAs) {
  if (codePage == kNoCodePage) return {};
  const bool dos866 = codePage == kDos866 || codePage == kDos866Russian;
  const bool shown866 = shownAs == TableEncoding::kDos866;
  if (dos866 ? shown866 : codePage == kWindows1251 && !shown866) return {};
  const auto known = std::find_if(std::begin(kCodePages), std::end(kCodePages),
                                  [&](const CodePage& page) { return page.byte == codePage; });
  const std::string named =
      known != std::end(kCodePages) ? known->name : "a code page the host does not know";
  std::string warning = "the header's code-page byte (" + Hex(codePage) +
                        ") says the texts are in " + named + ", not " +
                        (shown866 ? kDos866Name : kWindows1251Name) +
                        ", so they may show wrongly";
  if (dos866) warning += ": start quillon-host with --table-encoding cp866 to show them rightly";
  if (codePage == kWindows1251) warning += ": start quillon-host without --table-encoding cp866";
  return warning;
}

std::string WhyNotOpened(const std::string& path) {
  switch (KindOfFile(path)) {
    case FileKind::kMissing:
      return "there is no file " + path;
    case FileKind::kFolder:
      return path + " is a folder, not a table file";
    case FileKind::kFile:
      break;
  }
  if (HeldForWriting(path)) {
    return path +
           " is held by another program, which is writing it: close it there and open it again";
  }
  TableFacts facts;
  switch (ReadTableFacts(path, facts)) {
    case TableShape::kUnreadable:
      return path + " cannot be read (you may not have the right to read it)";
    case TableShape::kTooShort:
      return path + " is not a dBase table: it is too short to hold a header";
    case TableShape::kNotATable:
      return path +
             " is not a dBase table, or a damaged one: its header and field list do not hold "
             "together, so the plug-in keeps it closed and writes nothing into it";
    case TableShape::kTable:
      break;
  }
  const std::string journal = quillon::support::JournalName(path);
  if (KindOfFile(journal) != FileKind::kMissing) {
    return path + " was being changed when the change was cut off, and its journal " + journal +
           " cannot be put back now, so the plug-in keeps the table closed until it can (leave the "
           "journal where it is)";
  }
  return path + " was left closed by the plug-in, although its header and field list hold together";
}

}  // namespace quillon_host
