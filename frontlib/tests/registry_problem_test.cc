#include "frontlib/registry_problem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvt::front {
namespace {

using platform::Status;

// A program that asks the registry again and again tells its user each problem once; what is
// merely missing is no problem at all.
TEST(RegistryProblem, EachProblemIsSaidOnceAndMissingIsNone) {
  const Status broken = Status::Error(Status::Code::kInvalid, "Registry file /r is broken");
  const Status locked = Status::Error(Status::Code::kAccessDenied, "Registry file /r: locked");
  struct Row {
    Status status;
    std::string said;
  } rows[] = {{Status::Ok(), ""},
              {Status::Error(Status::Code::kNotFound, "registry key K does not exist"), ""},
              {broken, "Registry file /r is broken\n"},
              {broken, ""},
              {locked, "Registry file /r: locked\n"},
              {broken, "Registry file /r is broken\n"}};
  for (const Row& row : rows) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(reportRegistryProblem(row.status).message(), row.status.message());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), row.said) << row.status.message();
  }
  EXPECT_EQ(lastRegistryProblem(), broken.message());
}

}  // namespace
}  // namespace kvt::front
