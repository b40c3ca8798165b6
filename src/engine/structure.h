// How a table file's structure is read: its header, its field descriptors,
// what its version byte means for memo texts, and what its header date
// stands for. The engine reads a table it opens this way, and the console
// host reads a table it describes the same way, so the host never tells a
// person anything about a table that the library does not see.
//
// Promises: nothing here reads more than the descriptors a list may hold,
// whatever the file contains, and a structure is judged the same way
// whoever reads it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/format.h"

namespace quillon::engine {

// What a field's type letter makes of it.
enum FieldType : uint8_t {
  kOtherField = 0,
  kCharacterField = 1,
  kDateField = 2,
  kNumericField = 3,
  kLogicalField = 4,
  kMemoField = 5,
};
FieldType FieldTypeOfLetter(uint8_t letter);

// How a table's memo texts are kept, by its version byte: fixed 512-byte
// blocks ended by 0x1A 0x1A, blocks that carry their size and the text's
// length, or none (the library reads no memo texts for such a version).
enum class MemoLayout { kNone, kFixed, kSized };
MemoLayout MemoLayoutOf(uint8_t version);
// Whether memo fields hold their block number as four binary bytes rather
// than as decimal text.
bool HasBinaryMemoPointers(uint8_t version);

// The year a header's year byte (the year modulo 100, as the library writes
// it) stands for: 2000 and up below 80, 1900 and up from 80 on.
int FullYear(uint8_t yearByte);

// Where the structure's bytes come from: a table file opened by the engine,
// or one the host reads.
class StructureSource {
 public:
  virtual ~StructureSource() = default;
  // Reads up to `length` bytes at `offset`, telling how many arrived; false
  // when the read failed.
  virtual bool Read(uint64_t offset, uint8_t* into, size_t length, size_t* got) = 0;
  virtual bool Size(uint64_t* size) = 0;
};

enum class StructureVerdict {
  // The header is incomplete, the descriptor list has no end within the
  // file or more entries than the engine holds, a record is empty or larger
  // than the record buffer, or records would overlap the descriptors: the
  // table cannot be held safely and stays closed.
  kRefused,
  // The field widths do not add up to the record length: readable, never
  // written, since an edit would land in a neighbouring field or record.
  kReadOnly,
  kHeld,
};

// A descriptor that could not be read whole (the read failed, or came back
// short), for the error the engine records; the last one counts.
enum class DescriptorTrouble { kNone, kReadFailed, kShort };

struct TableStructure {
  StructureVerdict verdict = StructureVerdict::kRefused;
  // Its record count is cut to the records the file really holds.
  DbfHeader header;
  int32_t fieldCount = 0;
  // Entries 1 to fieldCount; names upper-cased, offsets the 1-based
  // position in the record (the deletion flag is position 1).
  std::array<DbfFieldDesc, kMaxFields + 1> fields{};
  DescriptorTrouble trouble = DescriptorTrouble::kNone;
  int32_t troubledField = 0;
};

TableStructure ReadTableStructure(StructureSource& source);

}  // namespace quillon::engine
