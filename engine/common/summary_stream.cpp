#include "summary_stream.h"

#include <cstring>

#include "code_page.h"

namespace qv::engine {

namespace {

constexpr uint8_t kSummaryFormatId[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                          0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr uint32_t kSetHeaderSize = 28;
constexpr uint32_t kSectionOffset = kSetHeaderSize + 20;  // after one format id and its offset
constexpr uint32_t kOsVersion = 0x00020005;               // Win32, 5.0

enum VarType : uint32_t { kVtI2 = 2, kVtI4 = 3, kVtLpstr = 30, kVtFiletime = 64 };

uint32_t Get32(const std::string& s, size_t at) {
  auto u = reinterpret_cast<const uint8_t*>(s.data() + at);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<uint32_t>(u[3]) << 24);
}
void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// The kind each property of the summary information has.
uint32_t TypeOf(int property) {
  switch (property) {
    case kSummaryCodePage:
      return kVtI2;
    case kSummaryTitle: case kSummarySubject: case kSummaryAuthor: case kSummaryKeywords:
    case kSummaryComments: case kSummaryTemplate: case kSummaryLastAuthor:
    case kSummaryRevisionNumber: case kSummaryCreatingApplication:
      return kVtLpstr;
    case kSummaryLastPrinted: case kSummaryCreated: case kSummaryLastSaved:
      return kVtFiletime;
    case kSummaryPageCount: case kSummaryWordCount: case kSummaryCharCount: case kSummarySecurity:
      return kVtI4;
    default:
      return 0;
  }
}

bool IsAscii(const std::string& text) {
  for (unsigned char ch : text)
    if (ch >= 0x80) return false;
  return true;
}

}  // namespace

bool ParseSummary(const std::string& stream, int databaseCodePage, std::map<int, SummaryValue>* properties) {
  properties->clear();
  if (stream.size() < kSectionOffset) return false;
  if (static_cast<uint8_t>(stream[0]) != 0xFE || static_cast<uint8_t>(stream[1]) != 0xFF) return false;
  if (Get32(stream, 24) < 1) return false;
  if (std::memcmp(stream.data() + kSetHeaderSize, kSummaryFormatId, sizeof kSummaryFormatId) != 0) return false;
  const uint64_t section = Get32(stream, kSetHeaderSize + 16);
  if (section + 8 > stream.size()) return false;
  const uint32_t count = Get32(stream, section + 4);
  if (count > (stream.size() - section - 8) / 8) return false;

  struct Value {
    int id;
    uint32_t type;
    uint64_t at;  // where the value follows its type
  };
  std::vector<Value> values;
  int codePage = databaseCodePage;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t entry = section + 8 + 8 * static_cast<uint64_t>(i);
    int id = static_cast<int>(Get32(stream, entry));
    uint64_t at = section + Get32(stream, entry + 4);
    if (at + 4 > stream.size()) return false;
    uint32_t type = Get32(stream, at) & 0xFFFF;
    values.push_back({id, type, at + 4});
    if (id == kSummaryCodePage && type == kVtI2 && at + 6 <= stream.size())
      codePage = static_cast<uint8_t>(stream[at + 4]) | (static_cast<uint8_t>(stream[at + 5]) << 8);
  }
  CodePageDecoder decoder(codePage);
  CodePageDecoder fallback(1252);
  for (const Value& v : values) {
    switch (v.type) {
      case kVtI2: {
        if (v.at + 2 > stream.size()) return false;
        uint16_t raw = static_cast<uint16_t>(static_cast<uint8_t>(stream[v.at]) | (static_cast<uint8_t>(stream[v.at + 1]) << 8));
        // The code page is a number up to 65535; other 2-byte numbers carry a sign.
        (*properties)[v.id] = v.id == kSummaryCodePage ? int32_t{raw} : int32_t{static_cast<int16_t>(raw)};
        break;
      }
      case kVtI4:
        if (v.at + 4 > stream.size()) return false;
        (*properties)[v.id] = static_cast<int32_t>(Get32(stream, v.at));
        break;
      case kVtFiletime:
        if (v.at + 8 > stream.size()) return false;
        (*properties)[v.id] = FileTime{Get32(stream, v.at) | (static_cast<uint64_t>(Get32(stream, v.at + 4)) << 32)};
        break;
      case kVtLpstr: {
        if (v.at + 4 > stream.size()) return false;
        uint64_t length = Get32(stream, v.at);
        if (length > stream.size() - v.at - 4) return false;
        std::string bytes = stream.substr(v.at + 4, length);
        while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
        if (LooksLikeUtf8(bytes)) (*properties)[v.id] = bytes;
        else (*properties)[v.id] = decoder.Valid() ? decoder.Decode(bytes) : fallback.Decode(bytes);
        break;
      }
      default:
        break;  // kinds the engine does not keep
    }
  }
  return true;
}

