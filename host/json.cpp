#include "json.h"

#include <cstdio>

#include "codepage.h"

namespace qm::host {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  std::optional<Json> document() {
    std::optional<Json> v = value(0);
    skip_blanks();
    if (!v || pos_ != s_.size()) return std::nullopt;
    return v;
  }

 private:
  static constexpr int kMaxDepth = 64;

  void skip_blanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) ++pos_;
  }
  bool take(char c) {
    skip_blanks();
    if (pos_ < s_.size() && s_[pos_] == c) return ++pos_, true;
    return false;
  }
  bool word(std::string_view w) {
    if (s_.substr(pos_, w.size()) != w) return false;
    pos_ += w.size();
    return true;
  }

  std::optional<Json> value(int depth) {
    if (depth >= kMaxDepth) return std::nullopt;
    skip_blanks();
    if (pos_ >= s_.size()) return std::nullopt;
    switch (s_[pos_]) {
      case '{': return object(depth);
      case '[': return array(depth);
      case '"': {
        std::optional<std::string> str = string();
        if (!str) return std::nullopt;
        return Json(std::move(*str));
      }
      case 't': return word("true") ? std::optional<Json>(Json(true)) : std::nullopt;
      case 'f': return word("false") ? std::optional<Json>(Json(false)) : std::nullopt;
      case 'n': return word("null") ? std::optional<Json>(Json()) : std::nullopt;
      default: return number();
    }
  }

  std::optional<Json> object(int depth) {
    ++pos_;
    Json::Object members;
    if (take('}')) return Json(std::move(members));
    do {
      skip_blanks();
      if (pos_ >= s_.size() || s_[pos_] != '"') return std::nullopt;
      std::optional<std::string> key = string();
      if (!key || !take(':')) return std::nullopt;
      std::optional<Json> v = value(depth + 1);
      if (!v) return std::nullopt;
      members.insert_or_assign(std::move(*key), std::move(*v));
    } while (take(','));
    if (!take('}')) return std::nullopt;
    return Json(std::move(members));
  }

  std::optional<Json> array(int depth) {
    ++pos_;
    Json::Array items;
    if (take(']')) return Json(std::move(items));
    do {
      std::optional<Json> v = value(depth + 1);
      if (!v) return std::nullopt;
      items.push_back(std::move(*v));
    } while (take(','));
    if (!take(']')) return std::nullopt;
    return Json(std::move(items));
  }

  std::optional<Json> number() {
    const std::size_t start = pos_;
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    const std::size_t digits = pos_;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
    const std::size_t n = pos_ - digits;
    if (n == 0 || (n > 1 && s_[digits] == '0') || n > 18) return std::nullopt;
    // Fractions and exponents are never needed here, so they are refused.
    if (pos_ < s_.size() && (s_[pos_] == '.' || s_[pos_] == 'e' || s_[pos_] == 'E')) return std::nullopt;
    return Json(static_cast<std::int64_t>(std::stoll(std::string(s_.substr(start, pos_ - start)))));
  }

  std::optional<unsigned> hex4() {
    if (pos_ + 4 > s_.size()) return std::nullopt;
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      v <<= 4;
      if (c >= '0' && c <= '9') v |= c - '0';
      else if (c >= 'a' && c <= 'f') v |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') v |= c - 'A' + 10;
      else return std::nullopt;
    }
    return v;
  }

  std::optional<std::string> string() {
    ++pos_;
    std::string out;
    const CodePage utf8 = CodePage::utf8();
    while (pos_ < s_.size()) {
      const unsigned char c = static_cast<unsigned char>(s_[pos_]);
      if (c == '"') return ++pos_, out;
      if (c < 0x20) return std::nullopt;
      if (c >= 0x80) {
        const std::size_t len = utf8.char_length(s_, pos_);
        if (len == 1) return std::nullopt;  // not UTF-8
        out.append(s_, pos_, len);
        pos_ += len;
        continue;
      }
      ++pos_;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (pos_ >= s_.size()) return std::nullopt;
      const char e = s_[pos_++];
      switch (e) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::optional<unsigned> u = hex4();
          if (!u) return std::nullopt;
          char32_t cp = *u;
          if (cp >= 0xDC00 && cp < 0xE000) return std::nullopt;
          if (cp >= 0xD800 && cp < 0xDC00) {
            if (!word("\\u")) return std::nullopt;
            std::optional<unsigned> low = hex4();
            if (!low || *low < 0xDC00 || *low >= 0xE000) return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
          }
          append_utf8(cp, out);
          break;
        }
        default: return std::nullopt;
      }
    }
    return std::nullopt;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

void write_string(const std::string& s, std::string& out) {
  out += '"';
  for (const char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += ch;
    }
  }
  out += '"';
}

void write(const Json& v, std::string& out) {
  if (const std::string* s = v.string()) {
    write_string(*s, out);
  } else if (const std::int64_t* n = v.integer()) {
    out += std::to_string(*n);
  } else if (const bool* b = v.boolean()) {
    out += *b ? "true" : "false";
  } else if (const Json::Array* a = v.array()) {
    out += '[';
    for (std::size_t i = 0; i < a->size(); ++i) {
      if (i) out += ',';
      write((*a)[i], out);
    }
    out += ']';
  } else if (const Json::Object* o = v.object()) {
    out += '{';
    bool first = true;
    for (const auto& [key, member] : *o) {
      if (!first) out += ',';
      first = false;
      write_string(key, out);
      out += ':';
      write(member, out);
    }
    out += '}';
  } else {
    out += "null";
  }
}

}  // namespace

const Json* Json::get(std::string_view key) const {
  const Object* o = object();
  if (!o) return nullptr;
  const auto it = o->find(std::string(key));
  return it == o->end() ? nullptr : &it->second;
}

const std::string* Json::get_string(std::string_view key) const {
  const Json* v = get(key);
  return v ? v->string() : nullptr;
}

std::optional<Json> parse_json(std::string_view text) { return Reader(text).document(); }

std::string to_json(const Json& value) {
  std::string out;
  write(value, out);
  return out;
}

}  // namespace qm::host
