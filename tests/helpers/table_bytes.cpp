#include "helpers/table_bytes.h"

namespace quillon::testing {

namespace {

void PutU32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

void PutU16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

}  // namespace

uint16_t TableBytes::RecordLength() const {
  if (recordLength) return *recordLength;
  int sum = 1;
  for (const auto& f : fields) sum += f.width;
  return static_cast<uint16_t>(sum);
}

uint16_t TableBytes::HeaderLength() const {
  if (headerLength) return *headerLength;
  return static_cast<uint16_t>(32 + 32 * fields.size() + 1 + afterTerminator.size());
}

std::string TableBytes::Build() const {
  std::string out(32, '\0');
  out[0] = static_cast<char>(version);
  out[1] = static_cast<char>(year);
  out[2] = static_cast<char>(month);
  out[3] = static_cast<char>(day);
  PutU32(out, 4, recordCount.value_or(static_cast<uint32_t>(records.size())));
  PutU16(out, 8, HeaderLength());
  PutU16(out, 10, RecordLength());
  uint32_t offset = 0;
  for (const auto& f : fields) {
    std::string d(32, '\0');
    d.replace(0, std::min<size_t>(f.name.size(), 11), f.name.substr(0, 11));
    d[11] = f.type;
    PutU32(d, 12, offset);
    d[16] = static_cast<char>(f.width);
    d[17] = static_cast<char>(f.decimals);
    out += d;
    offset += static_cast<uint32_t>(f.width);
  }
  out += '\x0D';
  out += afterTerminator;
  for (size_t i = 0; i < records.size(); ++i) {
    std::string r(1, i < flags.size() ? flags[i] : ' ');
    r += records[i];
    r.resize(RecordLength(), ' ');
    out += r;
  }
  out += afterRecords;
  return out;
}

void TableBytes::AddValues(const std::vector<std::string>& values) {
  std::string record;
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string value = i < values.size() ? values[i] : "";
    value.resize(static_cast<size_t>(fields[i].width), ' ');
    record += value;
  }
  records.push_back(record);
}

uint32_t U32At(const std::string& b, size_t at) {
  if (b.size() < 4 || at > b.size() - 4) return 0;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return v;
}

uint16_t U16At(const std::string& b, size_t at) {
  if (b.size() < 2 || at > b.size() - 2) return 0;
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

}  // namespace quillon::testing