HResult BuildSummary(const std::map<int, SummaryValue>& properties, int databaseCodePage, std::string* stream) {
  std::map<int, SummaryValue> values = properties;
  int codePage = databaseCodePage == 0 ? 1252 : databaseCodePage;
  auto given = values.find(kSummaryCodePage);
  if (given != values.end()) {
    const auto* number = std::get_if<int32_t>(&given->second);
    if (!number) return kFail;
    codePage = *number;
  } else {
    bool needsCodePage = false;
    for (const auto& [id, value] : values)
      if (const auto* text = std::get_if<std::string>(&value); text && !IsAscii(*text)) needsCodePage = true;
    if (needsCodePage) values[kSummaryCodePage] = int32_t{codePage};
  }
  CodePageEncoder encoder(codePage);

  // Each value: its type, then its bytes, padded to a multiple of 4.
  std::vector<std::pair<int, std::string>> encoded;
  for (const auto& [id, value] : values) {
    uint32_t type = TypeOf(id);
    std::string bytes;
    Put32(bytes, type);
    if (type == kVtI2 || type == kVtI4) {
      const auto* number = std::get_if<int32_t>(&value);
      if (!number) return kFail;
      if (type == kVtI2) {
        Put16(bytes, static_cast<uint32_t>(*number) & 0xFFFF);
        Put16(bytes, 0);
      } else {
        Put32(bytes, static_cast<uint32_t>(*number));
      }
    } else if (type == kVtFiletime) {
      const auto* time = std::get_if<FileTime>(&value);
      if (!time) return kFail;
      Put32(bytes, static_cast<uint32_t>(time->value));
      Put32(bytes, static_cast<uint32_t>(time->value >> 32));
    } else if (type == kVtLpstr) {
      const auto* text = std::get_if<std::string>(&value);
      if (!text) return kFail;
      std::string inCodePage;
      if (!encoder.Valid() || !encoder.Encode(*text, &inCodePage)) return kBadValue;
      Put32(bytes, static_cast<uint32_t>(inCodePage.size() + 1));
      bytes += inCodePage;
      bytes += '\0';
      bytes.resize((bytes.size() + 3) & ~size_t{3}, '\0');
    } else {
      return kFail;
    }
    encoded.emplace_back(id, std::move(bytes));
  }

  uint32_t sectionSize = 8 + 8 * static_cast<uint32_t>(encoded.size());
  for (const auto& [id, bytes] : encoded) sectionSize += static_cast<uint32_t>(bytes.size());
  std::string& s = *stream;
  s.clear();
  Put16(s, 0xFFFE);  // byte order
  Put16(s, 0);       // format
  Put32(s, kOsVersion);
  s.append(16, '\0');  // class id
  Put32(s, 1);         // one section
  s.append(reinterpret_cast<const char*>(kSummaryFormatId), sizeof kSummaryFormatId);
  Put32(s, kSectionOffset);
  Put32(s, sectionSize);
  Put32(s, static_cast<uint32_t>(encoded.size()));
  uint32_t offset = 8 + 8 * static_cast<uint32_t>(encoded.size());
  for (const auto& [id, bytes] : encoded) {
    Put32(s, static_cast<uint32_t>(id));
    Put32(s, offset);
    offset += static_cast<uint32_t>(bytes.size());
  }
  for (const auto& [id, bytes] : encoded) s += bytes;
  return kOk;
}

}  // namespace qv::engine
