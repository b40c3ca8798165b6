#include "helpers/json_lite.h"

#include <cstdlib>
#include <stdexcept>

namespace quillon::testing {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  Json Value() {
    Json v;
    if (Take('{')) {
      v.kind = Json::Kind::kObject;
      while (!Take('}')) {
        if (!v.members.empty()) Expect(',');
        std::string name = String();
        Expect(':');
        v.members.emplace_back(std::move(name), Value());
      }
    } else if (Take('[')) {
      v.kind = Json::Kind::kArray;
      while (!Take(']')) {
        if (!v.items.empty()) Expect(',');
        v.items.push_back(Value());
      }
    } else if (Peek() == '"') {
      v.kind = Json::Kind::kString;
      v.text = String();
    } else if (Word("true") || Word("false")) {
      v.kind = Json::Kind::kBool;
      v.boolean = text_[at_ - 4] == 't';  // "true", not "false"
    } else if (!Word("null")) {
      v.kind = Json::Kind::kNumber;
      const std::string rest(text_.substr(at_, 32));
      char* end = nullptr;
      v.number = std::strtod(rest.c_str(), &end);
      if (end == rest.c_str()) Fail();
      at_ += static_cast<size_t>(end - rest.c_str());
    }
    return v;
  }

  void End() {
    if (Peek() != '\0') Fail();
  }

 private:
  [[noreturn]] void Fail() const { throw std::runtime_error("bad JSON at " + std::to_string(at_)); }

  char Peek() {
    while (at_ < text_.size() &&
           std::string_view(" \t\r\n").find(text_[at_]) != std::string_view::npos)
      ++at_;
    return at_ < text_.size() ? text_[at_] : '\0';
  }
  bool Take(char c) { return Peek() == c && ++at_ > 0; }
  void Expect(char c) {
    if (!Take(c)) Fail();
  }
  bool Word(std::string_view word) {
    if (Peek() != word[0] || text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  std::string String() {
    Expect('"');
    std::string out;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c == '\\' && at_ < text_.size()) {
        c = text_[at_++];
        if (c == 'u') {
          const std::string hex(text_.substr(at_, 4));
          char* end = nullptr;
          const long code = std::strtol(hex.c_str(), &end, 16);
          if (end != hex.c_str() + 4 || code > 0xFF) Fail();
          c = static_cast<char>(code);
          at_ += 4;
        } else if (const auto at = std::string_view("nrtfb").find(c);
                   at != std::string_view::npos) {
          c = "\n\r\t\f\b"[at];
        }
      }
      out += c;
    }
    Expect('"');
    return out;
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const Json& Json::operator[](std::string_view name) const {
  for (const auto& [key, value] : members) {
    if (key == name) return value;
  }
  throw std::runtime_error("no member " + std::string(name));
}

Json ParseJson(std::string_view text) {
  Reader reader(text);
  Json value = reader.Value();
  reader.End();
  return value;
}

}  // namespace quillon::testing
