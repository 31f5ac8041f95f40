#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversion between the program's UTF-8 text and the windows-1252 bytes of
// files and the wire. Every byte maps to a code point (0x81, 0x8D, 0x8F, 0x90
// and 0x9D to the C1 controls of the same value), so decoding is lossless and
// any byte sequence survives a decode followed by an encode.
namespace wordlark {

std::string Cp1252ToUtf8(std::string_view bytes);

// For plain files: the windows-1252 bytes of the text, or nothing when the text
// holds a character windows-1252 lacks (or is not valid UTF-8).
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// For HTML: a character windows-1252 lacks becomes a decimal character
// reference "&#N;". Bytes that are not valid UTF-8 become "&#65533;".
std::string Utf8ToCp1252Html(std::string_view utf8);

// The UTF-8 byte-order mark.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Decodes a text file: UTF-8 when it starts with the byte-order mark (which is
// dropped), windows-1252 otherwise.
std::string DecodeTextFile(std::string_view bytes);

// Encodes a text file: windows-1252 when every character has a byte there,
// otherwise UTF-8 behind a byte-order mark.
std::string EncodeTextFile(std::string_view utf8);

// The form a text file was written in, as far as its bytes tell.
enum class TextFileForm {
  kSingleByte,  // no Unicode form recognised: windows-1252 (plain ASCII included)
  kUtf8Bom,     // UTF-8 behind its byte-order mark
  kUtf8,        // valid UTF-8 without a mark, with at least one byte above 0x7F
  kUtf16Le,     // UTF-16 behind its mark, or without one: valid, with zero bytes
  kUtf16Be,     //   in the places of the high bytes and no NUL character
};

struct RecognisedText {
  TextFileForm form = TextFileForm::kSingleByte;
  std::string utf8;  // the text (without a byte-order mark)
};

// Recognises UTF-8 and UTF-16 by their byte-order marks or, without one, by
// their validity (see TextFileForm); any other text is windows-1252.
RecognisedText RecogniseTextFile(std::string_view bytes);

// "UTF-8 without a byte-order mark", "UTF-16 (little-endian)", ...
std::string_view TextFileFormName(TextFileForm form);

}  // namespace wordlark
