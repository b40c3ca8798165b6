#include "engine/write_behind.h"

#include <algorithm>
#include <cstring>
#include <iterator>


namespace quillon::engine {

namespace {

constexpr size_t kWriteOutBytes = size_t{256} << 10;
// The first block holds the headers, which are read and rewritten after
// every append: it stays gathered across write-outs.
constexpr uint64_t kFirstBlock = 512;
// A file grown by more than this is not filled with gathered zeros: the
// bytes past the file's end read as zeros anyway.
constexpr uint64_t kLargestZeroFill = 64 << 10;

}  // namespace

WriteBehindFile::WriteBehindFile(std::unique_ptr<platform::File> file, bool* failed)
    : file_(std::move(file)), failed_(failed) {}

WriteBehindFile::~WriteBehindFile() {
  if (!WriteOut()) *failed_ = true;
}

bool WriteBehindFile::FirstStart() {
  if (*failed_) return false;
  if (started_) return true;
  if (!file_->Size(&fileSize_)) return false;
  size_ = readable_ = fileSize_;
  std::vector<uint8_t> first(static_cast<size_t>(std::min(fileSize_, kFirstBlock)));
  size_t got = 0;
  if (!file_->ReadAt(0, first.data(), first.size(), &got) || got != first.size()) return false;
  started_ = true;
  if (!first.empty()) Gather(0, first.data(), first.size());
  return true;
}

bool WriteBehindFile::Seek(uint64_t offset) {
  position_ = offset;
  return !*failed_;
}

bool WriteBehindFile::ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) {
  position_ = offset;
  return Read(buffer, n, got);
}

bool WriteBehindFile::Read(void* buffer, size_t n, size_t* got) {
  *got = 0;
  if (!Start()) return false;
  if (position_ >= size_) return true;
  n = static_cast<size_t>(std::min<uint64_t>(n, size_ - position_));
  auto* out = static_cast<uint8_t*>(buffer);
  auto it = gathered_.upper_bound(position_);
  if (it != gathered_.begin()) --it;
  const bool within = it != gathered_.end() && it->first <= position_ &&
                      position_ + n <= it->first + it->second.size();
  if (!within) {
    // The file's own bytes where they still count, zeros past them, and
    // the gathered stretches over both.
    std::memset(out, 0, n);
    if (position_ < readable_) {
      const size_t own = static_cast<size_t>(std::min<uint64_t>(n, readable_ - position_));
      size_t read = 0;
      if (!file_->ReadAt(position_, out, own, &read)) return false;
    }
  }
  for (; it != gathered_.end() && it->first < position_ + n; ++it) {
    const uint64_t from = std::max(it->first, position_);
    const uint64_t to = std::min<uint64_t>(it->first + it->second.size(), position_ + n);
    if (from < to) {
      std::memcpy(out + (from - position_), it->second.data() + (from - it->first),
                  static_cast<size_t>(to - from));
    }
  }
  position_ += n;
  *got = n;
  return true;
}

void WriteBehindFile::Gather(uint64_t at, const uint8_t* bytes, size_t n) {
  const uint64_t end = at + n;
  auto it = gathered_.upper_bound(at);
  if (it != gathered_.begin() && std::prev(it)->first + std::prev(it)->second.size() >= at) --it;
  // Most writes extend or overwrite the stretch they start in.
  if (it != gathered_.end() && it->first <= at) {
    const auto next = std::next(it);
    if (next == gathered_.end() || next->first > end) {
      std::vector<uint8_t>& bytesHeld = it->second;
      if (end > it->first + bytesHeld.size()) {
        gatheredBytes_ += static_cast<size_t>(end - it->first - bytesHeld.size());
        bytesHeld.resize(static_cast<size_t>(end - it->first));
      }
      std::memcpy(bytesHeld.data() + (at - it->first), bytes, n);
      return;
    }
  }
  uint64_t start = at;
  uint64_t stop = end;
  for (auto j = it; j != gathered_.end() && j->first <= end; ++j) {
    start = std::min(start, j->first);
    stop = std::max<uint64_t>(stop, j->first + j->second.size());
  }
  std::vector<uint8_t> joined;
  // A stretch at the end is where appends go on: it gets the room they will
  // take before the next write-out at once, rather than growing step by step.
  if (stop >= size_) joined.reserve(std::max(static_cast<size_t>(stop - start), kWriteOutBytes));
  joined.resize(static_cast<size_t>(stop - start));
  while (it != gathered_.end() && it->first <= end) {
    std::copy(it->second.begin(), it->second.end(),
              joined.begin() + static_cast<std::ptrdiff_t>(it->first - start));
    gatheredBytes_ -= it->second.size();
    it = gathered_.erase(it);
  }
  std::memcpy(joined.data() + (at - start), bytes, n);
  gatheredBytes_ += joined.size();
  gathered_.emplace(start, std::move(joined));
}

bool WriteBehindFile::Write(const void* buffer, size_t n) {
  if (!Start()) return false;
  Gather(position_, static_cast<const uint8_t*>(buffer), n);
  position_ += n;
  size_ = std::max(size_, position_);
  return gatheredBytes_ < kWriteOutBytes || WriteOut();
}

bool WriteBehindFile::Size(uint64_t* size) {
  if (!Start()) return false;
  *size = size_;
  return true;
}

bool WriteBehindFile::SetEnd() {
  if (!Start()) return false;
  const uint64_t end = position_;
  if (end < size_) {
    auto it = gathered_.lower_bound(end);
    if (it != gathered_.begin() && std::prev(it)->first + std::prev(it)->second.size() > end) {
      --it;
      gatheredBytes_ -= static_cast<size_t>(it->first + it->second.size() - end);
      it->second.resize(static_cast<size_t>(end - it->first));
      ++it;
    }
    while (it != gathered_.end()) {
      gatheredBytes_ -= it->second.size();
      it = gathered_.erase(it);
    }
    readable_ = std::min(readable_, end);
  } else if (end > size_ && end - size_ <= kLargestZeroFill && !gathered_.empty()) {
    // Zeros after the last stretch keep appends one stretch.
    auto last = std::prev(gathered_.end());
    if (last->first + last->second.size() == size_) {
      gatheredBytes_ += static_cast<size_t>(end - size_);
      last->second.resize(static_cast<size_t>(end - last->first));
    }
  }
  size_ = end;
  return gatheredBytes_ < kWriteOutBytes || WriteOut();
}

bool WriteBehindFile::Flush() { return WriteOut() && file_->Flush(); }

bool WriteBehindFile::WriteOut() {
  if (*failed_) return false;
  if (!started_) return true;
  // A cut comes first: the bytes past it count for nothing.
  bool written = readable_ >= fileSize_ || (file_->Seek(readable_) && file_->SetEnd());
  for (const auto& [at, bytes] : gathered_) {
    written = written && file_->Seek(at) && file_->Write(bytes.data(), bytes.size());
  }
  written = written && file_->Seek(size_) && file_->SetEnd();
  fileSize_ = readable_ = size_;
  for (auto it = gathered_.begin(); it != gathered_.end();) {
    if (it->first == 0) {
      const size_t kept = static_cast<size_t>(std::min<uint64_t>(it->second.size(), kFirstBlock));
      gatheredBytes_ -= it->second.size() - kept;
      it->second.resize(kept);
      ++it;
      continue;
    }
    gatheredBytes_ -= it->second.size();
    it = gathered_.erase(it);
  }
  if (!written) *failed_ = true;
  return written;
}

}  // namespace quillon::engine
