#include "frontend/capture_description.h"

#include <cstdint>

#include "core/messages.h"
#include "core/string_table.h"
#include "platform/locale.h"
#include "platform/text.h"
#include "project/vpx_writer.h"

namespace frontend {

int DeclaredLanguageId(const std::string& declaredLanguage) {
  return static_cast<int>(static_cast<uint32_t>(platform::Atol(declaredLanguage)) & 0xFFFF);
}

std::string LanguageAnnouncement(const std::string& declaredLanguage) {
  std::string name = platform::LanguageName(static_cast<uint16_t>(DeclaredLanguageId(declaredLanguage)));
  std::string language = name.empty()
                             ? platform::Format("code %s", declaredLanguage.c_str())
                             : platform::Format("%s (code %s)", name.c_str(), declaredLanguage.c_str());
  return core::FormatString(21003, language.c_str());
}

void ApplyCaptureLanguage(project::VpxWriter& writer, const std::string& declaredLanguage) {
  core::LogMessage(core::kInformation, LanguageAnnouncement(declaredLanguage));
  writer.SetLanguage(DeclaredLanguageId(declaredLanguage));
}

std::string CaptureMethodName(int creatorKind) {
  switch (creatorKind) {
    case 0:
      return core::LoadString(21085);
    case 1:
      return core::LoadString(21086);
    case 3:
      return core::LoadString(25113);
    default:
      return core::LoadString(21087);
  }
}

void ApplyCaptureMethod(project::VpxWriter& writer, int creatorKind) {
  writer.SetRepackagingMode(CaptureMethodName(creatorKind));
}

}  // namespace frontend
