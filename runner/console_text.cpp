#include "runner/console_text.h"

#include <utility>

namespace vok {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

struct Character {
  std::size_t length;  // 0: the text ends within the character
  bool valid;          // false: `length` bytes that are not UTF-8, shown as one U+FFFD
};

// The UTF-8 character at `at`: its bytes, or the longest start of one that is cut off.
Character CharacterAt(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {1, true};
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte, narrower after some leads
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return {1, false};
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (at + i == text.size()) return {0, false};
    const auto c = static_cast<unsigned char>(text[at + i]);
    if (!Continuation(c) || (i == 1 && (c < low || c > high))) return {i, false};
  }
  return {length, true};
}

}  // namespace

void ConsoleText::Write(std::string_view piece) {
  const std::lock_guard<std::mutex> lock(mutex_);
  pending_.append(piece);
  if (pending_.size() > 2 * kConsoleShownPerFlush) Drop(pending_.size() - kConsoleShownPerFlush);
}

void ConsoleText::Drop(std::size_t bytes) {
  pending_.erase(0, bytes);
  dropped_ += bytes;
}

std::string ConsoleText::Take(std::size_t atMost) {
  std::string bytes;
  std::size_t dropped = 0;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.size() > atMost) Drop(pending_.size() - atMost);
    bytes.swap(pending_);
    std::swap(dropped, dropped_);
  }
  if (bytes.empty() && dropped == 0) return {};

  std::string text;
  if (dropped > 0) {
    // What is left starts within the output: at the next whole character, on a line of its own.
    std::size_t partial = 0;
    while (partial < bytes.size() && Continuation(static_cast<unsigned char>(bytes[partial]))) {
      ++partial;
    }
    bytes.erase(0, partial);
    partial_.clear();
    if (column_ > 0) text += '\n';
    text += "[... " + std::to_string(dropped + partial) + " bytes of output not shown ...]\n";
    column_ = 0;
    afterCr_ = false;
  }
  bytes.insert(0, std::exchange(partial_, {}));
  text.reserve(text.size() + bytes.size() + bytes.size() / kConsoleLinePiece + 1);
  for (std::size_t at = 0; at < bytes.size();) {
    const char c = bytes[at];
    if (c == '\n' || c == '\r') {
      if (c == '\r' || !afterCr_) {  // not the end of a CR LF
        text += '\n';
        column_ = 0;
      }
      afterCr_ = c == '\r';
      ++at;
      continue;
    }
    afterCr_ = false;
    const Character character = CharacterAt(bytes, at);
    if (character.length == 0) {
      partial_ = bytes.substr(at);  // the rest comes with the next batch
      break;
    }
    const int units = character.valid && character.length == 4 ? 2 : 1;
    if (column_ + units > kConsoleLinePiece) {
      text += '\n';
      column_ = 0;
    }
    if (character.valid) {
      text.append(bytes, at, character.length);
    } else {
      text += kReplacement;
    }
    column_ += units;
    at += character.length;
  }
  return text;
}

}  // namespace vok
