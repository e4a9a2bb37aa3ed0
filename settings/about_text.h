#pragma once
// What the about box says, in every toolkit's about box (UTF-8).

namespace qm::settings {

inline constexpr char kAboutTitle[] = "Quotemill_about";
inline constexpr char kProgramName[] = "Quotemill";
inline constexpr char kMakerLine[] = "Quotemill project";
inline constexpr char kWebAddress[] = "quotemill.example.org";
inline constexpr char kMailAddress[] = "qm@example.org";

}  // namespace qm::settings
