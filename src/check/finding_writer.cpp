#include "check/finding_writer.h"

#include "platform/platform_host.h"

namespace {

const char* severityName(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

std::string count(int number, const char* noun) {
  if (number == 0) return std::string("no ") + noun + "s";
  return std::to_string(number) + " " + noun + (number == 1 ? "" : "s");
}

// A JSON string of UTF-8 text.
std::string jsonString(const std::string& utf8) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7f) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string textFinding(const std::string& file, const Finding& finding) {
  std::string out = file;
  if (finding.line > 0) out += ":" + std::to_string(finding.line);
  if (finding.line > 0 && finding.column > 0) out += ":" + std::to_string(finding.column);
  out += std::string(": ") + severityName(finding.severity) + ": " + finding.message + "\n";
  if (finding.line > 0) out += "    " + finding.text + "\n";
  return out;
}

std::string jsonFinding(const std::string& file, const Finding& finding) {
  // A finding about the file as a whole quotes the file's name, not script
  // text.
  const std::string message = finding.line > 0 ? Platform::ansiToUtf8(finding.message)
                                               : Platform::hostNameToUtf8(finding.message);
  std::string out = "{\"file\":" + jsonString(Platform::hostNameToUtf8(file));
  out += ",\"line\":" + std::to_string(finding.line);
  if (finding.column > 0) out += ",\"column\":" + std::to_string(finding.column);
  out += std::string(",\"severity\":\"") + severityName(finding.severity) + "\"";
  out += ",\"message\":" + jsonString(message);
  out += ",\"text\":" + jsonString(Platform::ansiToUtf8(finding.text)) + "}\n";
  return out;
}

}  // namespace

std::string formatFinding(const std::string& file, const Finding& finding, OutputFormat format) {
  return format == OutputFormat::kJson ? jsonFinding(file, finding) : textFinding(file, finding);
}

std::string summaryOf(int errors, int warnings) {
  return count(errors, "error") + ", " + count(warnings, "warning");
}
