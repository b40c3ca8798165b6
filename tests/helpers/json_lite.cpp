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
    switch (Peek()) {
      case '{':
        v.kind = Json::Kind::kObject;
        for (Expect('{'); !Take('}');) {
          if (!v.members.empty()) Expect(',');
          std::string name = String();
          Expect(':');
          v.members.emplace_back(std::move(name), Value());
        }
        break;
      case '[':
        v.kind = Json::Kind::kArray;
        for (Expect('['); !Take(']');) {
          if (!v.items.empty()) Expect(',');
          v.items.push_back(Value());
        }
        break;
      case '"':
        v.kind = Json::Kind::kString;
        v.text = String();
        break;
      default:
        if (Word("null")) break;
        if (Word("true") || Word("false")) {
          v.kind = Json::Kind::kBool;
          v.boolean = text_[at_ - 4] == 't';
          break;
        }
        v.kind = Json::Kind::kNumber;
        v.number = Number();
    }
    return v;
  }

  void End() {
    if (Peek() != '\0') Fail();
  }

 private:
  [[noreturn]] void Fail() const { throw std::runtime_error("bad JSON at " + std::to_string(at_)); }

  char Peek() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' ||
                                  text_[at_] == '\t')) {
      ++at_;
    }
    return at_ < text_.size() ? text_[at_] : '\0';
  }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++at_;
    return true;
  }
  void Expect(char c) {
    if (!Take(c)) Fail();
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  double Number() {
    const std::string rest(text_.substr(at_, 40));
    char* end = nullptr;
    double value = std::strtod(rest.c_str(), &end);
    if (end == rest.c_str()) Fail();
    at_ += static_cast<size_t>(end - rest.c_str());
    return value;
  }

  std::string String() {
    Expect('"');
    std::string out;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) Fail();
      c = text_[at_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'f': out += '\f'; break;
        case 'b': out += '\b'; break;
        case 'u': {
          const std::string hex(text_.substr(at_, 4));
          char* end = nullptr;
          const long code = std::strtol(hex.c_str(), &end, 16);
          if (hex.size() != 4 || end != hex.c_str() + 4 || code > 0xFF) Fail();
          out += static_cast<char>(code);
          at_ += 4;
          break;
        }
        default: out += c;  // \" \\ \/
      }
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
