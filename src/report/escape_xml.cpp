#include <cstdint>

#include "common/console.h"
#include "report/page_parts.h"

namespace zelvanor::report {
namespace {

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
  const auto lead = static_cast<std::uint8_t>(text[at]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<std::uint8_t>(text[at + k]) & 0xC0) != 0x80) return 0;
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  const auto second = static_cast<std::uint8_t>(text[at + 1]);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
      (lead == 0xF4 && second >= 0x90)) {
    return 0;
  }
  return length;
}

}  // namespace

std::string EscapeXml(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size() + 16);
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte >= 0x80) {
      // Names made on other systems are often Latin-1 or Windows code page
      // bytes: shown as those characters rather than breaking the page.
      const std::size_t length = Utf8Length(text, at);
      escaped += length == 0 ? Format("&#x%X;", byte) : text.substr(at, length);
      at += length == 0 ? 1 : length;
      continue;
    }
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      // Control characters may not appear in XML, not even as references.
      default: escaped += byte < 0x20 && c != '\t' ? std::string("\xEF\xBF\xBD") : std::string(1, c); break;
    }
    ++at;
  }
  return escaped;
}

}  // namespace zelvanor::report
