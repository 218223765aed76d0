// The context's question asker, or message boxes when none was installed.
#pragma once

#include "util/app_context.h"

namespace kvt::util {

inline QuestionAsker& askerOf(AppContext& ctx) {
  static MessageBoxAsker boxes;
  return ctx.asker ? *ctx.asker : boxes;
}

}  // namespace kvt::util
