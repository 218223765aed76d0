#include "frontlib/ctl_image.h"

#include <algorithm>

#include "frontlib/shared_routines.h"

namespace kvt::front::ctl {

namespace {

const char kCrLf[] = "\r\n";

bool EndsWithCrLf(const std::string& text) {
  return text.size() >= 2 && text.compare(text.size() - 2, 2, kCrLf) == 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The first '[' at or after from that begins a line (after optional blanks and tabs): only
// such a '[' starts a section, so one inside a value or a note is plain text.
size_t NextHeaderOpen(const std::string& image, size_t from) {
  for (size_t open = image.find('[', from); open != std::string::npos;
       open = image.find('[', open + 1)) {
    size_t q = open;
    while (q > 0 && IsBlank(image[q - 1])) --q;
    if (q == 0 || image[q - 1] == '\n' || image[q - 1] == '\r') return open;
  }
  return std::string::npos;
}

// Where the section's keys end: the next header from the first character after the header
// line on (an empty section directly followed by another header ends right there), or the end.
size_t SectionEnd(const std::string& image, size_t body) {
  if (body >= image.size()) return image.size();
  size_t next = NextHeaderOpen(image, body);
  return next == std::string::npos ? image.size() : next;
}

// Start of the first line of [line_end + 2, section_end) whose text after leading blanks
// begins with key; kNotFound when none does. *found_end receives that line's end.
size_t FindKeyLine(const std::string& image, size_t header_end, size_t section_end,
                   const std::string& key, size_t* found_end) {
  size_t e = header_end;
  while (e < section_end) {
    size_t p = e + 2;
    while (p < image.size() && IsBlank(image[p])) ++p;
    if (p >= image.size() || p >= section_end) return kNotFound;
    e = image.find(kCrLf, p);
    // A last line without CR LF ends at the end of the text.
    if (e == std::string::npos) e = image.size();
    if (image.compare(p, key.size(), key) == 0) {
      *found_end = e;
      return p;
    }
  }
  return kNotFound;
}

}  // namespace

SectionSearch FindSection(const std::string& image, const std::string& section) {
  SectionSearch result;
  size_t start = 0;
  while (start < image.size()) {
    size_t open = NextHeaderOpen(image, start);
    if (open == std::string::npos) break;
    size_t line_end = image.find(kCrLf, open);
    size_t close = image.find(']', open + 1);
    // A '[' without its ']' on the same line is no header.
    if (close == std::string::npos || close > line_end) {
      if (line_end == std::string::npos) break;
      start = line_end + 2;
      continue;
    }
    result.sawHeader = true;
    result.headerEnded = line_end != std::string::npos;
    result.close = close;
    result.body = result.headerEnded ? line_end + 2 : image.size();
    if (image.compare(open + 1, close - open - 1, section) == 0) {
      result.found = true;
      return result;
    }
    start = close + 1;
  }
  return result;
}

size_t FindValue(const std::string& image, const std::string& section, const std::string& key) {
  SectionSearch hit = FindSection(image, section);
  if (!hit.found || !hit.headerEnded) return kNotFound;
  size_t line_end = 0;
  size_t p = FindKeyLine(image, hit.body - 2, SectionEnd(image, hit.body), key, &line_end);
  if (p == kNotFound) return kNotFound;
  size_t eq = image.find('=', p + key.size());
  if (eq == std::string::npos || eq >= line_end) return kNotFound;
  size_t open_quote = image.find('"', eq);
  if (open_quote == std::string::npos || open_quote >= line_end) return kNotFound;
  size_t close_quote = image.find('"', open_quote + 1);
  if (close_quote == std::string::npos || close_quote >= line_end) return kNotFound;
  return open_quote + 1;
}

std::vector<std::string> KeyNames(const std::string& image, const std::string& section) {
  std::vector<std::string> names;
  SectionSearch hit = FindSection(image, section);
  if (!hit.found || !hit.headerEnded) return names;
  const size_t end = SectionEnd(image, hit.body);
  size_t line = hit.body;
  while (line < end) {
    size_t line_end = std::min(image.find(kCrLf, line), end);
    size_t eq = image.find('=', line);
    if (eq < line_end) {
      size_t first = line;
      while (first < eq && IsBlank(image[first])) ++first;
      size_t last = eq;
      while (last > first && IsBlank(image[last - 1])) --last;
      if (last > first) names.push_back(image.substr(first, last - first));
    }
    line = line_end + 2;
  }
  return names;
}

std::string ValueAt(const std::string& image, size_t offset) {
  if (offset >= image.size()) return std::string();
  size_t quote = image.find('"', offset);
  if (quote == std::string::npos) quote = image.size();
  return image.substr(offset, quote - offset);
}

bool ReplaceValue(std::string& image, const std::string& section, const std::string& key,
                  const std::string& newVal) {
  size_t a = FindValue(image, section, key);
  if (a == kNotFound) return false;
  size_t b = image.find('"', a);  // present: FindValue saw the closing quote
  image.replace(a, b - a, newVal);
  return true;
}

bool AdvanceCounter(std::string& image, const std::string& section, const std::string& key) {
  size_t a = FindValue(image, section, key);
  if (a == kNotFound) return false;
  std::string value = ValueAt(image, a);
  std::string next = "00" + std::to_string(numericValue(value) + 1);
  // The whole value is replaced, so a value of other than three characters never spills
  // over its closing quote.
  image.replace(a, value.size(), next.substr(next.size() - 3));
  return true;
}

size_t TrimmedLength(const std::string& image) {
  size_t last = image.find_last_not_of(' ');
  return last == std::string::npos ? 0 : last + 1;
}

void AppendSection(std::string& image, const std::string& section) {
  std::string header = "[" + trim(section) + "]" + kCrLf;
  image.resize(TrimmedLength(image));
  // A last line without its line end would otherwise run into the header.
  if (!image.empty() && !EndsWithCrLf(image)) image += kCrLf;
  image += header;
}

bool InsertKey(std::string& image, const std::string& section, const std::string& key,
               const std::string& newVal) {
  SectionSearch hit = FindSection(image, section);
  if (!hit.found) return false;
  std::string line = trim(key) + "=\"" + trim(newVal) + "\"" + kCrLf;
  if (!hit.headerEnded) {
    // The header is the last line and has no line end of its own.
    image += kCrLf;
    hit.body = image.size();
  }
  image.insert(hit.body, line);
  // Only trailing blanks go: leading text, blank or not, is part of the file.
  image.resize(TrimmedLength(image));
  return true;
}

}  // namespace kvt::front::ctl
