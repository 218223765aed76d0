#include "engine/failure_note.h"

#include <mutex>

namespace kvt::engine::failure_note {

namespace {
std::mutex& Guard() {
  static std::mutex guard;
  return guard;
}
std::string& Text() {
  static std::string text;
  return text;
}
}  // namespace

void Note(const std::string& text) {
  std::lock_guard<std::mutex> hold(Guard());
  if (Text().empty()) Text() = text;
}

std::string First() {
  std::lock_guard<std::mutex> hold(Guard());
  return Text();
}

void Reset() {
  std::lock_guard<std::mutex> hold(Guard());
  Text().clear();
}

}  // namespace kvt::engine::failure_note
