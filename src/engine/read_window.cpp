#include "engine/read_window.h"

#include <algorithm>
#include <cstring>

#include "engine/fast_paths.h"

namespace quillon::engine {

WindowedFile::WindowedFile(std::unique_ptr<platform::File> file, size_t windowBytes)
    : file_(std::move(file)), window_(windowBytes) {}

// Positions are kept here and given to the file only when it is used, so
// that reads from the window cost no call at all.
bool WindowedFile::Seek(uint64_t offset) {
  position_ = offset;
  return true;
}

bool WindowedFile::ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) {
  position_ = offset;
  return Read(buffer, n, got);
}

bool WindowedFile::PlaceFile() {
  if (filePositionKnown_ && filePosition_ == position_) return true;
  filePositionKnown_ = file_->Seek(position_);
  filePosition_ = position_;
  return filePositionKnown_;
}

// A read that carries on from inside the last fill or right after it reads
// twice as far ahead as that fill did, up to the window's size; any other
// read fetches only what it asks for, so that records read here and there
// cost one call each, as they would without the window.
bool WindowedFile::Fill(size_t n) {
  const bool carriesOn =
      lastFillEnd_ != UINT64_MAX && position_ >= start_ && position_ <= lastFillEnd_;
  fill_ = carriesOn ? std::min(window_.size(), std::max(2 * fill_, n)) : n;
  Forget();
  filePositionKnown_ = false;
  size_t got = 0;
  if (!file_->ReadAt(position_, window_.data(), fill_, &got)) return false;
  start_ = position_;
  held_ = got;
  reachesEnd_ = got < fill_;
  lastFillEnd_ = start_ + held_;
  return true;
}

bool WindowedFile::Read(void* buffer, size_t n, size_t* got) {
  *got = 0;
  const uint64_t heldEnd = start_ + held_;
  const bool covered = position_ >= start_ && (held_ > 0 || reachesEnd_) &&
                       (position_ + n <= heldEnd || (reachesEnd_ && position_ <= heldEnd));
  if (!covered) {
    // A read as large as the window goes straight to the file.
    if (n >= window_.size()) {
      filePositionKnown_ = false;
      const bool ok = file_->ReadAt(position_, buffer, n, got);
      position_ += *got;
      return ok;
    }
    if (!Fill(n)) return false;
  }
  const size_t from = static_cast<size_t>(position_ - start_);
  const size_t given = std::min(n, held_ - from);
  std::memcpy(buffer, window_.data() + from, given);
  position_ += given;
  *got = given;
  return true;
}

bool WindowedFile::Write(const void* buffer, size_t n) {
  if (!PlaceFile() || !file_->Write(buffer, n)) {
    // What part of it reached the file is unknown.
    Forget();
    filePositionKnown_ = false;
    sizeKnown_ = false;
    return false;
  }
  const uint64_t heldEnd = start_ + held_;
  if (position_ >= start_ && position_ + n <= heldEnd) {
    std::memcpy(window_.data() + (position_ - start_), buffer, n);
  } else if (position_ + n > start_ && (position_ < heldEnd || reachesEnd_)) {
    // It covers part of the window, or makes the file longer than the
    // window says.
    Forget();
  }
  position_ += n;
  filePosition_ += n;
  size_ = std::max(size_, position_);
  return true;
}

// Only the library changes the file's length while it holds it open, so
// the length it was told once stays known through its own writes and cuts.
bool WindowedFile::Size(uint64_t* size) {
  if (!sizeKnown_) sizeKnown_ = file_->Size(&size_);
  *size = size_;
  return sizeKnown_;
}

bool WindowedFile::SetEnd() {
  Forget();
  // Cutting a file at its own length changes nothing.
  if (sizeKnown_ && size_ == position_) return true;
  sizeKnown_ = PlaceFile() && file_->SetEnd();
  size_ = position_;
  return sizeKnown_;
}

bool WindowedFile::Flush() { return file_->Flush(); }

std::unique_ptr<platform::File> ReadThroughWindow(std::unique_ptr<platform::File> file) {
  const size_t bytes = CurrentFastPaths().readWindowBytes;
  if (file == nullptr || bytes == 0) return file;
  return std::make_unique<WindowedFile>(std::move(file), bytes);
}

}  // namespace quillon::engine
