#pragma once
// clang 14 cannot use libstdc++'s std::source_location (the header needs
// __builtin_source_location, which came with clang 15) and then declares nothing. The fuzz
// build is the only clang build; it is given the members qm::Error uses, from the builtins
// clang 14 has. Force-included by cmake/hardening.cmake only when the builtin is missing.

#include <source_location>

#if !defined(__cpp_lib_source_location)
#include <cstdint>

namespace std {

struct source_location {
  static constexpr source_location current(const char* file = __builtin_FILE(),
                                           const char* function = __builtin_FUNCTION(),
                                           std::uint_least32_t line = __builtin_LINE()) noexcept {
    source_location where;
    where.file_ = file;
    where.function_ = function;
    where.line_ = line;
    return where;
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }
  constexpr std::uint_least32_t line() const noexcept { return line_; }
  constexpr std::uint_least32_t column() const noexcept { return 0; }

 private:
  const char* file_ = "";
  const char* function_ = "";
  std::uint_least32_t line_ = 0;
};

}  // namespace std
#endif
