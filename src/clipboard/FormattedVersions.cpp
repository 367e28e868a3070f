#include "clipboard/FormattedVersions.h"

#include <exception>
#include <string_view>

#include "case/HtmlFormat.h"
#include "case/RtfFormat.h"

namespace tarnwick::clipboard {

namespace {

using Converter = std::optional<std::string> (*)(mCase::CaseRule, std::string_view);

void ConvertVersion(Converter convert, mCase::CaseRule rule, std::optional<std::string>& version) {
  if (!version) return;
  try {
    version = convert(rule, *version);
  } catch (const std::exception&) {
    version.reset();  // no memory for the result: the version is left out
  }
}

}  // namespace

void ConvertFormattedVersions(mCase::CaseRule rule, FormattedVersions& versions) {
  ConvertVersion(&mCase::ConvertHtmlFormat, rule, versions.html);
  ConvertVersion(&mCase::ConvertRtf, rule, versions.rtf);
}

}  // namespace tarnwick::clipboard
