#pragma once
// The little JSON that native messaging needs: objects of strings, integers, booleans and
// arrays, read strictly and written in UTF-8.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qm::host {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::map<std::string, Json>;

  Json() = default;  // null
  Json(bool b) : value_(b) {}
  Json(std::int64_t n) : value_(n) {}
  Json(int n) : value_(static_cast<std::int64_t>(n)) {}
  Json(std::string s) : value_(std::move(s)) {}
  Json(const char* s) : value_(std::string(s)) {}
  Json(Array a) : value_(std::move(a)) {}
  Json(Object o) : value_(std::move(o)) {}

  bool is_null() const { return std::holds_alternative<std::monostate>(value_); }
  const std::string* string() const { return std::get_if<std::string>(&value_); }
  const Array* array() const { return std::get_if<Array>(&value_); }
  const Object* object() const { return std::get_if<Object>(&value_); }
  const std::int64_t* integer() const { return std::get_if<std::int64_t>(&value_); }
  const bool* boolean() const { return std::get_if<bool>(&value_); }

  // The member `key` of an object, or nullptr.
  const Json* get(std::string_view key) const;
  // A string member, or nullptr when it is missing or of another kind.
  const std::string* get_string(std::string_view key) const;

  bool operator==(const Json&) const = default;

 private:
  std::variant<std::monostate, bool, std::int64_t, std::string, Array, Object> value_;
};

// Strict JSON (RFC 8259) with integer numbers only; nullopt for anything malformed,
// including invalid UTF-8, lone surrogates and nesting deeper than 64.
std::optional<Json> parse_json(std::string_view text);

// Compact JSON; strings are written as UTF-8 with control characters escaped.
std::string to_json(const Json& value);

}  // namespace qm::host
