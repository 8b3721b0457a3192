#include "server/json_value.h"

#include <cstdint>

namespace quorbel {
namespace {

constexpr int kMaxDepth = 64;

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool document(JsonValue& out) {
    if (!value(out, 0)) return false;
    skipSpace();
    return at_ == text_.size();
  }

 private:
  void skipSpace() {
    while (at_ < text_.size() && isJsonSpace(text_[at_])) ++at_;
  }

  bool literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool value(JsonValue& out, int depth) {
    if (depth >= kMaxDepth) return false;
    skipSpace();
    if (at_ >= text_.size()) return false;
    const char c = text_[at_];
    if (c == '{') return object(out, depth);
    if (c == '[') return array(out, depth);
    if (c == '"') {
      out.kind = JsonValue::Kind::kString;
      return string(out.text);
    }
    for (const char* word : {"true", "false"}) {
      if (!literal(word)) continue;
      out.kind = JsonValue::Kind::kBool;
      out.text = word;
      return true;
    }
    if (literal("null")) {
      out.kind = JsonValue::Kind::kNull;
      return true;
    }
    return number(out);
  }

  // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
  bool number(JsonValue& out) {
    const size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (at_ >= text_.size() || !isDigit(text_[at_])) return false;
    if (text_[at_] == '0') {
      ++at_;
    } else {
      while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (at_ >= text_.size() || !isDigit(text_[at_])) return false;
      while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (at_ >= text_.size() || !isDigit(text_[at_])) return false;
      while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
    }
    out.kind = JsonValue::Kind::kNumber;
    out.text = std::string(text_.substr(start, at_ - start));
    return true;
  }

  bool hex4(uint32_t& code) {
    if (at_ + 4 > text_.size()) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = hexValue(text_[at_++]);
      if (digit < 0) return false;
      code = code * 16 + static_cast<uint32_t>(digit);
    }
    return true;
  }

  bool string(std::string& out) {
    ++at_;  // the opening quote
    out.clear();
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char escaped = text_[at_++];
      if (const char plain = simpleEscape(escaped)) {
        out += plain;
        continue;
      }
      switch (escaped) {
        case 'u': {
          uint32_t code = 0;
          if (!hex4(code)) return false;
          // A surrogate pair makes one code point; a lone surrogate becomes U+FFFD.
          if (code >= 0xD800 && code < 0xDC00 && text_.substr(at_, 2) == "\\u") {
            at_ += 2;
            uint32_t low = 0;
            if (!hex4(low)) return false;
            code = low >= 0xDC00 && low < 0xE000
                       ? 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00)
                       : 0xFFFD;
          } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
          }
          appendUtf8(out, code);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  bool array(JsonValue& out, int depth) {
    ++at_;
    out.kind = JsonValue::Kind::kArray;
    skipSpace();
    if (at_ < text_.size() && text_[at_] == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      JsonValue item;
      if (!value(item, depth + 1)) return false;
      out.items.push_back(std::move(item));
      skipSpace();
      if (at_ >= text_.size()) return false;
      if (text_[at_++] == ']') return true;
      if (text_[at_ - 1] != ',') return false;
    }
  }

  bool object(JsonValue& out, int depth) {
    ++at_;
    out.kind = JsonValue::Kind::kObject;
    skipSpace();
    if (at_ < text_.size() && text_[at_] == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      skipSpace();
      std::string key;
      if (at_ >= text_.size() || text_[at_] != '"' || !string(key)) return false;
      skipSpace();
      if (at_ >= text_.size() || text_[at_++] != ':') return false;
      JsonValue member;
      if (!value(member, depth + 1)) return false;
      out.members.push_back({std::move(key), std::move(member)});
      skipSpace();
      if (at_ >= text_.size()) return false;
      if (text_[at_++] == '}') return true;
      if (text_[at_ - 1] != ',') return false;
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

char simpleEscape(char letter) {
  switch (letter) {
    case '"':
    case '\\':
    case '/':
      return letter;
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    default:
      return 0;
  }
}

bool parseJson(std::string_view text, JsonValue& out) {
  out = JsonValue{};
  return Reader(text).document(out);
}

const JsonValue* jsonMember(const JsonValue& object, std::string_view key) {
  if (object.kind != JsonValue::Kind::kObject) return nullptr;
  const JsonValue* found = nullptr;
  for (const JsonMember& member : object.members)
    if (member.key == key) found = &member.value;
  return found;
}

}  // namespace quorbel
