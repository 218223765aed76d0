#include "frontlib/registry_problem.h"

#include <cstdio>
#include <mutex>

namespace kvt::front {
namespace {

std::mutex& ProblemMutex() {
  static std::mutex m;
  return m;
}

std::string& LastProblem() {
  static std::string problem;
  return problem;
}

}  // namespace

const platform::Status& reportRegistryProblem(const platform::Status& status) {
  if (status.ok() || status.code() == platform::Status::Code::kNotFound) return status;
  std::lock_guard<std::mutex> lock(ProblemMutex());
  // Every program that touches the registry tells its user, whatever it does with the failure;
  // a program that asks again and again says it once.
  if (LastProblem() == status.message()) return status;
  LastProblem() = status.message();
  std::fprintf(stderr, "%s\n", status.message().c_str());
  return status;
}

std::string lastRegistryProblem() {
  std::lock_guard<std::mutex> lock(ProblemMutex());
  return LastProblem();
}

}  // namespace kvt::front
