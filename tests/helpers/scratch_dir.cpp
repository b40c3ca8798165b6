#include "helpers/scratch_dir.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "helpers/system_files.h"

namespace quillon::testing {

namespace {

std::string Native(std::string name) {
  for (char& c : name) {
    if (c == '/') c = kSeparator;
  }
  return name;
}

}  // namespace

ScratchDir::ScratchDir() {
  const std::string base = SystemTempFolder();
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const std::string candidate = base + kSeparator + "quillon-test-" + std::to_string(random());
    if (MakeFolder(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("cannot make a scratch folder in " + base);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string ScratchDir::File(const std::string& name) const {
  return path_ + kSeparator + Native(name);
}

std::string ScratchDir::Folder(const std::string& name) const {
  if (!MakeFolder(File(name))) throw std::runtime_error("cannot make the folder " + File(name));
  return File(name);
}

std::string ScratchDir::Write(const std::string& name, const std::string& bytes) const {
  WriteWholeFile(File(name), bytes);
  return File(name);
}

std::string ScratchDir::Read(const std::string& name) const { return ReadWholeFile(File(name)); }

bool ScratchDir::Exists(const std::string& name) const { return IsFile(File(name)); }

std::string ScratchDir::CopyFixture(const std::string& fixture, const std::string& as) const {
  return Write(as, ReadWholeFile(FixturePath(fixture)));
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string FixturePath(const std::string& name) {
  return std::string(QUILLON_FIXTURES_DIR) + "/" + name;
}

}  // namespace quillon::testing
