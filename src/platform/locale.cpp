#include "platform/locale.h"

#include <algorithm>
#include <iterator>

namespace platform {

namespace {

// A Windows language identifier is a primary language (low 10 bits) and a sublanguage (high 6
// bits). Each known primary language has sublanguages 1 to lastSublanguage.
struct PrimaryLanguage {
  uint16_t primary;
  uint16_t lastSublanguage;
  const char* name;
};

constexpr PrimaryLanguage kLanguages[] = {
    {0x01, 16, "Arabic"},     {0x02, 1, "Bulgarian"},   {0x03, 1, "Catalan"},
    {0x04, 5, "Chinese"},     {0x05, 1, "Czech"},       {0x06, 1, "Danish"},
    {0x07, 5, "German"},      {0x08, 1, "Greek"},       {0x09, 17, "English"},
    {0x0A, 21, "Spanish"},    {0x0B, 1, "Finnish"},     {0x0C, 6, "French"},
    {0x0D, 1, "Hebrew"},      {0x0E, 1, "Hungarian"},   {0x0F, 1, "Icelandic"},
    {0x10, 2, "Italian"},     {0x11, 1, "Japanese"},    {0x12, 1, "Korean"},
    {0x13, 2, "Dutch"},       {0x14, 2, "Norwegian"},   {0x15, 1, "Polish"},
    {0x16, 2, "Portuguese"},  {0x17, 1, "Romansh"},     {0x18, 1, "Romanian"},
    {0x19, 1, "Russian"},     {0x1A, 5, "Croatian"},    {0x1B, 1, "Slovak"},
    {0x1C, 1, "Albanian"},    {0x1D, 2, "Swedish"},     {0x1E, 1, "Thai"},
    {0x1F, 1, "Turkish"},     {0x20, 1, "Urdu"},        {0x21, 1, "Indonesian"},
    {0x22, 1, "Ukrainian"},   {0x23, 1, "Belarusian"},  {0x24, 1, "Slovenian"},
    {0x25, 1, "Estonian"},    {0x26, 1, "Latvian"},     {0x27, 1, "Lithuanian"},
    {0x29, 1, "Persian"},     {0x2A, 1, "Vietnamese"},  {0x2B, 1, "Armenian"},
    {0x2C, 2, "Azeri"},       {0x2D, 1, "Basque"},      {0x2F, 1, "Macedonian"},
    {0x36, 1, "Afrikaans"},   {0x37, 1, "Georgian"},    {0x38, 1, "Faroese"},
    {0x39, 1, "Hindi"},       {0x3E, 2, "Malay"},       {0x3F, 1, "Kazakh"},
    {0x40, 1, "Kyrgyz"},      {0x41, 1, "Swahili"},     {0x43, 2, "Uzbek"},
    {0x44, 1, "Tatar"},       {0x45, 1, "Bengali"},     {0x46, 1, "Punjabi"},
    {0x47, 1, "Gujarati"},    {0x49, 1, "Tamil"},       {0x4A, 1, "Telugu"},
    {0x4B, 1, "Kannada"},     {0x4E, 1, "Marathi"},     {0x4F, 1, "Sanskrit"},
    {0x50, 1, "Mongolian"},   {0x56, 1, "Galician"},    {0x57, 1, "Konkani"},
    {0x5A, 1, "Syriac"},      {0x65, 1, "Divehi"},
};

// Identifiers whose language differs from their primary language's name.
struct Exception {
  uint16_t languageId;
  const char* name;
};
constexpr Exception kExceptions[] = {
    {0x081A, "Serbian"}, {0x0C1A, "Serbian"}, {0x141A, "Bosnian"},
};

}  // namespace

std::string LanguageName(uint16_t languageId) {
  for (const Exception& exception : kExceptions)
    if (exception.languageId == languageId) return exception.name;
  const uint16_t primary = languageId & 0x3FF;
  const uint16_t sublanguage = languageId >> 10;
  const auto found = std::find_if(std::begin(kLanguages), std::end(kLanguages),
                                  [primary](const PrimaryLanguage& l) { return l.primary == primary; });
  if (found == std::end(kLanguages)) return std::string();
  if (sublanguage < 1 || sublanguage > found->lastSublanguage) return std::string();
  return found->name;
}

}  // namespace platform
