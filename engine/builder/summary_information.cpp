#include "summary_information.h"

#include <libmsi.h>

namespace builder {
namespace {

constexpr uint64_t kFileTimeTicksPerSecond = 10000000ull;
constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ull;

bool IsDescription(LibmsiProperty id) {
  return id == LIBMSI_PROPERTY_TITLE || id == LIBMSI_PROPERTY_SUBJECT || id == LIBMSI_PROPERTY_AUTHOR ||
         id == LIBMSI_PROPERTY_KEYWORDS || id == LIBMSI_PROPERTY_COMMENTS || id == LIBMSI_PROPERTY_LASTAUTHOR;
}

bool HasText(LibmsiSummaryInfo* info, LibmsiProperty id) {
  if (libmsi_summary_info_get_property_type(info, id, nullptr) != LIBMSI_PROPERTY_TYPE_STRING) return false;
  const gchar* text = libmsi_summary_info_get_string(info, id, nullptr);
  return text && *text;
}

}  // namespace

std::string SummaryTemplate(bool is64Bit, int32_t language) {
  return std::string(is64Bit ? "x64" : "Intel") + ";" + std::to_string(language);
}

uint64_t FileTimeFromUnixSeconds(int64_t seconds) {
  return (uint64_t(seconds) + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond;
}

bool WriteSummaryInformation(LibmsiDatabase* database, const PackageSummary& summary, std::string* error) {
  GError* gerror = nullptr;
  LibmsiSummaryInfo* info = libmsi_summary_info_new(database, 20, &gerror);
  if (!info) {
    *error = gerror ? gerror->message : "cannot open the summary information";
    if (gerror) g_error_free(gerror);
    return false;
  }
  struct TextProperty {
    LibmsiProperty id;
    const std::string& value;
  };
  const TextProperty texts[] = {
      {LIBMSI_PROPERTY_TITLE, summary.title},
      {LIBMSI_PROPERTY_SUBJECT, summary.subject},
      {LIBMSI_PROPERTY_AUTHOR, summary.author},
      {LIBMSI_PROPERTY_KEYWORDS, summary.keywords},
      {LIBMSI_PROPERTY_COMMENTS, summary.comments},
      {LIBMSI_PROPERTY_TEMPLATE, summary.templateText},
      {LIBMSI_PROPERTY_LASTAUTHOR, summary.author},
      {LIBMSI_PROPERTY_UUID, summary.packageCode},
      {LIBMSI_PROPERTY_APPNAME, summary.creatingApplication},
  };
  bool ok = true;
  for (const TextProperty& text : texts) {
    // The template is required even when empty; other empty texts are left out.
    if (text.value.empty() && text.id != LIBMSI_PROPERTY_TEMPLATE) continue;
    if (summary.keepExistingDescriptions && IsDescription(text.id) && HasText(info, text.id)) continue;
    ok = ok && libmsi_summary_info_set_string(info, text.id, text.value.c_str(), &gerror);
  }
  ok = ok && libmsi_summary_info_set_int(info, LIBMSI_PROPERTY_VERSION, summary.pageCount, &gerror);
  ok = ok && libmsi_summary_info_set_int(info, LIBMSI_PROPERTY_SOURCE, summary.wordCount, &gerror);
  ok = ok && libmsi_summary_info_set_int(info, LIBMSI_PROPERTY_SECURITY, summary.security, &gerror);
  ok = ok && libmsi_summary_info_set_filetime(info, LIBMSI_PROPERTY_CREATED_TM, summary.createdTime, &gerror);
  ok = ok && libmsi_summary_info_set_filetime(info, LIBMSI_PROPERTY_LASTSAVED_TM, summary.savedTime, &gerror);
  ok = ok && libmsi_summary_info_persist(info, &gerror);
  if (!ok) {
    *error = gerror && gerror->message ? gerror->message : "cannot write the summary information";
  }
  if (gerror) g_error_free(gerror);
  g_object_unref(info);
  return ok;
}

}  // namespace builder
